#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Command.h"

namespace session {

// The longest line a session may have, in bytes: a longer one is refused as malformed.
constexpr std::size_t MAX_LINE_LENGTH = 4096;

// Reads a whole session; the first malformed line ends the reading with its error, and script then holds
// nothing to run. Comments and blank lines are dropped.
bool Parse(const std::string& fileName, const std::string& text, Script& script, ScriptError& error);

// Reads one line's words (the verb first) as a command; the reason, without file or line, when they are
// not one.
std::optional<std::string> ParseWords(const std::vector<std::string>& words, Command& command);

// Splits one line into words: blanks separate words; "..." is one word in which \" and \\ stand for
// themselves. Answers the reason when the line cannot be split (an unterminated quote).
std::optional<std::string> SplitWords(const std::string& line, std::vector<std::string>& words);

// A whole decimal number, sign allowed; nothing for other words and for numbers beyond 64 bits.
std::optional<std::int64_t> Number(const std::string& word);

// A word as an error line quotes it (without the quotes): cut at 40 bytes, with control and non-ASCII bytes
// written \xNN, so that an error stays one short line of text whatever the session holds.
std::string ErrorWord(std::string_view word);

// The choice closest to word when it is close enough to be a slip of the keyboard (a letter missed, added,
// changed or two swapped; case is ignored), else nothing.
std::optional<std::string> Nearest(std::string_view word, const std::vector<std::string>& choices);

}  // namespace session
