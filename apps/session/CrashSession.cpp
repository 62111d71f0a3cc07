#include "CrashSession.h"

#include <algorithm>
#include <initializer_list>
#include <set>

#include "Parse.h"

namespace session {
namespace {

// The verbs a recorded line may replay with; anything else the recorder wrote stays a comment.
const std::set<std::string>& ReplayVerbs() {
    static const std::set<std::string> verbs = {"down", "up",    "move", "dblclick", "wheel", "key", "mod",
                                                "size", "leave", "tick", "select",   "mode",  "page"};
    return verbs;
}

// One comment line, whatever the text: line breaks are written as \n and \r, other control bytes as \xNN
// (a session holds no NUL byte), and a text too long for one line is cut.
std::string Comment(std::string_view text) {
    std::string line = "# ";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (byte < 0x20 && c != '\t') {
            static const char digits[] = "0123456789abcdef";
            line += "\\x";
            line += digits[byte >> 4];
            line += digits[byte & 15];
        } else {
            line += c;
        }
        if (line.size() >= MAX_LINE_LENGTH - 4) {
            line.resize(MAX_LINE_LENGTH - 4);
            line += "...";
            break;
        }
    }
    return line;
}

// True when line reads back as exactly one command with one of verbs and the words expected (when given).
bool ReadsBack(const std::string& line, const std::set<std::string>& verbs,
               const std::vector<std::string>* words = nullptr) {
    if (line.find('\n') != std::string::npos) {
        return false;
    }
    Script script;
    ScriptError error;
    if (!Parse("", line, script, error) || script.lines.size() != 1) {
        return false;
    }
    if (verbs.count(VerbOf(script.lines.front().command)) == 0) {
        return false;
    }
    if (words) {
        std::vector<std::string> read;
        return !SplitWords(line, read) && read == *words;
    }
    return true;
}

// The command made of words, or a comment saying why it cannot be one.
std::string CommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += (line.empty() ? "" : " ") + SessionWord(word);
    }
    if (!words.empty() && ReadsBack(line, {words.front()}, &words)) {
        return line;
    }
    return Comment("not replayable: " + line);
}

// A recorded event line as it can be replayed, kept as a comment when it cannot; blank lines drop out.
std::string EventLine(const std::string& event) {
    const std::size_t first = event.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return std::string();
    }
    if (event[first] == '#') {
        return Comment(event.substr(first + 1 + (event.size() > first + 1 && event[first + 1] == ' ')));
    }
    return ReadsBack(event, ReplayVerbs()) ? event : Comment("not replayable: " + event);
}

}  // namespace

std::string WriteCrashSession(const workflow::CrashSnapshot& snapshot, const CrashSessionSetup& setup) {
    std::vector<std::string> lines;
    lines.push_back(Comment("A workflow handler failed: " + snapshot.exceptionLine));
    if (!setup.origin.empty()) {
        lines.push_back(Comment("at " + setup.origin));
    }
    lines.push_back("# The input the flight recorder kept before the failure, as a session that replays it:");
    lines.push_back(Comment("  workflow-session " +
                            (setup.library.empty() ? std::string() : "--plugin " + setup.library + " ") +
                            "THIS_FILE"));
    lines.push_back(CommandLine({"view", setup.view}));
    for (const std::string& plugIn : setup.plugIns) {
        lines.push_back(CommandLine({"load", plugIn}));
    }
    // In the order they were installed, so that each hears the same installations announced.
    std::vector<workflow::CrashSnapshot::Installed> installed = snapshot.workflows;
    std::stable_sort(installed.begin(), installed.end(),
                     [](const auto& a, const auto& b) { return a.order < b.order; });
    for (const auto& workflow : installed) {
        std::vector<std::string> words = {"add", workflow.name, std::to_string(workflow.priority)};
        if (workflow.persistent) {
            words.emplace_back("persistent");
        }
        lines.push_back(CommandLine(words));
    }
    for (const std::string& event : snapshot.events) {
        if (std::string line = EventLine(event); !line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    lines.push_back(CommandLine({"expect", "exception", snapshot.exceptionLine}));

    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace session
