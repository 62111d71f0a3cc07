#include "WindowInput.h"

#include <map>
#include <set>

#include "SessionScript.h"
#include "rzk/Window.h"

namespace session {
namespace {

int ToInt(const std::string& word) {
    return static_cast<int>(*Number(word));
}

}  // namespace

std::pair<std::string, du::Symbol> KeyOf(const std::string& word) {
    static const std::map<std::string, std::string> texts = {{"Escape", "\x1b"}, {"Return", "\r"},
                                                             {"Enter", "\r"},    {"Tab", "\t"},
                                                             {"Space", " "},     {"BackSpace", "\b"}};
    if (auto found = texts.find(word); found != texts.end()) {
        return {found->second, du::Symbol::EMPTY};
    }
    if (word.size() == 1 || (static_cast<unsigned char>(word[0]) >= 0x80 && word.size() <= 4)) {
        return {word, du::Symbol::EMPTY};
    }
    return {std::string(), du::Symbol(word)};
}

bool IsWindowInput(const std::string& verb) {
    static const std::set<std::string> verbs = {"down", "up",  "move", "dblclick", "wheel",
                                                "key",  "mod", "size", "leave"};
    return verbs.count(verb) != 0;
}

bool PostWindowInput(rzk::Window& window, const std::string& verb, const std::vector<std::string>& a) {
    if (verb == "down" || verb == "up") {
        window.PostMouseButton(*ButtonIndex(a[0]), verb == "down", ToInt(a[1]), ToInt(a[2]));
    } else if (verb == "move") {
        window.PostMouseMove(ToInt(a[0]), ToInt(a[1]));
    } else if (verb == "dblclick") {
        window.PostMouseDoubleClick(*ButtonIndex(a[0]));
    } else if (verb == "wheel") {
        window.PostMouseWheel(static_cast<short>(ToInt(a[0])), ToInt(a[1]), ToInt(a[2]));
    } else if (verb == "key") {
        auto [text, systemKey] = KeyOf(a[0]);
        window.PostKeyPress(text, systemKey);
    } else if (verb == "mod") {
        window.PostModifierKey(*ModifierIndex(a[0]), a[1] == "down");
    } else if (verb == "size") {
        window.PostSize(ToInt(a[0]), ToInt(a[1]));
    } else if (verb == "leave") {
        window.PostMouseLeave();
    } else {
        return false;
    }
    return true;
}

}  // namespace session
