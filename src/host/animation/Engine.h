#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/AsyncEvent.h"

namespace animation {

// Plays animations. This stand-in animates nothing visible: an animation is a number of ticks of its
// module's timer, at the end of which the engine completes the animation's asynchronous event, so that
// whoever started it hears the end on the event's own queue. A cancelled event is dropped at the next tick
// without completing.
//
//     du::SmartPtr<animation::Engine> engine;
//     module->GetEngine(engine);
//     engine->Animate(event, 3);   // event->Complete() on the module's third tick from now
class RZHOST_API Engine : public virtual du::RefCounted {
public:
    Engine();
    ~Engine() override;

    // Starts an animation that ends after ticks ticks (at the next tick when ticks < 1). A null event is
    // ignored. Any thread.
    void Animate(const du::SmartPtr<rzk::BaseAsyncEvent>& event, int ticks);
    // One tick: animations that end now complete their events, cancelled ones are dropped. Events are
    // completed outside the engine's lock, in the order their animations were started. The module's thread
    // only.
    void Tick();
    // Animations still running. Any thread.
    std::size_t GetRunningCount() const;

private:
    struct Animation {
        du::SmartPtr<rzk::BaseAsyncEvent> event;
        int ticksLeft;
    };

    mutable std::mutex lock_;
    std::vector<Animation> running_;
};

}  // namespace animation
