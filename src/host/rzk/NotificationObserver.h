#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

// The host's receiver of workflow notifications and trace lines.
class RZHOST_API NotificationObserver : public virtual du::RefCounted {
public:
    static du::Symbol GetClassName() { return "rzk::NotificationObserver"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    virtual void OnRegistered() = 0;
    virtual void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                                const du::SmartPtr<du::RefCounted>& data) = 0;
};

}  // namespace rzk
