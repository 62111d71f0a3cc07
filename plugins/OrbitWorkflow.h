#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// Left drag turns the camera around the model: a pixel across is a degree of yaw, a pixel down a degree
// of pitch (times the speed set by the mode message "speed"). Shows "yaw <y> pitch <p>" in status field 0
// and the "rotate" cursor while the button is down.
class OrbitWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 100;

    OrbitWorkflow();

    bool OnMsgMouseInitLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftUp(int x, int y) override;
    bool OnMsgUpdateStatusBar() override;
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;

private:
    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int speed_ = 1;
};

}  // namespace examples
