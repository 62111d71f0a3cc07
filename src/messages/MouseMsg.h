#pragma once

#include "du/Symbol.h"
#include "messages/Export.h"
#include "messages/Msg.h"

namespace workflow {

// A mouse button, click, drag, move or wheel event at a window position; delta is set only for
// "MsgMouseWheel". Threads: a value, as every message (see Msg).
class WORKFLOW_API MouseMsg : public Msg {
public:
    MouseMsg(const du::Symbol& name = du::Symbol::EMPTY, int x = 0, int y = 0, short delta = 0);
    MouseMsg(const MouseMsg& other);
    MouseMsg(MouseMsg&& other) noexcept;
    MouseMsg& operator=(const MouseMsg& other);
    MouseMsg& operator=(MouseMsg&& other) noexcept;
    ~MouseMsg();

    int GetX() const { return x_; }
    int GetY() const { return y_; }
    short GetDelta() const { return delta_; }
    void SetMouseXY(int x, int y) {
        x_ = x;
        y_ = y;
    }
    void SetMouseDelta(short delta) { delta_ = delta; }

private:
    int x_;
    int y_;
    short delta_;
};

}  // namespace workflow
