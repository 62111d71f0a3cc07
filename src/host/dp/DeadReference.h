#pragma once

#include <stdexcept>
#include <string>

#include "du/HostExport.h"

namespace dp {

// Raised when a process-wide singleton is reached after it has been destroyed (during static teardown).
class RZHOST_API DeadReference : public std::runtime_error {
public:
    explicit DeadReference(const std::string& what) : std::runtime_error(what) {}
    ~DeadReference() override;
};

}  // namespace dp
