#include "du/Symbol.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>
#include <ostream>
#include <shared_mutex>
#include <unordered_set>

namespace du {
namespace {

// The entry of "": zero-filled static storage reads as length 0 followed by NUL, so EMPTY is constant-
// initialised and usable by any static initialiser of any library.
alignas(std::size_t) char emptyEntry[sizeof(std::size_t) + 1];

// Each entry is a NUL-terminated copy of its text preceded by its length, allocated once and never freed,
// so that symbols held by statics of any library stay valid through process exit.
struct InternTable {
    std::shared_mutex lock;
    std::unordered_set<std::string_view> texts{std::string_view(emptyEntry + sizeof(std::size_t), 0)};

    const char* Intern(std::string_view text) {
        {
            std::shared_lock reading(lock);
            auto found = texts.find(text);
            if (found != texts.end()) {
                return found->data();
            }
        }
        std::unique_lock writing(lock);
        auto found = texts.find(text);
        if (found != texts.end()) {
            return found->data();
        }
        auto* block = new char[sizeof(std::size_t) + text.size() + 1];
        std::size_t length = text.size();
        std::memcpy(block, &length, sizeof length);
        char* chars = block + sizeof(std::size_t);
        std::memcpy(chars, text.data(), text.size());
        chars[text.size()] = '\0';
        texts.emplace(chars, text.size());
        return chars;
    }
};

InternTable& Table() {
    static InternTable* table = new InternTable;  // never destroyed: symbols outlive every static
    return *table;
}

}  // namespace

constinit const Symbol Symbol::EMPTY(emptyEntry + sizeof(std::size_t), RawEntry{});

Symbol::Symbol(const char* text) : entry_(text ? Table().Intern(text) : nullptr) {}

Symbol::Symbol(std::string_view text) : entry_(Table().Intern(text)) {}

namespace {

// A transient entry: its count of symbols, its length, then the NUL-terminated text; the symbol points one
// past the text's start (the mark of a transient one).
struct TransientHeader {
    std::atomic<std::size_t> symbols;
    std::size_t length;
};
static_assert(sizeof(TransientHeader) == 2 * sizeof(std::size_t),
              "the length must sit right before the text");

TransientHeader* HeaderOf(const char* text) {
    return reinterpret_cast<TransientHeader*>(const_cast<char*>(text) - sizeof(TransientHeader));
}

}  // namespace

std::size_t Symbol::InternedCount() {
    InternTable& table = Table();
    std::shared_lock reading(table.lock);
    return table.texts.size();
}

Symbol Symbol::Transient(std::string_view text) {
    auto* block = static_cast<char*>(::operator new(sizeof(TransientHeader) + text.size() + 1));
    new (block) TransientHeader{{1}, text.size()};
    char* chars = block + sizeof(TransientHeader);
    std::memcpy(chars, text.data(), text.size());
    chars[text.size()] = '\0';
    return Symbol(chars + TRANSIENT, RawEntry{});
}

void Symbol::Retain() const noexcept {
    HeaderOf(Text())->symbols.fetch_add(1, std::memory_order_relaxed);
}

void Symbol::Release() const noexcept {
    TransientHeader* header = HeaderOf(Text());
    if (header->symbols.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        header->~TransientHeader();
        ::operator delete(header);
    }
}

std::string_view Symbol::View() const noexcept {
    if (!entry_) {
        return {};
    }
    // Both kinds of entry keep the length in the word right before the text.
    const char* text = Text();
    std::size_t length;
    std::memcpy(&length, text - sizeof(std::size_t), sizeof length);
    return {text, length};
}

std::ostream& operator<<(std::ostream& out, const Symbol& symbol) {
    return out << symbol.View();
}

void PrintTo(const Symbol& symbol, std::ostream* out) {
    if (symbol.IsNull()) {
        *out << "(unset)";
    } else {
        *out << '"' << symbol.View() << '"';
    }
}

}  // namespace du
