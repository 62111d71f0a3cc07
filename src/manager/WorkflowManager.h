#pragma once

#include <cstdint>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "rzk/WorkflowManager.h"

namespace workflow {

// The manager's remote-interface class: the common base of the host-side proxy and of the implementation.
// It is the manager's published face, so it sits with the manager and below the code that carries its
// calls across threads. An object is addressed through interface index 0 (this class) or 1 (the host
// interface); both hold the same operations under the same tags:
//
//     du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(view);   // a proxy on host threads
//     manager->AddWorkflowAtPriority("navigator", 5, true);                       // one-way, tag 5
//     du::Symbol name = manager->FindWorkflow(5);                                 // waits for the reply
class WorkflowManager : public virtual rzk::WorkflowManager, public virtual du::RefCounted {
public:
    // Any thread.
    static const du::Symbol& GetClassName();

    // Asked through this class the index is 0; asked through the host interface it stays 1. Any thread.
    using rzk::WorkflowManager::GetInterfaceIndex;
    int GetInterfaceIndex(int) { return 0; }

    // The reflection answers that every concrete manager, proxy or implementation, gives through its
    // dom::ManagedObject part. Any thread.
    static std::int16_t OffsetOfClass(const du::Symbol& className);
    static constexpr int BASE_CLASS_COUNT = 2;
    static std::int16_t ParentOfBaseClass(int index) { return index == 1 ? 0 : -1; }
    static du::Symbol BaseClassAt(int index);
};

inline const du::Symbol& WorkflowManager::GetClassName() {
    static const du::Symbol name("workflow::WorkflowManager");
    return name;
}

inline std::int16_t WorkflowManager::OffsetOfClass(const du::Symbol& className) {
    static const du::Symbol hostName = rzk::WorkflowManager::GetClassName();
    return className == GetClassName() ? 0 : className == hostName ? 1 : -1;
}

inline du::Symbol WorkflowManager::BaseClassAt(int index) {
    static const du::Symbol hostName = rzk::WorkflowManager::GetClassName();
    return index == 0 ? GetClassName() : index == 1 ? hostName : du::Symbol::EMPTY;
}

}  // namespace workflow
