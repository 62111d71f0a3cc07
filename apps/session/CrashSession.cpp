#include "CrashSession.h"

#include <algorithm>
#include <initializer_list>

#include "Format.h"
#include "Parse.h"

namespace session {
namespace {

using workflow::FlightRecord;
using Kind = FlightRecord::Kind;

const char* const BUTTONS[3] = {"left", "middle", "right"};
const char* const MODIFIERS[3] = {"ctrl", "alt", "shift"};

// Key names whose text the session language spells out; any other one-character text is its own name.
struct NamedKey {
    const char* text;
    const char* name;
};
constexpr NamedKey NAMED_KEYS[] = {
    {"\x1b", "Escape"}, {"\r", "Return"}, {"\t", "Tab"}, {" ", "Space"}, {"\b", "BackSpace"}};

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

// The command made of words, written by the language's own Format, or a comment saying why it cannot be
// one: the words are not a command, or its line would not read back as the same command.
std::string CommandLine(const std::vector<std::string>& words) {
    Command command;
    if (!words.empty() && !ParseWords(words, command)) {
        std::string line = Format(command);
        Script script;
        ScriptError error;
        if (line.find('\n') == std::string::npos && Parse("", line, script, error) &&
            script.lines.size() == 1 && script.lines.front().command == command) {
            return line;
        }
    }
    std::string said;
    for (const std::string& word : words) {
        said += (said.empty() ? "" : " ") + SessionWord(word);
    }
    return Comment("not replayable: " + said);
}

std::string Decimal(std::int64_t number) {
    return std::to_string(number);
}

std::string TickLine(std::int64_t length) {
    if (length > LONGEST_PAUSE) {
        length = LONGEST_PAUSE + length % 100;
    }
    return CommandLine({"tick", Decimal(length)});
}

// The "key" word the session host turns back into this text or system key, if there is one.
bool KeyWord(std::string_view text, std::string_view systemKey, std::string& word) {
    if (!text.empty()) {
        for (const NamedKey& named : NAMED_KEYS) {
            if (text == named.text) {
                word = named.name;
                return true;
            }
        }
        const bool single = text.size() == 1 && text[0] != '\n';
        const bool wide = static_cast<unsigned char>(text[0]) >= 0x80 && text.size() <= 4;
        word = text;
        return single || wide;
    }
    word = systemKey;
    for (const NamedKey& named : NAMED_KEYS) {
        if (systemKey == named.name) {
            return false;  // would read back as the key's text
        }
    }
    return systemKey.size() > 1 && static_cast<unsigned char>(systemKey[0]) < 0x80;
}

std::string Key(const FlightRecord& record) {
    const std::string_view text = record.Text();
    std::string word(text);
    if (!record.textCut && KeyWord(text, record.first.View(), word)) {
        return CommandLine({"key", word});
    }
    std::string line = (text.empty() ? "key named " : "key with the text ") + SessionWord(word);
    if (record.textCut) {
        line += "... (" + Decimal(record.a) + " bytes)";
    }
    return Comment(line);
}

std::string Mode(const FlightRecord& record) {
    const std::string name(record.first.View());
    const std::string mode(record.second.View());
    std::vector<std::string> words;
    if (name == "select" && (mode == "add" || mode == "remove")) {
        words = {"select", mode, Decimal(record.a)};
    } else if (name == "select" && mode == "clear" && record.a == 0) {
        words = {"select", "clear"};
    } else {
        words = {"mode", name, mode, Decimal(record.a)};
    }
    std::string line = CommandLine(words);
    if (record.flag) {
        return Comment((line.rfind("# ", 0) == 0 ? line.substr(2) : line) +
                       " (with a mode object of the host's)");
    }
    return line;
}

std::string Stack(const FlightRecord& record) {
    const std::string where = SessionWord(record.first.View()) + " at " + Decimal(record.priority);
    switch (record.kind) {
        case Kind::Installed:
            return Comment(where + " installed" + (record.flag ? " (persistent)" : ""));
        case Kind::Removed:
            return Comment(where + " removed");
        default:
            return Comment(where + " made " + (record.flag ? "persistent" : "temporary"));
    }
}

// One record as a session line, or a comment when the language cannot say it.
std::string RecordLine(const FlightRecord& record) {
    const bool knownButton = record.a >= 0 && record.a < 3;
    switch (record.kind) {
        case Kind::Button:
            if (!knownButton) {
                return Comment(std::string(record.flag ? "down" : "up") + " button " + Decimal(record.a));
            }
            return CommandLine(
                {record.flag ? "down" : "up", BUTTONS[record.a], Decimal(record.b), Decimal(record.c)});
        case Kind::DoubleClick:
            return knownButton ? CommandLine({"dblclick", BUTTONS[record.a]})
                               : Comment("dblclick button " + Decimal(record.a));
        case Kind::Wheel:
            return CommandLine({"wheel", Decimal(record.a), Decimal(record.b), Decimal(record.c)});
        case Kind::Move:
            return CommandLine({"move", Decimal(record.b), Decimal(record.c)});
        case Kind::Leave:
            return CommandLine({"leave"});
        case Kind::Modifier:
            if (!knownButton) {
                return Comment("mod " + Decimal(record.a) + (record.flag ? " down" : " up"));
            }
            return CommandLine({"mod", MODIFIERS[record.a], record.flag ? "down" : "up"});
        case Kind::Key:
            return Key(record);
        case Kind::Size:
            return CommandLine({"size", Decimal(record.a), Decimal(record.b)});
        case Kind::Motion: {
            std::vector<std::string> words = {"motion"};
            for (const std::int64_t value : record.motion) {
                words.push_back(std::to_string(value));
            }
            return CommandLine(words);
        }
        case Kind::Touch: {
            if (record.textCut) {
                return Comment("MsgTouch message " + Decimal(record.a) + ", " + Decimal(record.b) +
                               " inputs, more points than a recorded line keeps");
            }
            std::vector<std::string> words = {"touch", Decimal(record.a), Decimal(record.b)};
            for (const int value : record.touch) {
                words.push_back(Decimal(value));
            }
            return CommandLine(words);
        }
        case Kind::Mode:
            return Mode(record);
        case Kind::Page:
            return CommandLine({"page", Decimal(record.a)});
        case Kind::Selection:
            return Comment("MsgSelectionChanged list " + Decimal(static_cast<unsigned int>(record.a)) +
                           (record.flag ? ", cleared, " : ", ") + Decimal(record.b) + " removed, " +
                           Decimal(record.c) + " added");
        case Kind::Scene:
            return Comment(record.first.View());
        case Kind::HostAdd: {
            if (record.first.IsNull()) {
                return Comment("add with no name at " + Decimal(record.priority));
            }
            std::vector<std::string> words = {"add", std::string(record.first.View())};
            if (record.priority != 0) {
                words.push_back(Decimal(record.priority));
            }
            if (record.flag) {
                words.emplace_back("persistent");
            }
            return CommandLine(words);
        }
        case Kind::HostRemove:
            return CommandLine({"remove", record.first.IsSet() ? std::string(record.first.View())
                                                               : Decimal(record.priority)});
        case Kind::HostPersistent:
            return CommandLine({"persistent", Decimal(record.priority), record.flag ? "on" : "off"});
        case Kind::Pick:
            return CommandLine({"pick", Decimal(record.b), Decimal(record.c),
                                Decimal(static_cast<std::int64_t>(record.serial))});
        case Kind::Installed:
        case Kind::Removed:
        case Kind::Persisted:
            return Stack(record);
    }
    return Comment("unknown record");
}

// What the records that left the ring left held.
void HeldLines(const workflow::HeldInput& held, std::vector<std::string>& lines) {
    if (held.sized) {
        lines.push_back(CommandLine({"size", Decimal(held.width), Decimal(held.height)}));
    }
    for (int i = 0; i < 3; ++i) {
        if ((held.modifiers & (1u << i)) != 0) {
            lines.push_back(CommandLine({"mod", MODIFIERS[i], "down"}));
        }
    }
    bool pointerAtPress = false;
    for (int i = 0; i < 3; ++i) {
        if (held.buttons[i].down) {
            lines.push_back(
                CommandLine({"down", BUTTONS[i], Decimal(held.buttons[i].x), Decimal(held.buttons[i].y)}));
            pointerAtPress = held.buttons[i].x == held.x && held.buttons[i].y == held.y;
        }
    }
    if (held.pointerKnown && !pointerAtPress) {
        lines.push_back(CommandLine({"move", Decimal(held.x), Decimal(held.y)}));
    }
}

// The workflows as they stood when the first kept record was made: those at the failure, with the kept
// changes of the stack taken back, newest first. Changes older than the ring are in the stack already.
std::vector<workflow::CrashSnapshot::Installed> StackAtStart(const workflow::CrashSnapshot& snapshot) {
    std::vector<workflow::CrashSnapshot::Installed> stack = snapshot.workflows;
    auto at = [&](unsigned int priority) {
        return std::find_if(stack.begin(), stack.end(),
                            [&](const auto& w) { return w.priority == priority; });
    };
    const auto& records = snapshot.input.records;
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        const auto found = at(record->priority);
        if (record->kind == Kind::Installed) {
            if (found != stack.end() && found->order == record->serial) {
                stack.erase(found);
            }
        } else if (record->kind == Kind::Removed) {
            if (found != stack.end()) {
                stack.erase(found);  // cannot happen in a consistent record; the older one wins
            }
            stack.push_back(
                {record->priority, std::string(record->first.View()), record->flag, record->serial});
        } else if (record->kind == Kind::Persisted && found != stack.end()) {
            found->persistent = !record->flag;
        }
    }
    // In the order they were installed, so that each hears the same installations announced.
    std::stable_sort(stack.begin(), stack.end(),
                     [](const auto& a, const auto& b) { return a.order < b.order; });
    return stack;
}

// The picker's answers when the first kept record was made: those at the end, with the kept picks taken
// back.
std::map<std::pair<int, int>, unsigned int> PicksAtStart(const workflow::CrashSnapshot& snapshot,
                                                         std::map<std::pair<int, int>, unsigned int> picks) {
    const auto& records = snapshot.input.records;
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        if (record->kind == Kind::Pick) {
            picks[{record->b, record->c}] = record->priority;
        }
    }
    return picks;
}

}  // namespace

