#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "messages/Msg.h"
#include "workflows/Workflow.h"

namespace workflow {
class TouchMsg;
}

namespace testing_support {

// Every value of a touch message, read through its own getter, in the constructor's order: code, count,
// then id, x, y, time and flag of points 1 to 10.
std::array<int, 52> TouchValues(const workflow::TouchMsg& touch);

// One line for a message: its name and, for the class the name implies, its payload, so that tests can
// compare whole sequences: "MsgMouseLeftDown(10,10)", "MsgMouseWheel(3,4,-120)", "MsgKeyPress(a,ctrl)",
// "MsgModifierKey(ctrl,shift)", "MsgTimer(20,10)", "MsgWindowSize(640,480)", "MsgMotionEvent(1,2,3,4,5,6)",
// "MsgTouch(v1,...,v52)", "MsgSetMode(workflow,mode,object|null,number)",
// "MsgSelectionChanged(list,clear|keep,-removed,+added)", "MsgMoveShapeInstance(3)" (the instance
// count); any other message: its name alone.
std::string DescribeMessage(const workflow::Msg& message);

// A workflow that consumes nothing and records every message it is offered, described as above.
class MessageLog : public workflow::Workflow {
public:
    explicit MessageLog(unsigned int priority = 100);

    bool HandleMsg(const workflow::Msg& message) override;

    // Runs for every message after it is recorded (to react in the middle of a dispatch).
    std::function<void(const workflow::Msg&)> onMessage;

    // The recorded lines except the status passes ("MsgUpdateStatusBar"); forgets every line.
    std::vector<std::string> TakeInput();
    // Status passes among the recorded lines, which stay recorded.
    int CountStatusPasses() const;
    std::vector<std::string> lines;
};

}  // namespace testing_support
