#include "Format.h"

#include <charconv>
#include <iterator>

#include <type_traits>

namespace session {
namespace {

// Formats one value of the language; the overloads are picked by std::visit.
struct Writer {
    std::string operator()(const WindowInput& input) const { return std::visit(*this, input); }
    std::string operator()(const HostCall& call) const { return std::visit(*this, call); }

    std::string operator()(const Down& d) const { return Press("down", d.button, d.x, d.y); }
    std::string operator()(const Up& u) const { return Press("up", u.button, u.x, u.y); }
    std::string operator()(const Move& m) const { return "move " + Point(m.x, m.y); }
    std::string operator()(const DoubleClick& d) const {
        return std::string("dblclick ") + ButtonName(d.button);
    }
    std::string operator()(const Wheel& w) const {
        return "wheel " + std::to_string(w.delta) + " " + Point(w.x, w.y);
    }
    std::string operator()(const Key& k) const { return "key " + SessionWord(k.key); }
    std::string operator()(const ModifierKey& m) const {
        return std::string("mod ") + ModifierName(m.modifier) + (m.down ? " down" : " up");
    }
    std::string operator()(const Size& s) const { return "size " + Point(s.width, s.height); }
    std::string operator()(const Leave&) const { return "leave"; }
    std::string operator()(const Touch& t) const {
        std::string line = "touch " + std::to_string(t.message) + " " + std::to_string(t.inputs);
        std::size_t written = Touch::POINTS;
        while (written > 0 && t.points[written - 1] == Touch::Point{}) {
            --written;
        }
        for (std::size_t i = 0; i < written; ++i) {
            const Touch::Point& p = t.points[i];
            line += " " + std::to_string(p.id) + " " + Point(p.x, p.y) + " " + std::to_string(p.time) + " " +
                    std::to_string(p.flag);
        }
        return line;
    }
    std::string operator()(const Motion& m) const {
        std::string line = "motion";
        for (const std::int64_t value : m.values) {
            line += " " + std::to_string(value);
        }
        return line;
    }

    std::string operator()(const Add& a) const {
        return "add " + SessionWord(a.name) + (a.priority ? " " + std::to_string(*a.priority) : "") +
               (a.persistent ? " persistent" : "");
    }
    std::string operator()(const Remove& r) const {
        return "remove " + (r.priority ? std::to_string(*r.priority) : SessionWord(r.name));
    }
    std::string operator()(const Persistent& p) const {
        return "persistent " + std::to_string(p.priority) + (p.on ? " on" : " off");
    }
    std::string operator()(const Select& s) const {
        switch (s.change) {
            case SelectionChange::Add:
                return "select add " + std::to_string(s.id);
            case SelectionChange::Remove:
                return "select remove " + std::to_string(s.id);
            case SelectionChange::Clear:
                break;
        }
        return "select clear";
    }
    std::string operator()(const Mode& m) const {
        return "mode " + SessionWord(m.workflow) + " " + SessionWord(m.mode) +
               (m.number ? " " + std::to_string(*m.number) : "");
    }
    std::string operator()(const Page& p) const { return "page " + std::to_string(p.page); }
    std::string operator()(const Cursor& c) const {
        return "cursor " + std::to_string(c.priority) + " " + SessionWord(c.name);
    }

    std::string operator()(const View& v) const {
        return std::string("view ") + ViewKindName(v.kind) +
               (v.count != 1 ? " " + std::to_string(v.count) : "");
    }
    std::string operator()(const Focus& f) const { return "focus " + std::to_string(f.view); }
    std::string operator()(const Activate& a) const { return "activate " + std::to_string(a.view); }
    std::string operator()(const Angles& a) const { return "angles " + Real(a.yaw) + " " + Real(a.pitch); }
    std::string operator()(const Load& l) const { return "load " + SessionWord(l.path); }
    std::string operator()(const Tick& t) const { return "tick " + std::to_string(t.length); }
    std::string operator()(const Query& q) const { return "query " + SessionWord(q.name); }
    std::string operator()(const Trace& t) const {
        switch (t.what) {
            case TraceSwitch::On:
                return "trace on";
            case TraceSwitch::Off:
                return "trace off";
            case TraceSwitch::Save:
                break;
        }
        return "trace save " + SessionWord(t.file);
    }
    std::string operator()(const Replay& r) const {
        return "replay " + SessionWord(r.workflow) + (r.file ? " " + SessionWord(*r.file) : "");
    }
    std::string operator()(const Pick& p) const {
        return "pick " + Point(p.x, p.y) + " " + std::to_string(p.id);
    }
    std::string operator()(const PickBox& p) const {
        std::string line = "pick-box " + Point(p.x0, p.y0) + " " + Point(p.x1, p.y1);
        for (const unsigned int id : p.ids) {
            line += " " + std::to_string(id);
        }
        return line;
    }
    std::string operator()(const Bounds& b) const {
        std::string line = "bounds";
        for (const double value : {b.yaw, b.pitch, b.left, b.top, b.right, b.bottom, b.width, b.height}) {
            line += " " + Real(value);
        }
        for (const unsigned int id : b.ids) {
            line += " " + std::to_string(id);
        }
        return line;
    }
    std::string operator()(const Print& p) const { return std::string("print ") + StateName(p.state); }
    std::string operator()(const Expect& e) const {
        std::string line = std::string("expect ") + ExpectationName(e.what) + " ";
        switch (e.what) {
            case Expectation::StatusField:
            case Expectation::Workflow:
                line += std::to_string(e.number) + " ";
                break;
            case Expectation::Handled:
            case Expectation::NotOffered:
                line += SessionWord(e.subject) + " ";
                break;
            case Expectation::Routed:
                line += SessionWord(e.subject) + " to ";
                break;
            default:
                break;
        }
        return line + SessionWord(e.text);
    }

    // The shortest text that reads back as the same double.
    static std::string Real(double value) {
        char text[32];
        const auto [end, error] = std::to_chars(std::begin(text), std::end(text), value);
        return error == std::errc() ? std::string(text, end) : "0";
    }
    static std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
    static std::string Press(const char* verb, Button button, int x, int y) {
        return std::string(verb) + " " + ButtonName(button) + " " + Point(x, y);
    }
};

}  // namespace

std::string Format(const Command& command) {
    return std::visit(Writer{}, command);
}

std::string SessionWord(std::string_view word) {
    if (!word.empty() && word.find_first_of(" \t\r\n\"\\") == std::string_view::npos) {
        return std::string(word);
    }
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

}  // namespace session
