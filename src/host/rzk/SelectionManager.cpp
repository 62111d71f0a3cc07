#include "rzk/SelectionManager.h"

#include <algorithm>

#include "rzk/EventValues.h"
#include "rzk/SelectionObserver.h"

namespace rzk {
namespace {

void PushItems(dom::MessageWriter& writer, const std::vector<du::SmartPtr<SelectionItem>>& items) {
    writer.PushUInt32Value(static_cast<std::uint32_t>(items.size()));
    for (const auto& item : items) {
        events::PushObject(writer, item);
    }
}

}  // namespace

SelectionManager::SelectionManager() : observers_(new ObserverRegistry) {}

// Selection observers have no detach callback: they simply hear nothing more.
SelectionManager::~SelectionManager() = default;

void SelectionManager::RegisterObserver(SelectionObserver& observer) {
    observers_->Register(observer);
}

void SelectionManager::UnregisterObserver(SelectionObserver& observer) {
    observers_->Unregister(observer);
}

std::size_t SelectionManager::GetObserverCount() const {
    return observers_->GetCount();
}

void SelectionManager::PostSelectionChanged(unsigned int listId, bool clear,
                                            const std::vector<du::SmartPtr<SelectionItem>>& removed,
                                            const std::vector<du::SmartPtr<SelectionItem>>& added) {
    observers_->Post(SelectionObserver::SELECTION_CHANGED, [&](dom::MessageWriter& writer) {
        writer.PushUInt32Value(listId);
        writer.PushBooleanValue(clear);
        PushItems(writer, removed);
        PushItems(writer, added);
    });
}

void SelectionManager::AddInstance(unsigned int id) {
    std::lock_guard hold(lock_);
    if (std::find(instances_.begin(), instances_.end(), id) == instances_.end()) {
        instances_.push_back(id);
    }
}

void SelectionManager::RemoveInstance(unsigned int id) {
    std::lock_guard hold(lock_);
    instances_.erase(std::remove(instances_.begin(), instances_.end(), id), instances_.end());
}

void SelectionManager::ClearInstances() {
    std::lock_guard hold(lock_);
    instances_.clear();
}

std::vector<unsigned int> SelectionManager::GetInstances() const {
    std::lock_guard hold(lock_);
    return instances_;
}

}  // namespace rzk
