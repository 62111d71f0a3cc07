#pragma once

#include "du/Symbol.h"
#include "messages/Export.h"

namespace workflow {

// The base of every message: its name, which also tells a receiver which message class it holds.
// Messages are plain values built on the sender's stack and passed by const reference; there is no
// virtual function, so a receiver that has matched the name treats the object as the class the name implies:
//
//     if (message.GetName() == workflow::ConstStrings::MsgMouseWheel) {
//         const auto& wheel = static_cast<const workflow::MouseMsg&>(message);
//         Zoom(wheel.GetDelta());
//     }
//
// Threads: a message is a value any thread may build, copy and read; the manager dispatches it on its own
// thread, and a receiver must not keep a reference to it past the handler (copy it instead).
class WORKFLOW_API Msg {
public:
    Msg(const du::Symbol& name = du::Symbol::EMPTY);
    Msg(const Msg& other);
    // Leaves the source without a name (unset, not EMPTY), so it matches no message name any more.
    Msg(Msg&& other) noexcept;
    Msg& operator=(const Msg& other);
    // Copies the name: the source keeps its name.
    Msg& operator=(Msg&& other) noexcept;
    ~Msg();

    const du::Symbol& GetName() const { return name_; }
    // Lets a sender resend one payload under another name.
    void SetName(const du::Symbol& name) { name_ = name; }

private:
    du::Symbol name_;
};

}  // namespace workflow
