#pragma once

#include <string>

#include "du/Symbol.h"

namespace workflow {

// The trace lines a simple workflow writes for the input it routes: one empty XML element per message,
// written without escaping. The modifier line carries the "simpleworkflow_" prefix so that replaying it
// restores the modifier state without calling the handler.
namespace trace_lines {

// The tag of the modifier line: "simpleworkflow_MsgModifierKey".
const du::Symbol& ModifierTag();

// <simpleworkflow_MsgModifierKey ctrl="true" shift="false" alt="false" />
std::string ModifierLine(bool control, bool shift, bool alt);
// <MsgKeyPress utf8Key="a" systemKey=""/>
std::string KeyLine(const du::Symbol& name, const std::string& utf8Key, const du::Symbol& systemKey);
// <MsgMouseWheel mouseX="40" mouseY="12" mouseDelta="-120"/>; the delta only when it is not 0.
std::string MouseLine(const du::Symbol& name, int x, int y, short delta);
// <MsgMouseLeave/>
std::string PlainLine(const du::Symbol& name);

}  // namespace trace_lines
}  // namespace workflow
