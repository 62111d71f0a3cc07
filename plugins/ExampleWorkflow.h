#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "du/TextData.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "workflows/SimpleWorkflow.h"
#include "workflows/TouchGestures.h"

namespace examples {

// What the example workflows share: each reports every message that reaches one of its handlers as
// the notification "handled", whose data is the message written as a call, "MsgMouseLeftDown(10,20)", so
// that a host can show what happened inside. A workflow of your own needs none of this.
class ExampleWorkflow : public workflow::SimpleWorkflow {
public:
    ExampleWorkflow(const du::Symbol& name, unsigned int priority) : SimpleWorkflow(name) {
        SetPriority(priority);
    }

    // Touch reaches the examples as two-finger gestures (OnGesture); the event itself is left to the
    // workflows below, which may follow another part of the same gesture.
    bool OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1, int id2,
                    int x2, int y2, int time2, int flag2, int id3, int x3, int y3, int time3, int flag3,
                    int id4, int x4, int y4, int time4, int flag4, int id5, int x5, int y5, int time5,
                    int flag5, int id6, int x6, int y6, int time6, int flag6, int id7, int x7, int y7,
                    int time7, int flag7, int id8, int x8, int y8, int time8, int flag8, int id9, int x9,
                    int y9, int time9, int flag9, int id10, int x10, int y10, int time10,
                    int flag10) override;

protected:
    using Gesture = workflow::TouchGestures::Gesture;
    using Phase = workflow::TouchGestures::Phase;
    // A workflow that lists MsgTouch gets each change of a two-finger gesture here.
    virtual void OnGesture(const Gesture&) {}

    template <class... Values>
    void Handled(const char* message, const Values&... values) {
        std::ostringstream text;
        text << message << '(';
        [[maybe_unused]] const char* separator = "";
        ((text << separator << values, separator = ","), ...);
        text << ')';
        SendNotification("handled", 0, du::SmartPtr<du::RefCounted>(new du::TextData(text.str())));
    }

    // Where a workflow puts what it draws over the model (rzk::DrawnAnnotation); null when the view's
    // scene has none.
    du::SmartPtr<rzk::AnnoSet> GetAnnotations() const {
        du::SmartPtr<rzk::AnnoSet> annotations;
        if (GetScene()) {
            GetScene()->GetAnnoSet(annotations);
        }
        return annotations;
    }

private:
    workflow::TouchGestures touch_;
};

// The colour of the examples' drawn feedback (0xAARRGGBB): yellow.
constexpr std::uint32_t FEEDBACK_COLOR = 0xffffe040;

// A key as a handled-message report shows it: its text, control characters as \xNN, or the name of a key
// without text.
std::string DescribeKey(const std::string& utf8Key, const du::Symbol& systemKey);

}  // namespace examples
