#include "SessionScript.h"

#include <charconv>
#include <functional>
#include <limits>
#include <map>

namespace session {
namespace {

using Check = std::function<std::optional<std::string>(const std::vector<std::string>&)>;

// What a verb takes: how many words, their names for the error text, and a check of their values.
struct VerbRule {
    std::size_t minArgs;
    std::size_t maxArgs;
    const char* usage;
    Check check;
};

// The longest line a session may hold: far beyond any command, short enough that a file of one endless
// line is refused by its length rather than split into millions of words.
// How much of a word an error line quotes.
constexpr std::size_t MAX_QUOTED_LENGTH = 40;

// A word as an error line quotes it: control and non-ASCII bytes spelled as \xNN, and a long word cut, so
// that the error stays one short line of text whatever the file holds.
std::string Shown(const std::string& word) {
    static const char digits[] = "0123456789abcdef";
    std::string shown;
    for (std::size_t i = 0; i < word.size() && i < MAX_QUOTED_LENGTH; ++i) {
        const auto c = static_cast<unsigned char>(word[i]);
        if (c < 0x20 || c >= 0x7f) {
            shown += "\\x";
            shown += digits[c >> 4];
            shown += digits[c & 0xf];
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (word.size() > MAX_QUOTED_LENGTH) {
        shown += "...";
    }
    return shown;
}

std::optional<std::string> Int(const std::string& word, const char* what, std::int64_t low,
                               std::int64_t high) {
    const std::optional<std::int64_t> value = Number(word);
    if (!value) {
        return std::string(what) + " is not a number: '" + Shown(word) + "'";
    }
    if (*value < low || *value > high) {
        return std::string(what) + " out of range (" + std::to_string(low) + " to " + std::to_string(high) +
               "): '" + Shown(word) + "'";
    }
    return std::nullopt;
}

constexpr std::int64_t INT_LOW = std::numeric_limits<int>::min();
constexpr std::int64_t INT_HIGH = std::numeric_limits<int>::max();
constexpr std::int64_t UINT_HIGH = std::numeric_limits<unsigned int>::max();

std::optional<std::string> Coordinates(const std::string& x, const std::string& y) {
    if (auto error = Int(x, "x coordinate", INT_LOW, INT_HIGH)) {
        return error;
    }
    return Int(y, "y coordinate", INT_LOW, INT_HIGH);
}

std::optional<std::string> Button(const std::string& word) {
    if (!ButtonIndex(word)) {
        return "unknown button '" + Shown(word) + "' (left, middle, right)";
    }
    return std::nullopt;
}

std::optional<std::string> OneOf(const std::string& word, std::initializer_list<const char*> words,
                                 const char* what) {
    std::string list;
    for (const char* candidate : words) {
        if (word == candidate) {
            return std::nullopt;
        }
        list += (list.empty() ? "" : ", ") + std::string(candidate);
    }
    return "unknown " + std::string(what) + " '" + Shown(word) + "' (" + list + ")";
}

const std::map<std::string, VerbRule>& Rules() {
    using Args = std::vector<std::string>;
    static const std::map<std::string, VerbRule> rules = {
        {"view", {1, 1, "view shape|drawing|image", nullptr}},
        {"load", {1, 1, "load DIR|FILE", nullptr}},
        {"add",
         {1, 3, "add NAME [PRIORITY] [persistent]",
          [](const Args& a) -> std::optional<std::string> {
              std::size_t next = 1;
              if (a.size() > 1 && Number(a[1])) {
                  if (auto error = Int(a[1], "priority", 0, UINT_HIGH)) {
                      return error;
                  }
                  next = 2;
              }
              if (a.size() > next + 1) {
                  return "too many words after the priority";
              }
              if (a.size() == next + 1 && a[next] != "persistent") {
                  return std::string(next == 1 ? "expected a priority or 'persistent'"
                                               : "expected 'persistent'") +
                         ", got '" + Shown(a[next]) + "'";
              }
              return std::nullopt;
          }}},
        {"remove", {1, 1, "remove NAME|PRIORITY", nullptr}},
        {"persistent",
         {2, 2, "persistent PRIORITY on|off",
          [](const Args& a) {
              auto error = Int(a[0], "priority", 0, UINT_HIGH);
              return error ? error : OneOf(a[1], {"on", "off"}, "switch");
          }}},
        {"down",
         {3, 3, "down BUTTON X Y",
          [](const Args& a) {
              auto error = Button(a[0]);
              return error ? error : Coordinates(a[1], a[2]);
          }}},
        {"up",
         {3, 3, "up BUTTON X Y",
          [](const Args& a) {
              auto error = Button(a[0]);
              return error ? error : Coordinates(a[1], a[2]);
          }}},
        {"move", {2, 2, "move X Y", [](const Args& a) { return Coordinates(a[0], a[1]); }}},
        {"dblclick", {1, 1, "dblclick BUTTON", [](const Args& a) { return Button(a[0]); }}},
        {"wheel",
         {3, 3, "wheel DELTA X Y",
          [](const Args& a) {
              auto error = Int(a[0], "wheel delta", std::numeric_limits<short>::min(),
                               std::numeric_limits<short>::max());
              return error ? error : Coordinates(a[1], a[2]);
          }}},
        {"key", {1, 1, "key KEY", nullptr}},
        {"mod",
         {2, 2, "mod ctrl|alt|shift down|up",
          [](const Args& a) {
              auto error = OneOf(a[0], {"ctrl", "alt", "shift"}, "modifier");
              return error ? error : OneOf(a[1], {"down", "up"}, "direction");
          }}},
        {"size",
         {2, 2, "size WIDTH HEIGHT",
          [](const Args& a) {
              auto error = Int(a[0], "width", 0, INT_HIGH);
              return error ? error : Int(a[1], "height", 0, INT_HIGH);
          }}},
        {"leave", {0, 0, "leave", nullptr}},
        {"tick", {1, 1, "tick N", [](const Args& a) { return Int(a[0], "tick length", 0, INT_HIGH); }}},
        {"select",
         {1, 2, "select add|remove ID | select clear",
          [](const Args& a) -> std::optional<std::string> {
              if (auto error = OneOf(a[0], {"add", "remove", "clear"}, "selection change")) {
                  return error;
              }
              if (a[0] == "clear") {
                  return a.size() == 1 ? std::nullopt
                                       : std::optional<std::string>("'select clear' takes no id");
              }
              if (a.size() < 2) {
                  return "missing argument: instance id";
              }
              return Int(a[1], "instance id", INT_LOW, INT_HIGH);
          }}},
        {"mode",
         {2, 3, "mode WORKFLOW MODE [NUMBER]",
          [](const Args& a) {
              return a.size() == 3 ? Int(a[2], "mode number", INT_LOW, INT_HIGH) : std::nullopt;
          }}},
        {"page", {1, 1, "page N", [](const Args& a) { return Int(a[0], "page", INT_LOW, INT_HIGH); }}},
        {"query", {1, 1, "query NAME", nullptr}},
        {"cursor",
         {2, 2, "cursor PRIORITY NAME|none",
          [](const Args& a) { return Int(a[0], "priority", 0, UINT_HIGH); }}},
        {"trace",
         {1, 2, "trace on|off | trace save FILE",
          [](const Args& a) -> std::optional<std::string> {
              if (auto error = OneOf(a[0], {"on", "off", "save"}, "trace switch")) {
                  return error;
              }
              if (a[0] == "save") {
                  return a.size() == 2 ? std::nullopt : std::optional<std::string>("missing argument: FILE");
              }
              return a.size() == 1 ? std::nullopt
                                   : std::optional<std::string>("'trace " + a[0] + "' takes nothing more");
          }}},
        {"replay", {1, 2, "replay WORKFLOW [FILE]", nullptr}},
        {"pick",
         {3, 3, "pick X Y ID",
          [](const Args& a) {
              auto error = Coordinates(a[0], a[1]);
              return error ? error : Int(a[2], "instance id", 0, UINT_HIGH);
          }}},
        {"print",
         {1, 1, "print camera|selection",
          [](const Args& a) {
              return OneOf(a[0], {"camera", "selection"}, "state");
          }}},
        {"expect",
         {2, 4,
          "expect status TEXT | cursor NAME | workflow PRIORITY NAME | handled WORKFLOW TEXT | camera TEXT | "
          "selection TEXT | exception TEXT|none | routed MSG to NAME | not-offered MSG NAME",
          [](const Args& a) -> std::optional<std::string> {
              if (auto error = OneOf(a[0],
                                     {"status", "cursor", "workflow", "handled", "camera", "selection",
                                      "exception", "routed", "not-offered"},
                                     "expectation")) {
                  return error;
              }
              const std::size_t wanted = a[0] == "routed" ? 4
                                         : a[0] == "workflow" || a[0] == "handled" || a[0] == "not-offered"
                                             ? 3
                                             : 2;
              if (a.size() != wanted) {
                  return a.size() < wanted ? "missing argument after 'expect " + a[0] + "'"
                                           : "too many words after 'expect " + a[0] + "'";
              }
              if (a[0] == "routed" && a[2] != "to") {
                  return "expected 'to' after the message name, got '" + a[2] + "'";
              }
              return a[0] == "workflow" ? Int(a[1], "priority", 0, UINT_HIGH) : std::nullopt;
          }}},
    };
    return rules;
}

}  // namespace

std::string ScriptError::ToString() const {
    return file + ":" + std::to_string(line) + ": " + what;
}

std::optional<int> ButtonIndex(const std::string& word) {
    if (word == "left") {
        return 0;
    }
    if (word == "middle") {
        return 1;
    }
    if (word == "right") {
        return 2;
    }
    return std::nullopt;
}

std::optional<int> ModifierIndex(const std::string& word) {
    if (word == "ctrl") {
        return 0;
    }
    if (word == "alt") {
        return 1;
    }
    if (word == "shift") {
        return 2;
    }
    return std::nullopt;
}

std::optional<std::int64_t> Number(const std::string& word) {
    std::int64_t value = 0;
    const char* begin = word.data();
    const char* end = word.data() + word.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> SplitWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    word += line[i++];
                } else {
                    word += c;
                }
            }
            if (!closed) {
                return std::string("unterminated quote");
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return std::nullopt;
}

bool ParseScript(const std::string& fileName, const std::string& text, Script& script, ScriptError& error) {
    script.commands.clear();
    std::size_t start = 0;
    int lineNumber = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        if (line.size() > MAX_LINE_LENGTH) {
            error = {fileName, lineNumber,
                     "line too long (" + std::to_string(line.size()) + " bytes, at most " +
                         std::to_string(MAX_LINE_LENGTH) + ")"};
            return false;
        }
        if (line.find('\0') != std::string::npos) {
            error = {fileName, lineNumber, "not a session: binary data (a NUL byte)"};
            return false;
        }
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        auto fail = [&](std::string what) {
            error = {fileName, lineNumber, std::move(what)};
            return false;
        };
        std::vector<std::string> words;
        if (auto problem = SplitWords(line, words)) {
            return fail(*problem);
        }
        const auto rule = Rules().find(words[0]);
        if (rule == Rules().end()) {
            return fail("unknown verb '" + Shown(words[0]) + "'");
        }
        Command command{lineNumber, words[0], {words.begin() + 1, words.end()}, {}};
        const VerbRule& verb = rule->second;
        if (command.args.size() < verb.minArgs) {
            return fail("missing argument: " + std::string(verb.usage));
        }
        if (command.args.size() > verb.maxArgs) {
            return fail("too many arguments: " + std::string(verb.usage));
        }
        if (verb.check) {
            if (auto problem = verb.check(command.args)) {
                return fail(*problem);
            }
        }
        const std::size_t last = line.find_last_not_of(" \t\r");
        command.text = line.substr(first, last - first + 1);
        script.commands.push_back(std::move(command));
    }
    if (script.commands.empty()) {
        error = {fileName, lineNumber, "empty session: no command to run"};
        return false;
    }
    return true;
}

}  // namespace session
