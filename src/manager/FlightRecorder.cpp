#include "manager/FlightRecorder.h"

#include <algorithm>
#include <charconv>

namespace workflow {
namespace {

const char* const BUTTONS[3] = {"left", "middle", "right"};
const char* const MODIFIERS[3] = {"ctrl", "alt", "shift"};

// Key names whose text the session language spells out; any other one-character text is its own name.
struct NamedKey {
    const char* text;
    const char* name;
};
constexpr NamedKey NAMED_KEYS[] = {
    {"\x1b", "Escape"}, {"\r", "Return"}, {"\t", "Tab"}, {" ", "Space"}, {"\b", "BackSpace"}};

void Append(std::string& line, std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    line.append(digits, result.ptr);
}

// A word as the session language reads it back: bare when it can be, else in quotes with \" and \\.
void AppendWord(std::string& line, std::string_view word) {
    if (!word.empty() && word.find_first_of(" \t\r\n\"\\") == std::string_view::npos) {
        line.append(word);
        return;
    }
    line += '"';
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            line += '\\';
        }
        line += c;
    }
    line += '"';
}

// A line that no verb replays stays in the session as a comment, kept on one line.
std::string Comment(std::string_view text) {
    std::string line = "# ";
    for (const char c : text) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else {
            line += c;
        }
    }
    return line;
}

// The session line, or a comment when a word holds a line break, which no session word can.
std::string Checked(std::string line) {
    return line.find('\n') == std::string::npos ? line : Comment(line);
}

std::string Tick(std::int64_t length) {
    if (length > FlightRecorder::LONGEST_PAUSE) {
        length = FlightRecorder::LONGEST_PAUSE + length % 100;
    }
    std::string line = "tick ";
    Append(line, length);
    return line;
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

}  // namespace

FlightRecorder::FlightRecorder(std::size_t capacity) : slots_(std::min(capacity, MAX_CAPACITY)) {}

void FlightRecorder::SetCapacity(std::size_t events) {
    events = std::min(events, MAX_CAPACITY);
    if (events == slots_.size()) {
        return;
    }
    std::vector<Entry> kept(events);
    const std::size_t keep = std::min(events, count_);
    if (events == 0) {
        standing_ = Standing();
    } else {
        for (std::size_t i = 0; i < count_ - keep; ++i) {
            standing_.Apply(At(i));
        }
    }
    for (std::size_t i = 0; i < keep; ++i) {
        kept[i] = At(count_ - keep + i);
    }
    slots_.swap(kept);
    count_ = keep;
    next_ = events == 0 ? 0 : keep % events;
}

const FlightRecorder::Entry& FlightRecorder::At(std::size_t index) const {
    const std::size_t oldest = count_ == slots_.size() ? next_ : 0;
    std::size_t slot = oldest + index;
    if (slot >= slots_.size()) {
        slot -= slots_.size();
    }
    return slots_[slot];
}

FlightRecorder::Entry& FlightRecorder::Push(Kind kind) {
    Entry& entry = slots_[next_];
    if (count_ == slots_.size()) {
        standing_.Apply(entry);
    } else {
        ++count_;
    }
    if (++next_ == slots_.size()) {
        next_ = 0;
    }
    entry = Entry();
    entry.time = time_;
    entry.kind = kind;
    return entry;
}

void FlightRecorder::Button(int button, bool down, int x, int y) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Button);
        entry.flag = down;
        entry.a = button;
        entry.b = x;
        entry.c = y;
    }
}

void FlightRecorder::DoubleClick(int button) {
    if (Enabled()) {
        Push(Kind::DoubleClick).a = button;
    }
}

void FlightRecorder::Wheel(int delta, int x, int y) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Wheel);
        entry.a = delta;
        entry.b = x;
        entry.c = y;
    }
}

void FlightRecorder::Move(int x, int y) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Move);
        entry.b = x;
        entry.c = y;
    }
}

void FlightRecorder::Leave() {
    if (Enabled()) {
        Push(Kind::Leave);
    }
}

