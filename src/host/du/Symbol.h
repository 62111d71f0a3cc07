#pragma once

#include <cstddef>
#include <cstdint>
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
//
// Texts that differ from event to event (a trace line with its coordinates, a typed key) would fill the table
// for ever: they are made Transient instead, a text of their own outside the table, shared by the copies of
// the symbol and freed with the last of them. A transient symbol equals only its own copies, never an
// interned symbol of the same text; compare its View() for that.
//
//     du::Symbol line = du::Symbol::Transient("<MsgMouseMove mouseX=\"5\" mouseY=\"7\"/>");
//     assert(line != du::Symbol(line.View()) && line.View() == du::Symbol(line.View()).View());
class RZHOST_API Symbol {
public:
    static const Symbol EMPTY;

    Symbol() noexcept = default;
    Symbol(const char* text);  // NOLINT(google-explicit-constructor): symbols are built from literals.
    explicit Symbol(std::string_view text);
    explicit Symbol(const std::string& text) : Symbol(std::string_view(text)) {}
    // A symbol of text outside the intern table (see above). Any thread.
    static Symbol Transient(std::string_view text);
    // How many texts the intern table holds: it only ever grows. Any thread.
    static std::size_t InternedCount();

    Symbol(const Symbol& other) noexcept : entry_(other.entry_) {
        if (IsTransient()) {
            Retain();
        }
    }
    Symbol(Symbol&& other) noexcept : entry_(other.entry_) { other.entry_ = nullptr; }
    Symbol& operator=(const Symbol& other) noexcept {
        if (entry_ != other.entry_) {
            if (other.IsTransient()) {
                other.Retain();
            }
            if (IsTransient()) {
                Release();
            }
            entry_ = other.entry_;
        }
        return *this;
    }
    Symbol& operator=(Symbol&& other) noexcept {
        if (this != &other) {
            if (IsTransient()) {
                Release();
            }
            entry_ = other.entry_;
            other.entry_ = nullptr;
        }
        return *this;
    }
    ~Symbol() {
        if (IsTransient()) {
            Release();
        }
    }

    // True when the symbol refers to no string at all (not even "").
    bool IsNull() const noexcept { return entry_ == nullptr; }
    bool IsSet() const noexcept { return entry_ != nullptr; }
    // True for a text outside the intern table (Transient).
    bool IsTransient() const noexcept { return (reinterpret_cast<std::uintptr_t>(entry_) & TRANSIENT) != 0; }
    // The text; "" for an unset symbol.
    const char* c_str() const noexcept { return entry_ ? Text() : ""; }
    std::string_view View() const noexcept;
    std::string ToString() const { return std::string(View()); }
    // The identity of the entry: equal for equal interned texts and for copies of one transient symbol,
    // null when unset.
    const void* Identity() const noexcept { return entry_; }

    friend bool operator==(const Symbol& a, const Symbol& b) noexcept { return a.entry_ == b.entry_; }
    friend bool operator!=(const Symbol& a, const Symbol& b) noexcept { return a.entry_ != b.entry_; }
    friend bool operator<(const Symbol& a, const Symbol& b) noexcept {
        return std::less<const char*>()(a.entry_, b.entry_);
    }

private:
    struct RawEntry {};
    constexpr Symbol(const char* entry, RawEntry) noexcept : entry_(entry) {}

    // Entries start on an even address, so the lowest bit of entry_ is free to mark a transient one, which
    // points one past its text.
    static constexpr std::uintptr_t TRANSIENT = 1;
    const char* Text() const noexcept { return IsTransient() ? entry_ - TRANSIENT : entry_; }
    void Retain() const noexcept;
    void Release() const noexcept;

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
