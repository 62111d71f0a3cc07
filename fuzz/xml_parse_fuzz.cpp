// The one-element XML parser and every reading of what it gives.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dg/XmlElem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool normalize = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string error;
    const std::unique_ptr<dg::XmlElem> element = dg::ParseXml(text, normalize, &error);
    if (!element) {
        if (error.empty()) {
            std::fprintf(stderr, "null element without an error text\n");
            std::abort();
        }
        return 0;
    }
    volatile long sum = 0;
    const std::size_t count = element->GetAttributeCount();
    for (std::size_t i = 0; i <= count; ++i) {
        const std::string& name = element->GetAttributeName(i);
        sum = sum + static_cast<long>(element->GetAttributeString(i).size()) + element->GetAttributeInt(i) +
              element->GetAttributeBool(i);
        const std::size_t found = element->FindAttribute(name);
        if (i < count && (found == dg::XmlElem::npos || found > i)) {
            std::fprintf(stderr, "attribute %zu not found by its own name\n", i);
            std::abort();
        }
    }
    sum = sum + element->GetAttributeInt(dg::XmlElem::npos) +
          static_cast<long>(element->GetTag().View().size());
    return 0;
}
