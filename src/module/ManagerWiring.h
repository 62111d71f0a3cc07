#pragma once

namespace workflow {

// Gives every manager its parts from the layers above the manager (ManagerParts): the observer layer's
// factory of view observers and animation events, and the remote layer's decoder of host calls. Runs while
// the library loads, before any manager is made; a program that links the plug-in's objects from an archive
// (the test harness) calls it itself, since the archive's load-time wiring is linked only when referenced.
// Calling it again changes nothing. Any thread.
void WireManagerParts();

}  // namespace workflow