void FlightRecorder::Modifier(int modifier, bool down) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Modifier);
        entry.flag = down;
        entry.a = modifier;
    }
}

void FlightRecorder::Key(std::string_view text, const du::Symbol& systemKey) {
    if (!Enabled() || (text.empty() && systemKey.View().empty())) {
        return;  // the window observer sends nothing for it
    }
    Entry& entry = Push(Kind::Key);
    const std::size_t length = std::min(text.size(), KEY_TEXT);
    std::copy_n(text.data(), length, entry.text);
    entry.textLength = static_cast<std::uint8_t>(length);
    entry.textCut = length < text.size();
    entry.a = static_cast<int>(std::min<std::size_t>(text.size(), 1u << 30));
    entry.first = systemKey;
}

void FlightRecorder::Size(int width, int height) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Size);
        entry.a = width;
        entry.b = height;
    }
}

void FlightRecorder::Motion() {
    if (Enabled()) {
        Push(Kind::Motion);
    }
}

void FlightRecorder::Touch(int message, int inputs) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Touch);
        entry.a = message;
        entry.b = inputs;
    }
}

void FlightRecorder::Mode(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                          bool withObject) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Mode);
        entry.first = workflowName;
        entry.second = modeString;
        entry.a = modeNumber;
        entry.flag = withObject;
    }
}

void FlightRecorder::Page(int page) {
    if (Enabled()) {
        Push(Kind::Page).a = page;
    }
}

void FlightRecorder::Selection(unsigned int listId, bool clear, std::size_t removed, std::size_t added) {
    if (Enabled()) {
        Entry& entry = Push(Kind::Selection);
        entry.flag = clear;
        entry.a = static_cast<int>(listId);
        entry.b = static_cast<int>(std::min<std::size_t>(removed, 1u << 30));
        entry.c = static_cast<int>(std::min<std::size_t>(added, 1u << 30));
    }
}

void FlightRecorder::SceneMessage(const du::Symbol& messageName) {
    if (Enabled()) {
        Push(Kind::Scene).first = messageName;
    }
}

std::vector<std::string> FlightRecorder::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(count_ * 2 + 8);
    std::int64_t at = origin_;
    auto advance = [&](std::int64_t time) {
        if (time > at) {
            lines.push_back(Tick(time - at));
            at = time;
        }
    };
    if (standing_.seen) {
        advance(standing_.time);
        standing_.Write(lines);
    }
    for (std::size_t i = 0; i < count_; ++i) {
        const Entry& entry = At(i);
        advance(entry.time);
        lines.push_back(Format(entry));
    }
    advance(time_);
    return lines;
}

