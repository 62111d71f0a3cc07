#include "rzk/Observer.h"

namespace rzk {

Observer::Observer() = default;

Observer::~Observer() {
    Unregister();
}

void Observer::Unregister() {
    if (du::SmartPtr<ObserverRegistry> registry = registry_) {
        registry->Unregister(*this);
    }
}

bool Observer::IsRegistered() const {
    return registry_ && registry_->Contains(*this);
}

bool Observer::EventHandler(unsigned char event, dom::MessageReader&) {
    switch (event) {
        case DETACH_SUBJECT:
            DetachSubject();
            return true;
        case BEGIN_UPDATE:
            OnBeginUpdate();
            return true;
        case END_UPDATE:
            OnEndUpdate();
            return true;
        default:
            return false;
    }
}

bool Observer::UsesUpdateBatches() {
    return false;
}

void Observer::DetachSubject() {
    Unregister();
}

void Observer::OnBeginUpdate() {}

void Observer::OnEndUpdate() {}

void Observer::DetachManager() {}

void Observer::HandleMessage(const dom::MessagePtr& message) {
    du::SmartPtr<Observer> self(this);
    dom::MessageReader reader(message);
    if (!EventHandler(static_cast<unsigned char>(message->GetTag()), reader)) {
        dom::PrepMessageForReturnBadTag(message);
    }
}

}  // namespace rzk
