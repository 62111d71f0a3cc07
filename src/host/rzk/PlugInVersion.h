#pragma once

namespace rzk {

// The version of the interface between a host and the workflow plug-in: the entry points, the host
// interfaces (rzk::WorkflowModule, rzk::WorkflowManager, the observers) and the messages that carry them.
// It changes whenever one of them does. The plug-in answers the version it was built with from its entry
// point RZDllGetVersion; a host refuses a plug-in that answers another one, or none:
//
//     auto version = reinterpret_cast<int (*)()>(dlsym(library, "RZDllGetVersion"));
//     if (!version || version() != rzk::PLUGIN_INTERFACE_VERSION) { /* built for another version */ }
inline constexpr int PLUGIN_INTERFACE_VERSION = 1;

}  // namespace rzk
