#include "rzk/SelectionObserver.h"

#include <cstdint>
#include <utility>

#include "rzk/EventValues.h"

namespace rzk {
namespace {

bool ReadItems(dom::MessageReader& reader, SelectionObserver::ItemList& items) {
    std::uint32_t count = 0;
    if (!reader.GetUInt32Value(count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        du::SmartPtr<SelectionItem> item;
        if (!events::ReadObject(reader, item)) {
            return false;
        }
        items.push_back(std::move(item));
    }
    return true;
}

}  // namespace

SelectionObserver::SelectionObserver() = default;

SelectionObserver::~SelectionObserver() {
    if (du::SmartPtr<ObserverRegistry> registry = registry_) {
        registry->Unregister(*this);
    }
}

void SelectionObserver::OnSelectionChanged(unsigned int, bool, const ItemList&, const ItemList&) {}

void SelectionObserver::HandleMessage(const dom::MessagePtr& message) {
    du::SmartPtr<SelectionObserver> self(this);
    dom::MessageReader reader(message);
    std::uint32_t listId = 0;
    bool clear = false;
    ItemList removed;
    ItemList added;
    if (message->GetTag() != SELECTION_CHANGED || !reader.GetUInt32Value(listId) ||
        !reader.GetBooleanValue(clear) || !ReadItems(reader, removed) || !ReadItems(reader, added)) {
        dom::PrepMessageForReturnBadTag(message);
        return;
    }
    OnSelectionChanged(listId, clear, removed, added);
}

}  // namespace rzk
