#include "rzk/ObserverRegistry.h"

#include <algorithm>

#include "rzk/Observer.h"
#include "rzk/SelectionObserver.h"

namespace rzk {

ObserverRegistry::ObserverRegistry() = default;
ObserverRegistry::~ObserverRegistry() = default;

void ObserverRegistry::Register(Observer& observer, std::uint32_t) {
    observer.Unregister();
    const bool batches = observer.UsesUpdateBatches();
    Add(observer, batches);
    observer.registry_ = this;
}

void ObserverRegistry::Register(SelectionObserver& observer) {
    if (observer.registry_) {
        observer.registry_->Unregister(observer);
    }
    Add(observer, false);
    observer.registry_ = this;
}

void ObserverRegistry::Unregister(Observer& observer) {
    Remove(observer);
    if (observer.registry_.Get() == this) {
        observer.registry_ = nullptr;
    }
}

void ObserverRegistry::Unregister(SelectionObserver& observer) {
    Remove(observer);
    if (observer.registry_.Get() == this) {
        observer.registry_ = nullptr;
    }
}

void ObserverRegistry::DetachAll(unsigned char event) {
    std::lock_guard guard(lock_);
    for (const Entry& entry : entries_) {
        entry.observer->DeliverMessage(entry.observer->StartNewMessage(event).FinaliseMessage());
    }
    entries_.clear();
}

std::size_t ObserverRegistry::GetCount() const {
    std::lock_guard guard(lock_);
    return entries_.size();
}

bool ObserverRegistry::Contains(const dom::ManagedObject& observer) const {
    std::lock_guard guard(lock_);
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& entry) { return entry.observer == &observer; });
}

void ObserverRegistry::Add(dom::ManagedObject& observer, bool usesUpdateBatches) {
    std::lock_guard guard(lock_);
    entries_.push_back({&observer, usesUpdateBatches});
}

void ObserverRegistry::Remove(const dom::ManagedObject& observer) {
    std::lock_guard guard(lock_);
    std::erase_if(entries_, [&](const Entry& entry) { return entry.observer == &observer; });
}

}  // namespace rzk
