#pragma once

#include <atomic>

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// The print preview of a view. A preview is out of date until the host has laid it out again after a
// change of the view; a new preview starts out of date.
class RZHOST_API PrintPreview : public virtual du::RefCounted {
public:
    // True when the preview shows the view as it is now. Any thread.
    bool IsUpToDate() const { return upToDate_.load(std::memory_order_relaxed); }
    // Any thread.
    void SetUpToDate(bool upToDate) { upToDate_.store(upToDate, std::memory_order_relaxed); }

private:
    std::atomic<bool> upToDate_{false};
};

}  // namespace rzk
