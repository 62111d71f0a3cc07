#pragma once

// The installed host kit's plug-in loading, under the names the project's hosts use.
#include "hostkit/PlugIn.h"

namespace apps {

using hostkit::CreateComponentFunction;
using hostkit::InitFunction;
using hostkit::LoadWorkflowPlugIns;
using hostkit::MakeView;
using hostkit::PlugIn;
using hostkit::TerminateFunction;

}  // namespace apps
