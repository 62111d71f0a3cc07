#include "workflows/TraceLines.h"

namespace workflow::trace_lines {
namespace {

const char* Flag(bool value) {
    return value ? "\"true\" " : "\"false\" ";
}

}  // namespace

const du::Symbol& ModifierTag() {
    static const du::Symbol tag("simpleworkflow_MsgModifierKey");
    return tag;
}

std::string ModifierLine(bool control, bool shift, bool alt) {
    std::string line = "<";
    line += ModifierTag().View();
    line += " ctrl=";
    line += Flag(control);
    line += "shift=";
    line += Flag(shift);
    line += "alt=";
    line += Flag(alt);
    line += "/>";
    return line;
}

std::string KeyLine(const du::Symbol& name, const std::string& utf8Key, const du::Symbol& systemKey) {
    std::string line = "<";
    line += name.View();
    line += " utf8Key=\"";
    line += utf8Key;
    line += "\" systemKey=\"";
    line += systemKey.View();
    line += "\"/>";
    return line;
}

std::string MouseLine(const du::Symbol& name, int x, int y, short delta) {
    std::string line = "<";
    line += name.View();
    line += " mouseX=\"";
    line += std::to_string(x);
    line += "\" mouseY=\"";
    line += std::to_string(y);
    line += "\"";
    if (delta != 0) {
        line += " mouseDelta=\"";
        line += std::to_string(delta);
        line += "\"";
    }
    line += "/>";
    return line;
}

std::string PlainLine(const du::Symbol& name) {
    std::string line = "<";
    line += name.View();
    line += "/>";
    return line;
}

}  // namespace workflow::trace_lines