std::vector<std::string> RecordedLines(const workflow::RecordedInput& input) {
    std::vector<std::string> lines;
    lines.reserve(input.records.size() * 2 + 8);
    std::int64_t at = input.origin;
    auto advance = [&](std::int64_t time) {
        if (time > at) {
            lines.push_back(TickLine(time - at));
            at = time;
        }
    };
    if (input.held.seen) {
        advance(input.held.time);
        HeldLines(input.held, lines);
    }
    for (const FlightRecord& record : input.records) {
        advance(record.time);
        lines.push_back(RecordLine(record));
    }
    advance(input.now);
    return lines;
}

std::string WriteCrashSession(const workflow::CrashSnapshot& snapshot, const CrashSessionSetup& setup) {
    std::vector<std::string> lines;
    lines.push_back(Comment("A workflow handler failed: " + snapshot.exceptionLine));
    if (!snapshot.exceptionText.empty()) {
        lines.push_back(Comment("It threw: " + snapshot.exceptionText));
    }
    if (!setup.origin.empty()) {
        lines.push_back(Comment("at " + setup.origin));
    }
    const bool recorded = snapshot.input.recording;
    lines.push_back(
        recorded ? "# The input the flight recorder kept before the failure, as a session that replays it:"
                 : "# The flight recorder was off: no input was kept, so this session does not replay it.");
    lines.push_back(Comment("  workflow-session " +
                            (setup.library.empty() ? std::string() : "--plugin " + setup.library + " ") +
                            "THIS_FILE"));
    lines.push_back(CommandLine({"view", setup.view}));
    for (const std::string& plugIn : setup.plugIns) {
        lines.push_back(CommandLine({"load", plugIn}));
    }
    for (const auto& workflow : StackAtStart(snapshot)) {
        std::vector<std::string> words = {"add", workflow.name, Decimal(workflow.priority)};
        if (workflow.persistent) {
            words.emplace_back("persistent");
        }
        lines.push_back(CommandLine(words));
    }
    for (const auto& [point, instance] : PicksAtStart(snapshot, setup.picks)) {
        if (instance != 0) {
            lines.push_back(
                CommandLine({"pick", Decimal(point.first), Decimal(point.second), Decimal(instance)}));
        }
    }
    for (std::string& line : RecordedLines(snapshot.input)) {
        lines.push_back(std::move(line));
    }
    if (recorded) {
        lines.push_back(CommandLine({"expect", "exception", snapshot.exceptionLine}));
    }

    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace session
