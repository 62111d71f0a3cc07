#pragma once

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"

namespace workflow {

class Msg;
class WorkflowManagerImpl;

// An interface that a manager hands out by type name (GetInternalInterface); it keeps its manager alive.
class WORKFLOW_API InternalInterface : public du::RefCounted {
public:
    InternalInterface(const InternalInterface& other);
    ~InternalInterface() override;
    virtual du::Symbol GetInterfaceType() const = 0;

protected:
    explicit InternalInterface(du::SmartPtr<WorkflowManagerImpl> manager);
    du::SmartPtr<WorkflowManagerImpl> GetManager() const;
    void AssignManager(const du::SmartPtr<WorkflowManagerImpl>& manager);

private:
    du::SmartPtr<WorkflowManagerImpl> manager_;
};

// Injects messages into a manager's workflows from other plug-ins. Only calls made on the manager's own
// thread dispatch; calls from any other thread are refused (false) and the message is dropped.
//
//     auto iface = du::DynamicPtrCast<workflow::MessageInterface>(
//         manager->GetInternalInterface(workflow::InterfaceTypes::Message));
//     iface->SendMessage(workflow::Msg(workflow::ConstStrings::MsgReset));
class WORKFLOW_API MessageInterface : public InternalInterface {
public:
    explicit MessageInterface(du::SmartPtr<WorkflowManagerImpl> manager);
    MessageInterface(const MessageInterface& other);
    MessageInterface& operator=(const MessageInterface& other);
    ~MessageInterface() override;

    du::Symbol GetInterfaceType() const override;
    // Any thread; dispatches only on the manager's thread. True when a workflow consumed the message.
    bool SendMessage(const Msg& message) const;
};

}  // namespace workflow
