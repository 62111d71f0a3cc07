#include "messages/KeyMsg.h"

namespace workflow {

KeyMsg::KeyMsg(const du::Symbol& name, const du::Symbol& systemKey, bool control, bool shift, bool alt)
    : Msg(name), systemKey_(systemKey), control_(control), shift_(shift), alt_(alt) {}

KeyMsg::KeyMsg(const du::Symbol& name, const std::string& utf8Key, bool control, bool shift, bool alt)
    : Msg(name),
      utf8Key_(utf8Key),
      systemKey_(du::Symbol::EMPTY),
      control_(control),
      shift_(shift),
      alt_(alt) {}

KeyMsg::KeyMsg(const du::Symbol& name, char key, bool control, bool shift, bool alt)
    : Msg(name),
      utf8Key_(key == 0 ? std::string() : std::string(1, key)),
      systemKey_(du::Symbol::EMPTY),
      control_(control),
      shift_(shift),
      alt_(alt) {}

KeyMsg::KeyMsg(const KeyMsg& other) = default;
KeyMsg::KeyMsg(KeyMsg&& other) noexcept = default;
KeyMsg& KeyMsg::operator=(const KeyMsg& other) = default;
KeyMsg& KeyMsg::operator=(KeyMsg&& other) noexcept = default;
KeyMsg::~KeyMsg() = default;

}  // namespace workflow
