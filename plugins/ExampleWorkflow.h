#pragma once

#include <sstream>
#include <string>

#include "du/TextData.h"
#include "workflows/SimpleWorkflow.h"

namespace examples {

// What the five example workflows share: each reports every message that reaches one of its handlers as
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
};

// A key as a handled-message report shows it: its text, control characters as \xNN, or the name of a key
// without text.
std::string DescribeKey(const std::string& utf8Key, const du::Symbol& systemKey);

}  // namespace examples
