#include "ExampleWorkflow.h"

#include <cstdio>

namespace examples {

std::string DescribeKey(const std::string& utf8Key, const du::Symbol& systemKey) {
    if (utf8Key.empty()) {
        return systemKey.ToString();
    }
    std::string text;
    for (unsigned char c : utf8Key) {
        if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

}  // namespace examples
