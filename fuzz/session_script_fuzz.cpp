// The session host's reading of a session file: whole scripts, single lines split into words, and the
// word readers the commands use.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SessionScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    session::Script script;
    session::ScriptError error;
    if (session::ParseScript("fuzz.session", text, script, error)) {
        for (const session::Command& command : script.commands) {
            if (command.verb.empty() || command.line < 1) {
                std::fprintf(stderr, "a command without a verb or a line number\n");
                std::abort();
            }
        }
    } else if (error.what.empty() || error.ToString().empty()) {
        std::fprintf(stderr, "a refusal without a reason\n");
        std::abort();
    }

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::vector<std::string> words;
        if (!session::SplitWords(text.substr(start, end - start), words)) {
            for (const std::string& word : words) {
                session::ButtonIndex(word);
                session::ModifierIndex(word);
                session::Number(word);
            }
        }
        start = end + 1;
    }
    return 0;
}
