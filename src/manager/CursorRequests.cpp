#include "manager/CursorRequests.h"

#include "rzk/WorkflowManager.h"

namespace workflow {

void CursorRequests::Set(unsigned int priority, const du::Symbol& cursor) {
    auto request = requests_.find(priority);
    if (cursor.IsNull()) {
        if (request != requests_.end()) {
            requests_.erase(request);
        }
    } else if (request != requests_.end()) {
        request->second = cursor;  // a repeated request allocates nothing
    } else {
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
