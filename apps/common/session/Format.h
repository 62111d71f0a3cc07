#pragma once

#include <string>
#include <string_view>

#include "Command.h"

namespace session {

// A command as a session line, which Parse reads back as the same command. Text holding a line break has
// no such form: a command read from a session never holds one. Any thread.
std::string Format(const Command& command);

// A word as Parse reads it back: bare when it can be, else quoted with \" and \\. Any thread.
std::string SessionWord(std::string_view word);

}  // namespace session
