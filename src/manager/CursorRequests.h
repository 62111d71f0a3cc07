#pragma once

#include <map>

#include "du/Symbol.h"

namespace workflow {

// The cursor each priority asks for; the request of the highest priority wins.
class CursorRequests {
public:
    // Replaces the request at priority; an unset cursor withdraws it.
    void Set(unsigned int priority, const du::Symbol& cursor);
    // The winning cursor: unset when there is no request, or when the highest one is at PTR_NONE.
    du::Symbol Current() const;

private:
    std::map<unsigned int, du::Symbol> requests_;  // ascending priority
};

}  // namespace workflow
