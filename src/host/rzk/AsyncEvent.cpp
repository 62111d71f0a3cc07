#include "rzk/AsyncEvent.h"

#include "du/SmartPtr.h"

namespace rzk {

BaseAsyncEvent::BaseAsyncEvent(bool runOnCompleteInTask) : runOnCompleteInTask_(runOnCompleteInTask) {}

BaseAsyncEvent::~BaseAsyncEvent() = default;

bool BaseAsyncEvent::End(const std::string* error) {
    int expected = PENDING;
    if (!state_.compare_exchange_strong(expected, COMPLETED)) {
        return false;
    }
    if (error) {
        std::lock_guard guard(errorLock_);
        error_ = *error;
    }
    if (!RunOnCompleteInTask()) {
        RunCompletion();
        return true;
    }
    // Not managed yet: the message comes back, and OnManage runs the completion instead.
    DeliverMessage(StartNewMessage(COMPLETE).FinaliseMessage());
    return true;
}

bool BaseAsyncEvent::Complete() {
    return End(nullptr);
}

bool BaseAsyncEvent::CompleteWithError(const std::string& error) {
    return End(&error);
}

bool BaseAsyncEvent::Cancel() {
    int expected = PENDING;
    if (!state_.compare_exchange_strong(expected, CANCELLED)) {
        expected = COMPLETED;
        if (!state_.compare_exchange_strong(expected, CANCELLED)) {
            return false;
        }
    }
    // Done for good, as after a completion: the queue lets the event go, so that a program cancelling many
    // events does not keep them all.
    if (RunOnCompleteInTask()) {
        Unmanage();
    }
    return true;
}

void BaseAsyncEvent::Progress(int percent) {
    if (!IsPending()) {
        return;
    }
    dom::MessageWriter writer = StartNewMessage(PROGRESS);
    writer.PushInt32Value(percent);
    DeliverMessage(writer.FinaliseMessage());
}

void BaseAsyncEvent::Status(const std::string& text) {
    if (!IsPending()) {
        return;
    }
    dom::MessageWriter writer = StartNewMessage(STATUS);
    writer.PushStringValue(du::Symbol::Transient(text));  // a progress text: not worth interning
    DeliverMessage(writer.FinaliseMessage());
}

bool BaseAsyncEvent::IsPending() const {
    return state_.load() == PENDING;
}

bool BaseAsyncEvent::IsCompleted() const {
    const int state = state_.load();
    return state == COMPLETED || state == DELIVERED;
}

bool BaseAsyncEvent::IsCancelled() const {
    return state_.load() == CANCELLED;
}

std::string BaseAsyncEvent::GetError() const {
    std::lock_guard guard(errorLock_);
    return error_;
}

void BaseAsyncEvent::OnComplete() {}

void BaseAsyncEvent::OnProgress(int) {}

void BaseAsyncEvent::OnStatus(const du::Symbol&) {}

void BaseAsyncEvent::OnManage() {
    if (RunOnCompleteInTask()) {
        RunCompletion();
    }
}

void BaseAsyncEvent::RunCompletion() {
    int expected = COMPLETED;
    if (!state_.compare_exchange_strong(expected, DELIVERED)) {
        return;
    }
    OnComplete();
    if (RunOnCompleteInTask()) {
        Unmanage();
    }
}

bool BaseAsyncEvent::HandleEvent(unsigned char event, dom::MessageReader& reader) {
    switch (event) {
        case COMPLETE:
            RunCompletion();
            return true;
        case PROGRESS: {
            std::int32_t percent = 0;
            if (!reader.GetInt32Value(percent)) {
                return false;
            }
            OnProgress(percent);
            return true;
        }
        case STATUS: {
            du::Symbol text;
            if (!reader.GetStringValue(text)) {
                return false;
            }
            OnStatus(text);
            return true;
        }
        default:
            return false;
    }
}

bool BaseAsyncEvent::EventHandler(unsigned char event, dom::MessageReader& reader) {
    if (IsCancelled()) {
        return true;
    }
    return HandleEvent(event, reader);
}

bool BaseAsyncEvent::RunOnCompleteInTask() const {
    return runOnCompleteInTask_;
}

void BaseAsyncEvent::HandleMessage(const dom::MessagePtr& message) {
    du::SmartPtr<BaseAsyncEvent> self(this);
    dom::MessageReader reader(message);
    if (!EventHandler(static_cast<unsigned char>(message->GetTag()), reader)) {
        dom::PrepMessageForReturnBadTag(message);
    }
}

AsyncEvent::AsyncEvent(bool runOnCompleteInTask) : BaseAsyncEvent(runOnCompleteInTask) {}

AsyncEvent::~AsyncEvent() = default;

}  // namespace rzk
