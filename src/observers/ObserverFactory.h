#pragma once

#include "manager/ManagerParts.h"

namespace workflow {

// The observer layer's part of every manager: the host observers of its view, its animation events and the
// animation module lookup. One object for the process, never destroyed before the managers. Any thread.
const ManagerObserverFactory& ViewObserverFactory();

}  // namespace workflow
