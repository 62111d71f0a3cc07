// The session language: whatever text reads as commands must write back (Format) as lines that read as the
// same commands, and a refusal names its line and reason. Lines past a refused one are read alone too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Format.h"
#include "Parse.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& line, const std::string& formatted) {
    std::fprintf(stderr, "%s\n  read:    %s\n  written: %s\n", what, line.c_str(), formatted.c_str());
    std::abort();
}

// Format(command) reads back as command, and writing that again gives the same line. The line length limit
// is a file's, not the language's: a formatted line may be longer than the one read (bare words with
// quotes get quoted), so it is read back word by word.
void ExpectReadsBack(const session::Command& command, const std::string& line) {
    const std::string formatted = session::Format(command);
    if (formatted.find('\n') != std::string::npos) {
        Fail("a formatted command holds a line break", line, formatted);
    }
    std::vector<std::string> words;
    session::Command again;
    if (session::SplitWords(formatted, words) || session::ParseWords(words, again)) {
        Fail("a formatted command does not read back", line, formatted);
    }
    if (!(again == command)) {
        Fail("a formatted command reads back as another command", line, formatted);
    }
    if (session::Format(again) != formatted) {
        Fail("a command formats two ways", line, formatted);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    session::Script script;
    session::ScriptError error;
    if (session::Parse("fuzz.session", text, script, error)) {
        for (const session::ScriptLine& line : script.lines) {
            if (line.line < 1 || line.text.empty()) {
                std::fprintf(stderr, "a command without a line number or text\n");
                std::abort();
            }
            ExpectReadsBack(line.command, line.text);
        }
    } else if (error.what.empty() || error.line < 1 || !script.lines.empty()) {
        std::fprintf(stderr, "a refusal without a reason or a line, or with commands left to run\n");
        std::abort();
    }

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        std::vector<std::string> words;
        session::Command command;
        if (!session::SplitWords(line, words) && !words.empty() && !session::ParseWords(words, command)) {
            ExpectReadsBack(command, line);
        }
        start = end + 1;
    }
    return 0;
}
