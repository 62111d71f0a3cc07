#pragma once

#include "ExampleWorkflow.h"
#include "animation/Engine.h"
#include "du/SmartPtr.h"

namespace examples {

// The wheel zooms: each notch towards the user (-120) multiplies the zoom by 1.1, each notch away divides
// it; "+" and "-" do the same from the keyboard and "f" frames the selection, or everything when nothing is
// selected (where the host answers where things are drawn: rzk::View::GetInstanceBounds). Shows "zoom <z>" in
// status field 1. When the host has an animation engine, each change plays a short animation, which any press
// or wheel turn interrupts. A two-finger pinch zooms by how far the fingers spread.
class ZoomWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 120;

    ZoomWorkflow();

    bool OnMsgMouseWheel(int x, int y, short delta) override;
    bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) override;
    bool OnMsgUpdateStatusBar() override;
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;
    bool OnMsgAnimationFinished() override;

protected:
    void OnGesture(const Gesture& gesture) override;

private:
    void ZoomTo(double zoom);
    void Fit();

    // The host's animation engine, asked for once: a lookup that fails may have waited seconds for an
    // animation module that never appears, so it is not repeated on every notch.
    bool engineAsked_ = false;
    du::SmartPtr<animation::Engine> engine_;
    double pinchStart_ = 1.0;  // the zoom when the pinch began
};

}  // namespace examples
