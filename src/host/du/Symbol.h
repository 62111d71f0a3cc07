#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "du/HostExport.h"

namespace du {

// An interned string. Every symbol of one text refers to the same entry of one process-wide table, so
// equality and ordering are pointer operations. A default-constructed symbol refers to no entry (unset);
// EMPTY is the interned "". Entries are never freed: a symbol stays valid for the life of the process.
//
//     du::Symbol a("MsgMouseMove"), b(std::string("MsgMouseMove"));
//     assert(a == b && a.c_str() == b.c_str());
class RZHOST_API Symbol {
public:
    static const Symbol EMPTY;

    Symbol() noexcept = default;
    Symbol(const char* text);  // NOLINT(google-explicit-constructor): symbols are built from literals.
    explicit Symbol(std::string_view text);
    explicit Symbol(const std::string& text) : Symbol(std::string_view(text)) {}
    Symbol(const Symbol&) noexcept = default;
    Symbol(Symbol&& other) noexcept : entry_(other.entry_) { other.entry_ = nullptr; }
    Symbol& operator=(const Symbol&) noexcept = default;
    Symbol& operator=(Symbol&& other) noexcept {
        const char* taken = other.entry_;
        other.entry_ = nullptr;
        entry_ = taken;
        return *this;
    }
    ~Symbol() = default;

    // True when the symbol refers to no string at all (not even "").
    bool IsNull() const noexcept { return entry_ == nullptr; }
    bool IsSet() const noexcept { return entry_ != nullptr; }
    // The text; "" for an unset symbol.
    const char* c_str() const noexcept { return entry_ ? entry_ : ""; }
    std::string_view View() const noexcept;
    std::string ToString() const { return std::string(View()); }
    // The identity of the entry: equal for equal texts, null when unset.
    const void* Identity() const noexcept { return entry_; }

    friend bool operator==(const Symbol& a, const Symbol& b) noexcept { return a.entry_ == b.entry_; }
    friend bool operator!=(const Symbol& a, const Symbol& b) noexcept { return a.entry_ != b.entry_; }
    friend bool operator<(const Symbol& a, const Symbol& b) noexcept {
        return std::less<const char*>()(a.entry_, b.entry_);
    }

private:
    struct RawEntry {};
    constexpr Symbol(const char* entry, RawEntry) noexcept : entry_(entry) {}

    const char* entry_ = nullptr;
};

// Writes the text; an unset symbol writes nothing, like EMPTY.
RZHOST_API std::ostream& operator<<(std::ostream& out, const Symbol& symbol);
// How test frameworks that look for PrintTo (GoogleTest) show a symbol in a failure: the text in quotes,
// or (unset) for a symbol that refers to no string, so that an unset cursor and "" read differently.
RZHOST_API void PrintTo(const Symbol& symbol, std::ostream* out);

}  // namespace du

template <>
struct std::hash<du::Symbol> {
    std::size_t operator()(const du::Symbol& s) const noexcept {
        return std::hash<const void*>()(s.Identity());
    }
};
