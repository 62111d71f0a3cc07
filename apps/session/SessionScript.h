#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace session {

// One line of a session file, checked and split: the verb and its words, with quotes taken off.
struct Command {
    int line = 0;
    std::string verb;
    std::vector<std::string> args;
    std::string text;  // the line as written, without surrounding blanks, for the transcript
};

// Why a session file cannot run: where, and what is wrong with that line.
struct ScriptError {
    std::string file;
    int line = 0;
    std::string what;

    std::string ToString() const;
};

// A session file read whole before anything runs, so that a malformed line stops the session before its
// first event. Comments ("# ...") and blank lines are dropped.
struct Script {
    std::vector<Command> commands;
};

// Splits one line into words: blanks separate words; "..." is one word in which \" and \\ stand for
// themselves. Answers the reason when the line cannot be split (an unterminated quote).
std::optional<std::string> SplitWords(const std::string& line, std::vector<std::string>& words);

// Reads a whole session; the first malformed line ends the reading with its error.
bool ParseScript(const std::string& fileName, const std::string& text, Script& script, ScriptError& error);

// The longest line a session may have, in bytes: a longer one is refused as malformed.
constexpr std::size_t MAX_LINE_LENGTH = 4096;

// Words of the session language that several places need.
std::optional<int> ButtonIndex(const std::string& word);      // left 0, middle 1, right 2
std::optional<int> ModifierIndex(const std::string& word);    // ctrl 0, alt 1, shift 2
std::optional<std::int64_t> Number(const std::string& word);  // a whole decimal number, sign allowed

}  // namespace session
