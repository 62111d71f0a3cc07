#pragma once

#include <cstdint>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "rzk/WorkflowModule.h"

namespace workflow {

// The module's remote-interface class: the common base of the host-side module proxy and of the module
// object on the module thread. It sits here rather than with the module because the proxy, which the
// module's layer is built on, derives from it. Addressed through interface index 0 (this class) or 1 (the
// host interface); both tables hold CreateManager under tag 0.
class WorkflowModule : public virtual rzk::WorkflowModule, public virtual du::RefCounted {
public:
    // Any thread.
    static const du::Symbol& GetClassName();

    // Asked through this class the index is 0; asked through the host interface it stays 1. Any thread.
    using rzk::WorkflowModule::GetInterfaceIndex;
    int GetInterfaceIndex(int) { return 0; }

    // The reflection answers that every module object, proxy or not, gives through its dom::ManagedObject
    // part. Any thread.
    static std::int16_t OffsetOfClass(const du::Symbol& className);
    static constexpr int BASE_CLASS_COUNT = 2;
    static std::int16_t ParentOfBaseClass(int index) { return index == 1 ? 0 : -1; }
    static du::Symbol BaseClassAt(int index);
};

inline const du::Symbol& WorkflowModule::GetClassName() {
    static const du::Symbol name("workflow::WorkflowModule");
    return name;
}

inline std::int16_t WorkflowModule::OffsetOfClass(const du::Symbol& className) {
    static const du::Symbol hostName = rzk::WorkflowModule::GetClassName();
    return className == GetClassName() ? 0 : className == hostName ? 1 : -1;
}

inline du::Symbol WorkflowModule::BaseClassAt(int index) {
    static const du::Symbol hostName = rzk::WorkflowModule::GetClassName();
    return index == 0 ? GetClassName() : index == 1 ? hostName : du::Symbol::EMPTY;
}

}  // namespace workflow
