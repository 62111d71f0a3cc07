#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "du/TextData.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "workflows/SimpleWorkflow.h"

namespace examples {

// What the example workflows share: each reports every message that reaches one of its handlers as
// the notification "handled", whose data is the message written as a call, "MsgMouseLeftDown(10,20)", so
// that a host can show what happened inside. A workflow of your own needs none of this.
class ExampleWorkflow : public workflow::SimpleWorkflow {
public:
    ExampleWorkflow(const du::Symbol& name, unsigned int priority) : SimpleWorkflow(name) {
        SetPriority(priority);
    }

protected:
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
};

// The colour of the examples' drawn feedback (0xAARRGGBB): yellow.
constexpr std::uint32_t FEEDBACK_COLOR = 0xffffe040;

// A key as a handled-message report shows it: its text, control characters as \xNN, or the name of a key
// without text.
std::string DescribeKey(const std::string& utf8Key, const du::Symbol& systemKey);

}  // namespace examples
