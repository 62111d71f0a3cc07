#include "animation/Engine.h"

#include <utility>

namespace animation {

Engine::Engine() = default;
Engine::~Engine() = default;

void Engine::Animate(const du::SmartPtr<rzk::BaseAsyncEvent>& event, int ticks) {
    if (!event) {
        return;
    }
    std::lock_guard guard(lock_);
    running_.push_back({event, ticks < 1 ? 1 : ticks});
}

void Engine::Tick() {
    std::vector<du::SmartPtr<rzk::BaseAsyncEvent>> ended;
    {
        std::lock_guard guard(lock_);
        std::vector<Animation> still;
        for (Animation& animation : running_) {
            if (animation.event->IsCancelled()) {
                continue;
            }
            if (--animation.ticksLeft == 0) {
                ended.push_back(std::move(animation.event));
            } else {
                still.push_back(std::move(animation));
            }
        }
        running_.swap(still);
    }
    // Completing may run OnComplete right here, which may start the next animation.
    for (const auto& event : ended) {
        event->Complete();
    }
}

std::size_t Engine::GetRunningCount() const {
    std::lock_guard guard(lock_);
    return running_.size();
}

}  // namespace animation
