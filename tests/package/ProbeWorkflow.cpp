// A workflow that touches what an author reaches through the installed headers: the simple workflow's
// handlers, exclusive claims, cursor requests, status fields, notifications, the manager's animation
// services and the loader's entry point. probe.session drives it through the installed session host.
#include <string>

#include "animation/Engine.h"
#include "du/TextData.h"
#include "manager/WorkflowManagerCore.h"
#include "messages/ConstStrings.h"
#include "observers/AnimationEvent.h"
#include "rzloader/Loader.h"
#include "workflows/SimpleWorkflow.h"

namespace {

class ProbeWorkflow : public workflow::SimpleWorkflow {
public:
    ProbeWorkflow() : SimpleWorkflow("probe") {
        SetPriority(300);
        AddMsgTypeHandled(workflow::ConstStrings::MsgMouseLeftDown, false);
        AddMsgTypeHandled(workflow::ConstStrings::MsgMouseLeftUp, false);
        AddMsgTypeHandled(workflow::ConstStrings::MsgUpdateStatusBar, false);
        SetActive(true);
    }

    bool OnMsgMouseLeftDown(int, int) override {
        du::Symbol moves = workflow::ConstStrings::MsgMouseMove;
        SetExclusive(&moves, 1);
        SetCursor(GetPriority(), "crosshair");
        return true;
    }

    bool OnMsgMouseLeftUp(int x, int y) override {
        UnsetExclusive();
        SetCursor(GetPriority(), du::Symbol());
        ++clicks_;
        const std::string text = "MsgMouseLeftUp(" + std::to_string(x) + "," + std::to_string(y) + ")";
        SendNotification("handled", 0, du::SmartPtr<du::RefCounted>(new du::TextData(text)));
        if (workflow::WorkflowManagerCore* core = GetManagerCore()) {
            du::SmartPtr<animation::Engine> engine;
            core->GetAnimationEngine(engine);
            if (engine) {
                engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(core->CreateAnimationEvent(false)), 1);
            }
        }
        UpdateStatusMessage();
        return true;
    }

    bool OnMsgUpdateStatusBar() override {
        SetStatusMessage(0, "probe clicks " + std::to_string(clicks_));
        return false;
    }

private:
    int clicks_ = 0;
};

}  // namespace

RZLOADER_PLUGIN_ENTRY void RZRegisterComponents(rzloader::Loader* loader) {
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "probe",
                            [] { return du::SmartPtr<du::RefCounted>(new ProbeWorkflow); });
}
