#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// Middle drag moves the model with the pointer, showing the "pan" cursor while the button is down.
class PanWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 110;

    PanWorkflow();

    bool OnMsgMouseInitMiddleDrag(int x, int y) override;
    bool OnMsgMouseMiddleDrag(int x, int y) override;
    bool OnMsgMouseMiddleUp(int x, int y) override;

private:
    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace examples
