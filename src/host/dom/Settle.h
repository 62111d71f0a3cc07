#pragma once

#include <cstdint>

#include "dom/MessageQueue.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"

namespace dom {

// The shortest timer period of the workflow plug-in (its window observer's): the step in which
// AdvanceTimeAndSettle moves a clock by default.
inline constexpr std::int64_t SETTLE_STEP_MS = 10;

// Moves the manual clock of queue (a plug-in's module queue started with a manual clock) forward by ms and
// returns once every timeout that fell due meanwhile, and every message that it and the messages before
// this call caused on queue, has run. The clock moves on the queue's own thread in steps of stepMs (a
// recurring timeout fires at most once a round, so each step runs the rounds that fire what it made due
// before the next step), so nothing a host thread queued later slips in between.
//
// Moving the clock with GenericMessageQueue::AdvanceTime and then making one blocking call is not the
// same: with a second host thread the blocking call can run before the timeouts have fired.
//
//     du::SmartPtr<dom::GenericMessageQueue> queue;
//     {
//         dom::ManualClockForNewQueues manual;
//         init();                                            // RZDllInit: the module queue is made now
//         queue = manual.Queue();
//     }
//     ...
//     dom::AdvanceTimeAndSettle(queue, 200);                 // status passes and animations have run
//
// Threads: any host thread, several at once (each call returns when its own steps and all the rounds
// they ran are done; the clock moves by the sum), or a callback on the queue's thread. Blocks the calling
// host thread. Answers false when the queue has shut down (the module thread ended) before the clock moved
// all the way. Throws std::logic_error when queue is null or has the steady clock.
RZHOST_API bool AdvanceTimeAndSettle(const du::SmartPtr<GenericMessageQueue>& queue, std::int64_t ms,
                                     std::int64_t stepMs = SETTLE_STEP_MS);

}  // namespace dom