std::string FlightRecorder::Format(const Entry& entry) {
    std::string line;
    const bool knownButton = entry.a >= 0 && entry.a < 3;
    switch (entry.kind) {
        case Kind::Button:
            line = entry.flag ? "down " : "up ";
            if (!knownButton) {
                line += "button ";
                Append(line, entry.a);
                return Comment(line);
            }
            line += BUTTONS[entry.a];
            line += ' ';
            Append(line, entry.b);
            line += ' ';
            Append(line, entry.c);
            return line;
        case Kind::DoubleClick:
            if (!knownButton) {
                line = "dblclick button ";
                Append(line, entry.a);
                return Comment(line);
            }
            return std::string("dblclick ") + BUTTONS[entry.a];
        case Kind::Wheel:
            line = "wheel ";
            Append(line, entry.a);
            line += ' ';
            Append(line, entry.b);
            line += ' ';
            Append(line, entry.c);
            return line;
        case Kind::Move:
            line = "move ";
            Append(line, entry.b);
            line += ' ';
            Append(line, entry.c);
            return line;
        case Kind::Leave:
            return "leave";
        case Kind::Modifier:
            if (entry.a < 0 || entry.a >= 3) {
                line = "mod ";
                Append(line, entry.a);
                line += entry.flag ? " down" : " up";
                return Comment(line);
            }
            return std::string("mod ") + MODIFIERS[entry.a] + (entry.flag ? " down" : " up");
        case Kind::Key: {
            const std::string_view text(entry.text, entry.textLength);
            std::string word(text);
            if (!entry.textCut && KeyWord(text, entry.first.View(), word)) {
                line = "key ";
                AppendWord(line, word);
                return Checked(line);
            }
            line = text.empty() ? "key named " : "key with the text ";
            AppendWord(line, word);
            if (entry.textCut) {
                line += "... (";
                Append(line, entry.a);
                line += " bytes)";
            }
            return Comment(line);
        }
        case Kind::Size:
            line = "size ";
            Append(line, entry.a);
            line += ' ';
            Append(line, entry.b);
            return entry.a < 0 || entry.b < 0 ? Comment(line) : line;
        case Kind::Motion:
            return "# MsgMotionEvent";
        case Kind::Touch:
            line = "MsgTouch message ";
            Append(line, entry.a);
            line += ", ";
            Append(line, entry.b);
            line += " inputs";
            return Comment(line);
        case Kind::Mode: {
            const bool select = entry.first == du::Symbol("select");
            const std::string_view mode = entry.second.View();
            if (select && (mode == "add" || mode == "remove")) {
                line = "select ";
                line += mode;
                line += ' ';
                Append(line, entry.a);
            } else if (select && mode == "clear" && entry.a == 0) {
                line = "select clear";
            } else {
                line = "mode ";
                AppendWord(line, entry.first.View());
                line += ' ';
                AppendWord(line, mode);
                line += ' ';
                Append(line, entry.a);
            }
            if (entry.flag) {
                return Comment(line + " (with a mode object of the host's)");
            }
            return Checked(line);
        }
        case Kind::Page:
            line = "page ";
            Append(line, entry.a);
            return line;
        case Kind::Selection:
            line = "MsgSelectionChanged list ";
            Append(line, static_cast<unsigned int>(entry.a));
            line += entry.flag ? ", cleared, " : ", ";
            Append(line, entry.b);
            line += " removed, ";
            Append(line, entry.c);
            line += " added";
            return Comment(line);
        case Kind::Scene:
            return Comment(entry.first.View());
    }
    return Comment("unknown event");
}

void FlightRecorder::Standing::Apply(const Entry& entry) {
    seen = true;
    time = entry.time;
    const bool knownButton = entry.a >= 0 && entry.a < 3;
    switch (entry.kind) {
        case Kind::Button:
            pointerKnown = true;
            x = entry.b;
            y = entry.c;
            if (knownButton) {
                buttons[entry.a] = {entry.flag, entry.b, entry.c};
            }
            break;
        case Kind::Move:
            pointerKnown = true;
            x = entry.b;
            y = entry.c;
            break;
        case Kind::Modifier:
            if (entry.a >= 0 && entry.a < 3) {
                const unsigned int bit = 1u << entry.a;
                modifiers = entry.flag ? modifiers | bit : modifiers & ~bit;
            }
            break;
        case Kind::Size:
            if (entry.a >= 0 && entry.b >= 0) {
                sized = true;
                width = entry.a;
                height = entry.b;
            }
            break;
        default:
            break;
    }
}

void FlightRecorder::Standing::Write(std::vector<std::string>& lines) const {
    std::string line;
    if (sized) {
        line = "size ";
        Append(line, width);
        line += ' ';
        Append(line, height);
        lines.push_back(line);
    }
    for (int i = 0; i < 3; ++i) {
        if ((modifiers & (1u << i)) != 0) {
            lines.push_back(std::string("mod ") + MODIFIERS[i] + " down");
        }
    }
    bool pointerAtPress = false;
    for (int i = 0; i < 3; ++i) {
        if (buttons[i].down) {
            line = std::string("down ") + BUTTONS[i] + " ";
            Append(line, buttons[i].x);
            line += ' ';
            Append(line, buttons[i].y);
            lines.push_back(line);
            pointerAtPress = buttons[i].x == x && buttons[i].y == y;
        }
    }
    if (pointerKnown && !pointerAtPress) {
        line = "move ";
        Append(line, x);
        line += ' ';
        Append(line, y);
        lines.push_back(line);
    }
}

}  // namespace workflow
