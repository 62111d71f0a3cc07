#pragma once

#include <cstdint>
#include <mutex>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "remote/WorkflowModule.h"

namespace rzk {
class View;
class WorkflowManager;
}  // namespace rzk

namespace workflow {

// The module's side of its remote interface: makes one manager per view and hands it to the module's own
// queue, so that every manager and its observers run on the module thread. It keeps no list of what it
// made: managers belong to the references their callers hold and to the queue.
class WorkflowModuleImpl : public virtual WorkflowModule, public virtual dom::ManagedObject {
public:
    WorkflowModuleImpl();
    ~WorkflowModuleImpl() override;

    // A new manager for view, given the view and managed by this module's queue. Module thread only.
    du::SmartPtr<rzk::WorkflowManager> CreateManager(const du::SmartPtr<rzk::View>& view) override;

    // --- dom::ManagedObject: the remote interface's reflection answers. Any thread.
    std::int16_t BaseClassOffsetByName(const du::Symbol& className) const override;
    int GetBaseClassCount() const override;
    std::int16_t GetBaseClassParent(int index) const override;
    du::Symbol GetBaseClass(int index) const override;

    // --- dom::ManagedObject. Queue thread only.
    // Decodes the host's calls arriving through the module proxy.
    void HandleMessage(const dom::MessagePtr& message) override;
    void HandleTimeoutEvent(std::int64_t now) override;
    void OnManage() override;
};

// The library's module object, made and owned by the module thread; it registers under its actor name.
class WorkflowModuleThread : public WorkflowModuleImpl {
public:
    WorkflowModuleThread();
    ~WorkflowModuleThread() override;

    // "Workflow Manager For Process <pid>", built by the first caller and kept. Any thread: the module
    // thread's start-up step and a host thread asking for the component may both be first.
    const du::Symbol& GetActorName() const;

private:
    mutable std::once_flag actorNameBuilt_;
    mutable du::Symbol actorName_;
};

}  // namespace workflow
