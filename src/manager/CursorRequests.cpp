#include "manager/CursorRequests.h"

#include "rzk/WorkflowManager.h"

namespace workflow {

void CursorRequests::Set(unsigned int priority, const du::Symbol& cursor) {
    requests_.erase(priority);
    if (cursor.IsSet()) {
        requests_.emplace(priority, cursor);
    }
}

du::Symbol CursorRequests::Current() const {
    if (requests_.empty()) {
        return {};
    }
    const auto& [priority, cursor] = *requests_.rbegin();
    return priority == rzk::WorkflowManager::PTR_NONE ? du::Symbol() : cursor;
}

}  // namespace workflow
