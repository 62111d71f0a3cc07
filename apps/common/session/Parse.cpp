#include "Parse.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>

namespace session {
namespace {

using Words = std::vector<std::string>;
using Problem = std::optional<std::string>;
// Reads the words after the verb into a command; their number has been checked against the verb's rule.
using Reader = std::function<Problem(const Words&, Command&)>;

// What a verb takes: how many words, their names for the error text, and how to read them.
struct VerbRule {
    std::size_t minArgs;
    std::size_t maxArgs;
    const char* usage;
    Reader read;
};

// How much of a word an error line quotes.
constexpr std::size_t MAX_QUOTED_LENGTH = 40;

constexpr std::int64_t INT_LOW = std::numeric_limits<int>::min();
constexpr std::int64_t INT_HIGH = std::numeric_limits<int>::max();
constexpr std::int64_t UINT_HIGH = std::numeric_limits<unsigned int>::max();

// A word written as a number, whether or not it fits: digits after an optional sign.
bool IsNumeral(const std::string& word) {
    const std::size_t digits = !word.empty() && (word[0] == '+' || word[0] == '-') ? 1 : 0;
    return word.size() > digits && std::all_of(word.begin() + static_cast<std::ptrdiff_t>(digits), word.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
}

template <typename T>
Problem Int(const std::string& word, const char* what, std::int64_t low, std::int64_t high, T& out) {
    const std::optional<std::int64_t> value = Number(word);
    if (!value && !IsNumeral(word)) {
        return std::string(what) + " is not a number: '" + ErrorWord(word) + "'";
    }
    if (!value || *value < low || *value > high) {
        return std::string(what) + " out of range (" + std::to_string(low) + " to " + std::to_string(high) +
               "): '" + ErrorWord(word) + "'";
    }
    out = static_cast<T>(*value);
    return std::nullopt;
}

// A finite number with or without a fraction, as Format writes doubles.
Problem Real(const std::string& word, const char* what, double& out) {
    double value = 0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (word.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::string(what) + " is not a number: '" + ErrorWord(word) + "'";
    }
    out = value;
    return std::nullopt;
}

Problem Coordinates(const std::string& x, const std::string& y, int& outX, int& outY) {
    if (auto error = Int(x, "x coordinate", INT_LOW, INT_HIGH, outX)) {
        return error;
    }
    return Int(y, "y coordinate", INT_LOW, INT_HIGH, outY);
}

// Which of words the word is (its index), or the error naming what it should have been.
Problem OneOf(const std::string& word, std::initializer_list<const char*> words, const char* what,
              std::size_t& index) {
    std::string list;
    index = 0;
    for (const char* candidate : words) {
        if (word == candidate) {
            return std::nullopt;
        }
        list += (list.empty() ? "" : ", ") + std::string(candidate);
        ++index;
    }
    const std::string start = "unknown " + std::string(what) + " '" + ErrorWord(word) + "'";
    if (auto nearest = Nearest(word, {words.begin(), words.end()})) {
        return start + " (did you mean '" + *nearest + "'?)";
    }
    return start + " (" + list + ")";
}

template <typename E>
Problem OneOf(const std::string& word, std::initializer_list<const char*> words, const char* what, E& out) {
    std::size_t index = 0;
    auto error = OneOf(word, words, what, index);
    if (!error) {
        out = static_cast<E>(index);
    }
    return error;
}

Problem ReadButton(const std::string& word, Button& button) {
    return OneOf(word, {"left", "middle", "right"}, "button", button);
}

Problem ReadSwitch(const std::string& word, const char* what, bool& on, const char* yes, const char* no) {
    std::size_t index = 0;
    auto error = OneOf(word, {yes, no}, what, index);
    on = index == 0;
    return error;
}

Problem ReadPress(const Words& a, Button& button, int& x, int& y) {
    auto error = ReadButton(a[0], button);
    return error ? error : Coordinates(a[1], a[2], x, y);
}

template <typename T>
Reader Input(std::function<Problem(const Words&, T&)> read) {
    return [read = std::move(read)](const Words& a, Command& command) {
        T input{};
        auto error = read(a, input);
        command = WindowInput(std::move(input));
        return error;
    };
}

template <typename T>
Reader Call(std::function<Problem(const Words&, T&)> read) {
    return [read = std::move(read)](const Words& a, Command& command) {
        T call{};
        auto error = read(a, call);
        command = HostCall(std::move(call));
        return error;
    };
}

template <typename T>
Reader Other(std::function<Problem(const Words&, T&)> read) {
    return [read = std::move(read)](const Words& a, Command& command) {
        T other{};
        auto error = read(a, other);
        command = std::move(other);
        return error;
    };
}

Problem ReadExpect(const Words& a, Expect& expect) {
    if (auto error = OneOf(a[0],
                           {"status", "status-field", "cursor", "workflow", "handled", "camera", "selection",
                            "exception", "routed", "not-offered"},
                           "expectation", expect.what)) {
        return error;
    }
    const Expectation what = expect.what;
    const std::size_t wanted = what == Expectation::Routed ? 4
                               : what == Expectation::Workflow || what == Expectation::Handled ||
                                       what == Expectation::NotOffered || what == Expectation::StatusField
                                   ? 3
                                   : 2;
    if (a.size() != wanted) {
        return a.size() < wanted ? "missing argument after 'expect " + a[0] + "'"
                                 : "too many words after 'expect " + a[0] + "'";
    }
    if (what == Expectation::Routed && a[2] != "to") {
        return "expected 'to' after the message name, got '" + ErrorWord(a[2]) + "'";
    }
    expect.text = a.back();
    if (what == Expectation::Workflow) {
        return Int(a[1], "priority", 0, UINT_HIGH, expect.number);
    }
    if (what == Expectation::StatusField) {
        return Int(a[1], "status field", 0, STATUS_FIELDS - 1, expect.number);
    }
    if (what == Expectation::Handled || what == Expectation::Routed || what == Expectation::NotOffered) {
        expect.subject = a[1];
    }
    return std::nullopt;
}

const std::map<std::string, VerbRule>& Rules() {
    using A = const Words&;
    static const std::map<std::string, VerbRule> rules = {
        {"view", {1, 2, "view shape|drawing|image [COUNT]", Other<View>([](A a, View& v) {
                      if (auto error = OneOf(a[0], {"shape", "drawing", "image"}, "view type", v.kind)) {
                          return error;
                      }
                      return a.size() < 2 ? Problem() : Int(a[1], "view count", 1, MAX_VIEWS, v.count);
                  })}},
        {"angles", {2, 2, "angles YAW PITCH", Other<Angles>([](A a, Angles& angles) {
                        auto error = Real(a[0], "yaw", angles.yaw);
                        return error ? error : Real(a[1], "pitch", angles.pitch);
                    })}},
        {"focus", {1, 1, "focus VIEW", Other<Focus>([](A a, Focus& f) {
                       return Int(a[0], "view number", 1, MAX_VIEWS, f.view);
                   })}},
        {"activate", {1, 1, "activate VIEW", Other<Activate>([](A a, Activate& f) {
                          return Int(a[0], "view number", 1, MAX_VIEWS, f.view);
                      })}},
        {"load", {1, 1, "load DIR|FILE", Other<Load>([](A a, Load& l) {
                      l.path = a[0];
                      return Problem();
                  })}},
        {"add", {1, 3, "add NAME [PRIORITY] [persistent]", Call<Add>([](A a, Add& add) -> Problem {
                     add.name = a[0];
                     std::size_t next = 1;
                     if (a.size() > 1 && IsNumeral(a[1])) {
                         unsigned int priority = 0;
                         if (auto error = Int(a[1], "priority", 0, UINT_HIGH, priority)) {
                             return error;
                         }
                         add.priority = priority;
                         next = 2;
                     }
                     if (a.size() > next + 1) {
                         return "too many words after the priority";
                     }
                     if (a.size() == next + 1 && a[next] != "persistent") {
                         return std::string(next == 1 ? "expected a priority or 'persistent'"
                                                      : "expected 'persistent'") +
                                ", got '" + ErrorWord(a[next]) + "'";
                     }
                     add.persistent = a.size() == next + 1;
                     return std::nullopt;
                 })}},
        {"remove", {1, 1, "remove NAME|PRIORITY", Call<Remove>([](A a, Remove& r) -> Problem {
                        if (!IsNumeral(a[0])) {
                            r.name = a[0];
                            return std::nullopt;
                        }
                        unsigned int priority = 0;
                        auto error = Int(a[0], "priority", 0, UINT_HIGH, priority);
                        r.priority = priority;
                        return error;
                    })}},
        {"persistent", {2, 2, "persistent PRIORITY on|off", Call<Persistent>([](A a, Persistent& p) {
                            auto error = Int(a[0], "priority", 0, UINT_HIGH, p.priority);
                            return error ? error : ReadSwitch(a[1], "switch", p.on, "on", "off");
                        })}},
        {"down", {3, 3, "down BUTTON X Y", Input<Down>([](A a, Down& d) {
                      return ReadPress(a, d.button, d.x, d.y);
                  })}},
        {"up",
         {3, 3, "up BUTTON X Y", Input<Up>([](A a, Up& u) { return ReadPress(a, u.button, u.x, u.y); })}},
        {"move",
         {2, 2, "move X Y", Input<Move>([](A a, Move& m) { return Coordinates(a[0], a[1], m.x, m.y); })}},
        {"dblclick", {1, 1, "dblclick BUTTON", Input<DoubleClick>([](A a, DoubleClick& d) {
                          return ReadButton(a[0], d.button);
                      })}},
        {"wheel", {3, 3, "wheel DELTA X Y", Input<Wheel>([](A a, Wheel& w) {
                       auto error = Int(a[0], "wheel delta", std::numeric_limits<short>::min(),
                                        std::numeric_limits<short>::max(), w.delta);
                       return error ? error : Coordinates(a[1], a[2], w.x, w.y);
                   })}},
        {"key", {1, 1, "key KEY", Input<Key>([](A a, Key& k) {
                     k.key = a[0];
                     return Problem();
                 })}},
        {"mod", {2, 2, "mod ctrl|alt|shift down|up", Input<ModifierKey>([](A a, ModifierKey& m) {
                     auto error = OneOf(a[0], {"ctrl", "alt", "shift"}, "modifier", m.modifier);
                     return error ? error : ReadSwitch(a[1], "direction", m.down, "down", "up");
                 })}},
        {"size", {2, 2, "size WIDTH HEIGHT", Input<Size>([](A a, Size& s) {
                      auto error = Int(a[0], "width", 0, INT_HIGH, s.width);
                      return error ? error : Int(a[1], "height", 0, INT_HIGH, s.height);
                  })}},
        {"leave", {0, 0, "leave", Input<Leave>([](A, Leave&) { return Problem(); })}},
        {"touch",
         {2, 2 + 5 * Touch::POINTS, "touch MESSAGE INPUTS [ID X Y TIME FLAG]...",
          Input<Touch>([](A a, Touch& t) -> Problem {
              if ((a.size() - 2) % 5 != 0) {
                  return "a touch point takes five numbers (ID X Y TIME FLAG)";
              }
              if (auto error = Int(a[0], "touch message", INT_LOW, INT_HIGH, t.message)) {
                  return error;
              }
              if (auto error = Int(a[1], "touch inputs", INT_LOW, INT_HIGH, t.inputs)) {
                  return error;
              }
              static const char* const names[] = {"touch id", "x coordinate", "y coordinate", "touch time",
                                                  "touch flag"};
              for (std::size_t i = 2; i < a.size(); ++i) {
                  Touch::Point& p = t.points[(i - 2) / 5];
                  int* const fields[] = {&p.id, &p.x, &p.y, &p.time, &p.flag};
                  const std::size_t field = (i - 2) % 5;
                  if (auto error = Int(a[i], names[field], INT_LOW, INT_HIGH, *fields[field])) {
                      return error;
                  }
              }
              return std::nullopt;
          })}},
        {"motion", {6, 6, "motion TX TY TZ RX RY RZ", Input<Motion>([](A a, Motion& m) -> Problem {
                        for (std::size_t i = 0; i < m.values.size(); ++i) {
                            if (auto error =
                                    Int(a[i], "motion value", std::numeric_limits<std::int64_t>::min(),
                                        std::numeric_limits<std::int64_t>::max(), m.values[i])) {
                                return error;
                            }
                        }
                        return std::nullopt;
                    })}},
        {"tick", {1, 1, "tick N", Other<Tick>([](A a, Tick& t) {
                      return Int(a[0], "tick length", 0, MAX_TICK, t.length);
                  })}},
        {"select",
         {1, 2, "select add|remove ID | select clear", Call<Select>([](A a, Select& s) -> Problem {
              if (auto error = OneOf(a[0], {"add", "remove", "clear"}, "selection change", s.change)) {
                  return error;
              }
              if (s.change == SelectionChange::Clear) {
                  return a.size() == 1 ? Problem() : Problem("'select clear' takes no id");
              }
              if (a.size() < 2) {
                  return "missing argument: instance id";
              }
              return Int(a[1], "instance id", INT_LOW, INT_HIGH, s.id);
          })}},
        {"mode", {2, 3, "mode WORKFLOW MODE [NUMBER]", Call<Mode>([](A a, Mode& m) -> Problem {
                      m.workflow = a[0];
                      m.mode = a[1];
                      if (a.size() < 3) {
                          return std::nullopt;
                      }
                      int number = 0;
                      auto error = Int(a[2], "mode number", INT_LOW, INT_HIGH, number);
                      m.number = number;
                      return error;
                  })}},
        {"page", {1, 1, "page N", Call<Page>([](A a, Page& p) {
                      return Int(a[0], "page", INT_LOW, INT_HIGH, p.page);
                  })}},
        {"query", {1, 1, "query NAME", Other<Query>([](A a, Query& q) {
                       q.name = a[0];
                       return Problem();
                   })}},
        {"cursor", {2, 2, "cursor PRIORITY NAME|none", Call<Cursor>([](A a, Cursor& c) {
                        c.name = a[1];
                        return Int(a[0], "priority", 0, UINT_HIGH, c.priority);
                    })}},
        {"trace", {1, 2, "trace on|off | trace save FILE", Other<Trace>([](A a, Trace& t) -> Problem {
                       if (auto error = OneOf(a[0], {"on", "off", "save"}, "trace switch", t.what)) {
                           return error;
                       }
                       if (t.what == TraceSwitch::Save) {
                           if (a.size() != 2) {
                               return "missing argument: FILE";
                           }
                           t.file = a[1];
                           return std::nullopt;
                       }
                       return a.size() == 1 ? Problem() : Problem("'trace " + a[0] + "' takes nothing more");
                   })}},
        {"replay", {1, 2, "replay WORKFLOW [FILE]", Other<Replay>([](A a, Replay& r) {
                        r.workflow = a[0];
                        if (a.size() > 1) {
                            r.file = a[1];
                        }
                        return Problem();
                    })}},
        {"pick", {3, 3, "pick X Y ID", Other<Pick>([](A a, Pick& p) {
                      auto error = Coordinates(a[0], a[1], p.x, p.y);
                      return error ? error : Int(a[2], "instance id", 0, UINT_HIGH, p.id);
                  })}},
        {"pick-box", {4, MAX_LINE_LENGTH, "pick-box X0 Y0 X1 Y1 [ID]...", Other<PickBox>([](A a, PickBox& p) {
                          auto error = Coordinates(a[0], a[1], p.x0, p.y0);
                          error = error ? error : Coordinates(a[2], a[3], p.x1, p.y1);
                          for (std::size_t i = 4; !error && i < a.size(); ++i) {
                              error = Int(a[i], "instance id", 1, UINT_HIGH, p.ids.emplace_back());
                          }
                          return error;
                      })}},
        {"bounds",
         {8, MAX_LINE_LENGTH, "bounds YAW PITCH LEFT TOP RIGHT BOTTOM WIDTH HEIGHT [ID]...",
          Other<Bounds>([](A a, Bounds& b) {
              static const char* const names[] = {"yaw",   "pitch",  "left",  "top",
                                                  "right", "bottom", "width", "height"};
              double* const values[] = {&b.yaw,   &b.pitch,  &b.left,  &b.top,
                                        &b.right, &b.bottom, &b.width, &b.height};
              Problem error;
              for (std::size_t i = 0; !error && i < 8; ++i) {
                  error = Real(a[i], names[i], *values[i]);
              }
              for (std::size_t i = 8; !error && i < a.size(); ++i) {
                  error = Int(a[i], "instance id", 1, UINT_HIGH, b.ids.emplace_back());
              }
              return error;
          })}},
        {"print", {1, 1, "print camera|selection", Other<Print>([](A a, Print& p) {
                       return OneOf(a[0], {"camera", "selection"}, "state", p.state);
                   })}},
        {"expect",
         {2, 4,
          "expect status TEXT | status-field N TEXT | cursor NAME | workflow PRIORITY NAME | handled "
          "WORKFLOW "
          "TEXT | camera TEXT | selection TEXT | exception TEXT|none | routed MSG to NAME | not-offered MSG "
          "NAME",
          Other<Expect>(ReadExpect)}},
    };
    return rules;
}

// The optimal string alignment distance, case ignored: edits, one letter each, plus swaps of neighbours.
std::size_t Distance(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string ScriptError::ToString() const {
    return file + ":" + std::to_string(line) + ": " + what;
}

std::string ErrorWord(std::string_view word) {
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

std::optional<std::string> Nearest(std::string_view word, const std::vector<std::string>& choices) {
    // A word much longer than every choice is no slip, and is not compared letter by letter.
    constexpr std::size_t LONGEST = 32;
    if (word.size() > LONGEST) {
        return std::nullopt;
    }
    std::optional<std::string> nearest;
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (const std::string& choice : choices) {
        const std::size_t allowed = choice.size() <= 4 ? 1 : 2;
        const std::size_t distance = Distance(word, choice);
        if (distance <= allowed && distance < best) {
            best = distance;
            nearest = choice;
        }
    }
    return nearest;
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

std::optional<std::string> ParseWords(const std::vector<std::string>& words, Command& command) {
    if (words.empty()) {
        return std::string("no command");
    }
    const auto rule = Rules().find(words[0]);
    if (rule == Rules().end()) {
        std::string error = "unknown verb '" + ErrorWord(words[0]) + "'";
        static const std::vector<std::string> verbs = [] {
            std::vector<std::string> names;
            for (const auto& [name, verb] : Rules()) {
                names.push_back(name);
            }
            return names;
        }();
        if (auto nearest = Nearest(words[0], verbs)) {
            error += " (did you mean '" + *nearest + "'?)";
        }
        return error;
    }
    const VerbRule& verb = rule->second;
    const Words args(words.begin() + 1, words.end());
    if (args.size() < verb.minArgs) {
        return "missing argument: " + std::string(verb.usage);
    }
    if (args.size() > verb.maxArgs) {
        return "too many arguments: " + std::string(verb.usage);
    }
    return verb.read(args, command);
}

bool Parse(const std::string& fileName, const std::string& text, Script& script, ScriptError& error) {
    script.lines.clear();
    std::size_t start = 0;
    int lineNumber = 0;
    auto fail = [&](std::string what) {
        error = {fileName, lineNumber, std::move(what)};
        script.lines.clear();
        return false;
    };
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        if (line.size() > MAX_LINE_LENGTH) {
            return fail("line too long (" + std::to_string(line.size()) + " bytes, at most " +
                        std::to_string(MAX_LINE_LENGTH) + ")");
        }
        if (line.find('\0') != std::string::npos) {
            return fail("not a session: binary data (a NUL byte)");
        }
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        std::vector<std::string> words;
        if (auto problem = SplitWords(line, words)) {
            return fail(*problem);
        }
        ScriptLine read;
        read.line = lineNumber;
        if (auto problem = ParseWords(words, read.command)) {
            return fail(*problem);
        }
        const std::size_t last = line.find_last_not_of(" \t\r");
        read.text = line.substr(first, last - first + 1);
        script.lines.push_back(std::move(read));
    }
    if (script.lines.empty()) {
        return fail("empty session: no command to run");
    }
    return true;
}

}  // namespace session
