#include "dg/XmlElem.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include <pugixml.hpp>

namespace dg {
namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowercase) {
    if (text.size() != lowercase.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != lowercase[i]) {
            return false;
        }
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

XmlElem::XmlElem(du::Symbol tag, std::vector<std::pair<std::string, std::string>> attributes)
    : tag_(std::move(tag)), attributes_(std::move(attributes)) {}

std::size_t XmlElem::FindAttribute(std::string_view name) const {
    for (std::size_t i = 0; i < attributes_.size(); ++i) {
        if (attributes_[i].first == name) {
            return i;
        }
    }
    return npos;
}

const std::string& XmlElem::GetAttributeName(std::size_t index) const {
    return index < attributes_.size() ? attributes_[index].first : EmptyText();
}

const std::string& XmlElem::GetAttributeString(std::size_t index) const {
    return index < attributes_.size() ? attributes_[index].second : EmptyText();
}

int XmlElem::GetAttributeInt(std::size_t index) const {
    if (index >= attributes_.size()) {
        return 0;
    }
    long value = std::strtol(attributes_[index].second.c_str(), nullptr, 10);
    if (value < INT_MIN) {
        return INT_MIN;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

bool XmlElem::GetAttributeBool(std::size_t index) const {
    if (index >= attributes_.size()) {
        return false;
    }
    std::string_view value = TrimBlanks(attributes_[index].second);
    return EqualsIgnoringCase(value, "true") || EqualsIgnoringCase(value, "yes") || value == "1";
}

std::unique_ptr<XmlElem> ParseXml(const std::string& text, bool normalizeWhitespace, std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) {
            *error = why;
        }
        return std::unique_ptr<XmlElem>();
    };

    // A fragment keeps stray text beside the element as nodes of its own, so that it can be refused;
    // a document would drop it silently.
    unsigned int options = pugi::parse_default | pugi::parse_fragment;
    if (normalizeWhitespace) {
        options |= pugi::parse_wnorm_attribute;
    }
    pugi::xml_document document;
    pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!parsed) {
        return fail(std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset));
    }
    pugi::xml_node element = document.first_child();
    if (!element || element.next_sibling() || element.type() != pugi::node_element) {
        return fail("not exactly one element");
    }

    std::vector<std::pair<std::string, std::string>> attributes;
    for (pugi::xml_attribute attribute : element.attributes()) {
        attributes.emplace_back(attribute.name(), attribute.value());
    }
    if (error) {
        error->clear();
    }
    return std::make_unique<XmlElem>(du::Symbol(element.name()), std::move(attributes));
}

}  // namespace dg
