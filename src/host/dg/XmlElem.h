#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "du/HostExport.h"
#include "du/Symbol.h"

namespace dg {

// One parsed XML element: its tag and its attributes in document order. Its content (child elements,
// text) is not kept. Attributes are read by index, found by name:
//
//     std::unique_ptr<dg::XmlElem> elem = dg::ParseXml(R"(<MsgMouseMove mouseX="5" mouseY="7"/>)");
//     std::size_t x = elem->FindAttribute("mouseX");
//     int value = x == dg::XmlElem::npos ? 0 : elem->GetAttributeInt(x);  // 5
class RZHOST_API XmlElem {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    XmlElem(du::Symbol tag, std::vector<std::pair<std::string, std::string>> attributes);

    // The tag name. Any thread.
    const du::Symbol& GetTag() const { return tag_; }
    // Any thread.
    std::size_t GetAttributeCount() const { return attributes_.size(); }
    // The index of the first attribute called name, or npos. Any thread.
    std::size_t FindAttribute(std::string_view name) const;
    // The name of the attribute at index; "" for an index out of range (npos included). Any thread.
    const std::string& GetAttributeName(std::size_t index) const;
    // The value at index with its entities decoded; "" for an index out of range. Any thread.
    const std::string& GetAttributeString(std::size_t index) const;
    // The value at index read as a decimal number the way strtol reads one: leading blanks and a sign
    // are allowed, reading stops at the first other character ("12px" is 12), a value without a leading
    // number is 0, and one beyond the range of int is clamped to INT_MIN or INT_MAX. 0 for an index out
    // of range. Any thread.
    int GetAttributeInt(std::size_t index) const;
    // True when the value at index, without surrounding blanks, is "true", "yes" or "1" in any letter
    // case; everything else (including "on", "2" and "") is false, as is an index out of range.
    // Any thread.
    bool GetAttributeBool(std::size_t index) const;

private:
    du::Symbol tag_;
    std::vector<std::pair<std::string, std::string>> attributes_;
};

// Parses text that holds exactly one element, possibly surrounded by blanks, comments, an XML
// declaration or a document type; the element may have content. Anything else (no element, two
// elements, text beside the element, text that is not well-formed) gives null and, when error is not
// null, a description in error. With normalizeWhitespace, attribute values have leading and trailing
// blanks removed and inner runs of blanks collapsed to one space; otherwise they are kept exactly.
// Any thread.
RZHOST_API std::unique_ptr<XmlElem> ParseXml(const std::string& text, bool normalizeWhitespace = false,
                                             std::string* error = nullptr);

}  // namespace dg
