#pragma once

#include <string>
#include <utility>
#include <vector>

#include "du/Symbol.h"

namespace rzk {
class Window;
}

namespace session {

// A key word as the window reports it: one character is its own text; named keys with a character of
// their own give that character (Escape gives "\x1b"); other names are system keys without text.
std::pair<std::string, du::Symbol> KeyOf(const std::string& word);

// True for the verbs of window input (down, up, move, dblclick, wheel, key, mod, size, leave). Any thread.
bool IsWindowInput(const std::string& verb);

// Posts to window the event a window-input line stands for (down, up, move, dblclick, wheel, key, mod, size,
// leave); false, and nothing posted, for any other verb. The line's words were checked when it was read.
// Any thread.
bool PostWindowInput(rzk::Window& window, const std::string& verb, const std::vector<std::string>& a);

}  // namespace session
