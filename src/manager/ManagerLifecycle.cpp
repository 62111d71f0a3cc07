// The manager's life with the observers it makes when it comes under management, the animation events it
// hands to workflows, and the host calls that reach it. What those need of the layers above (the observer
// classes, the decoding of messages) the manager reaches through the parts the module sets at load.
#include <algorithm>
#include <atomic>
#include <vector>

#include "animation/AnimationModule.h"
#include "animation/Engine.h"
#include "manager/ManagerParts.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"

namespace workflow {
namespace {

// The loader coordinates of the animation module.
const du::Symbol& AnimationWorld() {
    static const du::Symbol world("world");
    return world;
}
const du::Symbol& AnimationLibrary() {
    static const du::Symbol library("animation");
    return library;
}
const du::Symbol& AnimationComponent() {
    static const du::Symbol component("default");
    return component;
}

// How often the manager's timeout ticks, in time units: the status-bar push is timed by it.
constexpr std::int64_t TICK_PERIOD = 100;

std::atomic<const ManagerObserverFactory*> observerFactory{nullptr};
std::atomic<const ManagerMessageDecoder*> messageDecoder{nullptr};

}  // namespace

void SetManagerParts(const ManagerParts& parts) {
    observerFactory.store(parts.observers);
    messageDecoder.store(parts.decoder);
}

ManagerParts GetManagerParts() {
    return ManagerParts{observerFactory.load(), messageDecoder.load()};
}

void WorkflowManagerImpl::OnManage() {
    // Coming under management again (after an Unmanage) must not double every event: one set of observers.
    if (observing_) {
        return;
    }
    observing_ = true;
    // Each observer registers with its subject when it comes under this manager's management. A view
    // without some part simply gets fewer observers.
    if (const ManagerObserverFactory* observers = observerFactory.load()) {
        observers->MakeViewObservers(*this, view_);
    }
    // Locates the animation module now rather than at the first animation.
    du::SmartPtr<animation::Engine> engine;
    GetAnimationEngine(engine);
    AddRecurringTimeout(TICK_PERIOD);
}

AnimationEvent* WorkflowManagerImpl::CreateAnimationEvent(bool forOpenNewShapeViewBase) {
    // A manager being destroyed has no reference left to give: an event holding one would destroy it a
    // second time when it goes.
    if (destroying_) {
        return nullptr;
    }
    const ManagerObserverFactory* observers = observerFactory.load();
    if (!observers) {
        return nullptr;
    }
    const ManagerObserverFactory::NewAnimationEvent made =
        observers->MakeAnimationEvent(du::SmartPtr<WorkflowManagerImpl>(this), forOpenNewShapeViewBase);
    if (!made.event || !made.asHostEvent) {
        return nullptr;
    }
    // Managed here, the event completes on this manager's thread; the queue's reference keeps it alive. One
    // that cannot be managed (this manager is not) would never complete: it goes here, and nothing keeps it.
    if (!ManageObject(made.asHostEvent)) {
        return nullptr;
    }
    animationEvents_.push_back(PendingAnimation{made.event, made.asHostEvent.Get()});
    return made.event;
}

void WorkflowManagerImpl::CancelAnimationEvents() {
    // Cancelling may let an event go; each is held for its own call, and the list is emptied first so
    // that nothing reached from a cancellation finds it half walked.
    std::vector<du::SmartPtr<rzk::BaseAsyncEvent>> pending;
    pending.reserve(animationEvents_.size());
    for (const PendingAnimation& animation : animationEvents_) {
        pending.emplace_back(animation.asHostEvent);
    }
    animationEvents_.clear();
    for (const auto& event : pending) {
        event->Cancel();
    }
}

void WorkflowManagerImpl::OnAnimationEventComplete(AnimationEvent* event) {
    std::erase_if(animationEvents_,
                  [event](const PendingAnimation& pending) { return pending.event == event; });
    DispatchMessage(Msg(ConstStrings::MsgAnimationFinished));
}

void WorkflowManagerImpl::GetAnimationEngine(du::SmartPtr<animation::Engine>& engine) {
    // A failed lookup is tried again on the next call.
    if (!animationEngine_) {
        const ManagerObserverFactory* observers = observerFactory.load();
        if (du::SmartPtr<animation::AnimationModule> module =
                observers ? observers->LoadAnimationModule(AnimationWorld(), AnimationLibrary(),
                                                           AnimationComponent())
                          : nullptr) {
            du::SmartPtr<animation::Engine> found;
            module->GetEngine(found);
            if (found) {
                animationEngine_ = du::SmartPtr<du::RefCounted>(found.Get());
            }
        }
    }
    animation::Engine* current = dynamic_cast<animation::Engine*>(animationEngine_.Get());
    if (engine.Get() != current) {
        engine = current;
    }
}

void WorkflowManagerImpl::HandleMessage(const dom::MessagePtr& message) {
    const ManagerMessageDecoder* decoder = messageDecoder.load();
    if (!decoder) {
        dom::PrepMessageForReturnBadTag(message);
        return;
    }
    // The reference travels with the call: an operation may drop the last other one (Destroy, a host
    // releasing its proxy meanwhile).
    const InputTap tap = Tap();
    decoder->Decode(message, du::SmartPtr<WorkflowManager>(this), &tap);
}

}  // namespace workflow
