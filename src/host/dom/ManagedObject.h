#pragma once

#include <cstdint>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom {

class GenericMessageQueue;
class Message;
class MessageWriter;
using MessagePtr = du::SmartPtr<Message>;

// An actor: an object bound to one message queue. All its callbacks (HandleMessage, HandleTimeoutEvent,
// HandleOnIdleEvent, OnManage) run on that queue's thread, one at a time.
class RZHOST_API ManagedObject : public virtual du::RefCounted {
public:
    ManagedObject();
    ~ManagedObject() override;

    // Reflection, in the host's slot order. The defaults describe a class with no remote interface.
    virtual std::int16_t BaseClassOffsetByName(const du::Symbol& className) const;
    virtual int GetBaseClassCount() const;
    virtual std::int16_t GetBaseClassParent(int index) const;
    virtual du::Symbol GetBaseClass(int index) const;
    virtual du::Symbol GetObjectClass() const;
    // Queue-thread callbacks.
    virtual void HandleMessage(const MessagePtr& message);
    virtual void HandleTimeoutEvent(std::int64_t now);
    virtual void HandleOnIdleEvent();
    virtual void OnManage();

    // Binds this object to queue under name (found by GetDistinguishedObject). Any thread.
    bool ManageSelf(const du::SmartPtr<GenericMessageQueue>& queue, const du::Symbol& name, int scope);
    // Binds object to this object's queue; object->OnManage() then runs on the queue thread. False when
    // this object is not managed or object is null. Any thread.
    bool ManageObject(const du::SmartPtr<ManagedObject>& object);
    // True when the calling thread is the one running this object's queue. Any thread.
    bool IsManagedByCurrentThread() const;

private:
    GenericMessageQueue* queue_ = nullptr;
};

}  // namespace dom
