#include "messages/KeyMsg.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace workflow {
namespace {

// The key messages alive in the process. Messages have no virtual functions, so this is how a receiver that
// is handed any Msg can tell whether it really is a KeyMsg before reading a key from it. Key messages are
// rare (one per key stroke), so one lock per construction and destruction costs nothing that matters.
class LiveKeyMessages {
public:
    void Add(const KeyMsg* message) noexcept {
        std::lock_guard<std::mutex> hold(lock_);
        try {
            live_.push_back(message);
        } catch (...) {
            // Out of memory: the message is then simply not recognised as a key message.
        }
    }
    void Remove(const KeyMsg* message) noexcept {
        std::lock_guard<std::mutex> hold(lock_);
        // Messages live on their senders' stacks, so the newest is the likeliest to go.
        auto found = std::find(live_.rbegin(), live_.rend(), message);
        if (found != live_.rend()) {
            live_.erase(std::next(found).base());
        }
    }
    bool Contains(const Msg* message) const noexcept {
        std::lock_guard<std::mutex> hold(lock_);
        return std::find(live_.rbegin(), live_.rend(), message) != live_.rend();
    }

private:
    mutable std::mutex lock_;
    std::vector<const Msg*> live_;
};

// Never destroyed: key messages with static storage may outlive any other static.
LiveKeyMessages& Live() {
    static LiveKeyMessages* const live = new LiveKeyMessages;
    return *live;
}

}  // namespace

KeyMsg::KeyMsg(const du::Symbol& name, const du::Symbol& systemKey, bool control, bool shift, bool alt)
    : Msg(name), systemKey_(systemKey), control_(control), shift_(shift), alt_(alt) {
    Live().Add(this);
}

KeyMsg::KeyMsg(const du::Symbol& name, const std::string& utf8Key, bool control, bool shift, bool alt)
    : Msg(name),
      utf8Key_(utf8Key),
      systemKey_(du::Symbol::EMPTY),
      control_(control),
      shift_(shift),
      alt_(alt) {
    Live().Add(this);
}

KeyMsg::KeyMsg(const du::Symbol& name, char key, bool control, bool shift, bool alt)
    : Msg(name),
      utf8Key_(key == 0 ? std::string() : std::string(1, key)),
      systemKey_(du::Symbol::EMPTY),
      control_(control),
      shift_(shift),
      alt_(alt) {
    Live().Add(this);
}

KeyMsg::KeyMsg(const KeyMsg& other)
    : Msg(other),
      utf8Key_(other.utf8Key_),
      systemKey_(other.systemKey_),
      control_(other.control_),
      shift_(other.shift_),
      alt_(other.alt_) {
    Live().Add(this);
}

KeyMsg::KeyMsg(KeyMsg&& other) noexcept
    : Msg(std::move(other)),
      utf8Key_(std::move(other.utf8Key_)),
      systemKey_(std::move(other.systemKey_)),
      control_(other.control_),
      shift_(other.shift_),
      alt_(other.alt_) {
    Live().Add(this);
}

KeyMsg& KeyMsg::operator=(const KeyMsg& other) = default;
KeyMsg& KeyMsg::operator=(KeyMsg&& other) noexcept = default;

KeyMsg::~KeyMsg() {
    Live().Remove(this);
}

bool KeyMsg::IsKeyMsg(const Msg& message) {
    return Live().Contains(&message);
}

}  // namespace workflow
