#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// A temporary tool: press the left button, move, release, and it measures the distance in pixels, shows
// "distance <d>" in status field 2 and sends the notification "distance" (value: the rounded distance,
// data: the distance with one decimal). It sits above the static workflows, so an Escape that nobody
// consumes dismisses it; a right click ends it too. While measuring it claims every mouse move, so that no
// workflow above it can take them; the "cross" cursor shows as long as it is installed. While the button is
// down it draws the measured line and its length in the scene's annotations, and takes them away when the
// button comes up or the tool ends.
class MeasureWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 2000;

    MeasureWorkflow();

    void OnAdd() override;
    void OnRemove() override;
    bool OnMsgMouseLeftDown(int x, int y) override;
    bool OnMsgMouseMove(int x, int y) override;
    bool OnMsgMouseInitLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftDrag(int x, int y) override;
    bool OnMsgClickLeft(int x, int y) override;
    bool OnMsgMouseLeftUp(int x, int y) override;
    bool OnMsgClickRight(int x, int y) override;
    bool OnMsgUpdateStatusBar() override;

private:
    double Distance() const;
    void ShowMeasurement();
    void HideMeasurement();

    bool measuring_ = false;
    bool measured_ = false;
    int fromX_ = 0;
    int fromY_ = 0;
    int toX_ = 0;
    int toY_ = 0;
    du::SmartPtr<rzk::Annotation> line_;
    du::SmartPtr<rzk::Annotation> label_;
};

}  // namespace examples
