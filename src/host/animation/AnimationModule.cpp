#include "animation/AnimationModule.h"

#include "rzk/ActiveModule.h"
#include "rzloader/Loader.h"

namespace animation {

const du::Symbol AnimationModule::WORLD("world");
const du::Symbol AnimationModule::LIBRARY("animation");
const du::Symbol AnimationModule::COMPONENT("default");

AnimationModule::AnimationModule(std::int64_t tickPeriod) : tickPeriod_(tickPeriod), engine_(new Engine) {}

AnimationModule::~AnimationModule() = default;

du::SmartPtr<AnimationModule> AnimationModule::Install(const du::SmartPtr<dom::GenericMessageQueue>& queue,
                                                       const du::Symbol& actorName, rzloader::Loader& loader,
                                                       std::int64_t tickPeriod) {
    if (actorName.IsNull() || actorName == du::Symbol::EMPTY) {
        return nullptr;
    }
    du::SmartPtr<AnimationModule> module(new AnimationModule(tickPeriod));
    if (!module->ManageSelf(queue, actorName, 0)) {
        return nullptr;
    }
    loader.RegisterFactory(WORLD, LIBRARY, COMPONENT, [actorName] {
        return du::SmartPtr<du::RefCounted>(new rzk::ActiveModule(actorName));
    });
    return module;
}

void AnimationModule::Uninstall(rzloader::Loader& loader) {
    loader.RegisterFactory(WORLD, LIBRARY, COMPONENT, nullptr);
    Unmanage();
}

void AnimationModule::GetEngine(du::SmartPtr<Engine>& engine) const {
    engine = engine_;
}

void AnimationModule::OnManage() {
    AddRecurringTimeout(tickPeriod_);
}

void AnimationModule::HandleTimeoutEvent(std::int64_t) {
    engine_->Tick();
}

}  // namespace animation
