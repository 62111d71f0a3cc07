#pragma once

#include <string>

#include "du/SmartPtr.h"
#include "messages/Export.h"
#include "rzk/ActiveModule.h"

// The plug-in's entry points, found by name by a host that loads the library:
//
//     void* library = dlopen("libworkflow.so", RTLD_NOW);
//     auto init = reinterpret_cast<bool (*)()>(dlsym(library, "RZDllInit"));
//     init();                                         // the module thread runs
//     du::SmartPtr<rzk::ActiveModule> record;
//     createComponent("shapeview", "navigator", "workflow", record);
//     auto module = dom::GetDistinguishedObject("rzk::WorkflowModule", record->GetActorName(), 1000);
//     ...
//     terminate();                                    // the thread is stopped and joined
extern "C" {

// Starts the module thread; true when it started. The module is registered under its actor name before
// this returns. Any thread; call once before the others.
WORKFLOW_API bool RZDllInit();

// Accepts the "navigator" component of library "workflow" for 3D, image and 2D drawing views and for the
// view types "schematicfigureview", "ecadschematicview", "ecadpcbview", "illustrationview" and
// "illustration2dview" (exact, case-sensitive comparisons): out then receives a record naming the module's
// actor and the answer is true. Anything else answers false and leaves out alone. Any thread, between
// RZDllInit and RZDllTerminate.
WORKFLOW_API bool RZDllCreateComponent(const std::string& viewType, const std::string& component,
                                       const std::string& library, du::SmartPtr<rzk::ActiveModule>& out);

// Shuts the module's queue down, waits for the module thread and frees everything. Does nothing before
// RZDllInit or a second time. Any thread but the module thread.
WORKFLOW_API void RZDllTerminate();

// The host interface version the plug-in was built with (rzk::PLUGIN_INTERFACE_VERSION), for the host to
// compare with its own before RZDllInit. Any thread, at any time.
WORKFLOW_API int RZDllGetVersion();
}
