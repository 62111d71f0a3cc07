#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// Box selection: Shift and a left drag pull a rubber band (a rectangle in the scene's annotations) from the
// press point to the pointer; on release the shape instances drawn inside it become the selection (as the
// view's region picker answers, else by the grid of SelectWorkflow::InstanceAt). Escape during the drag
// cancels it and leaves the selection alone. It sits above orbit, so the shifted drag never turns the
// camera; without Shift it lets the drag pass.
class BoxSelectWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 140;

    BoxSelectWorkflow();

    void OnRemove() override;
    bool OnMsgMouseInitLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftUp(int x, int y) override;
    bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) override;

private:
    void ShowBand(int x, int y);
    void EndBand();

    bool dragging_ = false;
    int fromX_ = 0;
    int fromY_ = 0;
    du::SmartPtr<rzk::Annotation> band_;
};

}  // namespace examples
