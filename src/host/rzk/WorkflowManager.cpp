#include "rzk/WorkflowManager.h"

namespace rzk {

ModuleThreadEnded::ModuleThreadEnded() : std::runtime_error("ProtocolError extracting return value") {}

ModuleThreadEnded::~ModuleThreadEnded() = default;

}  // namespace rzk
