#include "du/Symbol.h"

#include <cstring>
#include <mutex>
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

std::string_view Symbol::View() const noexcept {
    if (!entry_) {
        return {};
    }
    std::size_t length;
    std::memcpy(&length, entry_ - sizeof(std::size_t), sizeof length);
    return {entry_, length};
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
