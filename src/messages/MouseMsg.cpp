#include "messages/MouseMsg.h"

namespace workflow {

MouseMsg::MouseMsg(const du::Symbol& name, int x, int y, short delta)
    : Msg(name), x_(x), y_(y), delta_(delta) {}

MouseMsg::MouseMsg(const MouseMsg& other) = default;
MouseMsg::MouseMsg(MouseMsg&& other) noexcept = default;
MouseMsg& MouseMsg::operator=(const MouseMsg& other) = default;
MouseMsg& MouseMsg::operator=(MouseMsg&& other) noexcept = default;
MouseMsg::~MouseMsg() = default;

}  // namespace workflow
