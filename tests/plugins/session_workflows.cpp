// Workflows for the session host's tests, loaded from disk as any workflow plug-in is. Each reports every
// message it handles as a "handled" notification whose text is the message as NAME(args).
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "du/SmartPtr.h"
#include "du/TextData.h"
#include "messages/ConstStrings.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"
#include "rzloader/Loader.h"
#include "workflows/SimpleWorkflow.h"

namespace {

using workflow::ConstStrings;

class ReportingWorkflow : public workflow::SimpleWorkflow {
public:
    ReportingWorkflow(const char* name, unsigned int priority) : SimpleWorkflow(name) {
        SetPriority(priority);
        SetActive(true);
    }

protected:
    bool Report(const std::string& text, bool consumed) {
        SendNotification("handled", 0, du::SmartPtr<du::RefCounted>(new du::TextData(text)));
        return consumed;
    }
    static std::string At(const char* name, int x, int y) {
        return std::string(name) + "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    }
};

// Left drag moves a point; the status bar shows where it is, the cursor "grab" while dragging.
class Dragger : public ReportingWorkflow {
public:
    Dragger() : ReportingWorkflow("dragger", 100) {
        for (const du::Symbol* type :
             {&ConstStrings::MsgMouseLeftDown, &ConstStrings::MsgMouseInitLeftDrag,
              &ConstStrings::MsgMouseLeftDrag, &ConstStrings::MsgMouseLeftUp, &ConstStrings::MsgMouseWheel,
              &ConstStrings::MsgSetMode, &ConstStrings::MsgUpdateStatusBar}) {
            AddMsgTypeHandled(*type, false);
        }
    }
    bool OnMsgMouseLeftDown(int x, int y) override { return Report(At("MsgMouseLeftDown", x, y), true); }
    bool OnMsgMouseInitLeftDrag(int x, int y) override {
        SetCursor(GetPriority(), "grab");
        lastX_ = x;
        lastY_ = y;
        return Report(At("MsgMouseInitLeftDrag", x, y), true);
    }
    bool OnMsgMouseLeftDrag(int x, int y) override {
        pointX_ += x - lastX_;
        pointY_ += y - lastY_;
        lastX_ = x;
        lastY_ = y;
        return Report(At("MsgMouseLeftDrag", x, y), true);
    }
    bool OnMsgMouseLeftUp(int x, int y) override {
        SetCursor(GetPriority(), du::Symbol());
        return Report(At("MsgMouseLeftUp", x, y), true);
    }
    bool OnMsgMouseWheel(int x, int y, short delta) override {
        return Report("MsgMouseWheel(" + std::to_string(x) + "," + std::to_string(y) + "," +
                          std::to_string(delta) + ")",
                      true);
    }
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>&, int modeNumber) override {
        if (workflowName != GetWorkflowName()) {
            return false;
        }
        if (modeString == du::Symbol("reset")) {
            pointX_ = pointY_ = modeNumber;
        }
        return Report("MsgSetMode(" + workflowName.ToString() + "," + modeString.ToString() + "," +
                          std::to_string(modeNumber) + ")",
                      true);
    }
    bool OnMsgUpdateStatusBar() override {
        SetStatusMessage(0, "point " + std::to_string(pointX_) + " " + std::to_string(pointY_));
        return false;
    }

private:
    int lastX_ = 0;
    int lastY_ = 0;
    int pointX_ = 0;
    int pointY_ = 0;
};

// A temporary mode above the static ones: it takes key presses other than Escape and answers "QueryWho".
class Overlay : public ReportingWorkflow {
public:
    Overlay() : ReportingWorkflow("overlay", rzk::WorkflowManager::MAX_STATIC_PRIORITY + 500) {
        AddMsgTypeHandled(ConstStrings::MsgKeyPress, false);
        AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, false);
    }
    bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) override {
        const std::string key = utf8Key.empty()     ? systemKey.ToString()
                                : utf8Key == "\x1b" ? "Escape"
                                                    : utf8Key;
        return Report("MsgKeyPress(" + key + ")", utf8Key != "\x1b");
    }
    bool OnMsgUpdateStatusBar() override {
        SetStatusMessage(0, "overlay");
        SetCursor(GetPriority(), "cross");
        return false;
    }
    bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                     du::SmartPtr<du::RefCounted>&) override {
        if (query != du::Symbol("QueryWho")) {
            return false;
        }
        symbol = GetWorkflowName();
        number = static_cast<int>(GetPriority());
        return true;
    }
};

// Takes left drags and fails at the start of its third one: the flight recorder's test subject.
class Thrower : public ReportingWorkflow {
public:
    Thrower() : ReportingWorkflow("thrower", 200) {
        AddMsgTypeHandled(ConstStrings::MsgMouseInitLeftDrag, false);
    }
    bool OnMsgMouseInitLeftDrag(int x, int y) override {
        if (++drags_ == 3) {
            throw std::runtime_error("third drag");
        }
        return Report(At("MsgMouseInitLeftDrag", x, y), false);
    }

private:
    int drags_ = 0;
};

// A temporary mode that takes every left drag while it is up; an Escape dismisses it.
class Catcher : public ReportingWorkflow {
public:
    Catcher() : ReportingWorkflow("catcher", rzk::WorkflowManager::MAX_STATIC_PRIORITY + 600) {
        AddMsgTypeHandled(ConstStrings::MsgMouseInitLeftDrag, false);
    }
    bool OnMsgMouseInitLeftDrag(int x, int y) override {
        return Report(At("MsgMouseInitLeftDrag", x, y), true);
    }
};

// Claims every left press and fails on one at a point where the host drew instance 9; what it throws is
// no std::exception but a string.
class Picky : public ReportingWorkflow {
public:
    Picky() : ReportingWorkflow("picky", 300) { AddMsgTypeHandled(ConstStrings::MsgMouseLeftDown, false); }
    void OnAdd() override {
        du::Symbol claimed[] = {ConstStrings::MsgMouseLeftDown};
        SetExclusive(claimed, 1);
    }
    bool OnMsgMouseLeftDown(int x, int y) override {
        unsigned int instance = 0;
        if (GetView() && GetView()->PickInstance(x, y, instance) && instance == 9) {
            throw std::string("picked 9");
        }
        return Report(At("MsgMouseLeftDown", x, y), false);
    }
};

// Misbehaves on request, one way each: the session host's test subject for plug-ins it must survive.
// "scribbler" writes texts that are not UTF-8 (and throws one on "!"); "quitter" ends the program on a key
// press; "breaker" fails in OnAdd, which ends the module thread; "ticker" counts the timer messages it sees.
class Misbehaving : public ReportingWorkflow {
public:
    explicit Misbehaving(const char* name) : ReportingWorkflow(name, 300) {
        AddMsgTypeHandled(ConstStrings::MsgKeyPress, false);
        AddMsgTypeHandled(ConstStrings::MsgTimer, false);
        AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, false);
    }
    void OnAdd() override {
        if (GetWorkflowName() == du::Symbol("breaker")) {
            throw std::runtime_error("breaker cannot be added");
        }
    }
    bool OnMsgKeyPress(const std::string& key, const du::Symbol&) override {
        if (GetWorkflowName() == du::Symbol("quitter")) {
            std::exit(0);
        }
        if (GetWorkflowName() == du::Symbol("scribbler")) {
            if (key == "!") {
                throw std::runtime_error("thrown \xff");
            }
            scribbled_ = true;
            return Report("bad \xff\xfe" + key + " \xc3(", true);
        }
        return Report("timers " + std::to_string(timers_), true);
    }
    bool OnMsgTimer(long long, long long) override {
        ++timers_;
        return false;
    }
    bool OnMsgUpdateStatusBar() override {
        if (scribbled_) {
            SetStatusMessage(0, "status \x80\xed\xa0\x80 end");
        }
        return false;
    }

private:
    bool scribbled_ = false;
    int timers_ = 0;
};

}  // namespace

RZLOADER_PLUGIN_ENTRY void RZRegisterComponents(rzloader::Loader* loader) {
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "dragger",
                            [] { return du::SmartPtr<du::RefCounted>(new Dragger); });
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "overlay",
                            [] { return du::SmartPtr<du::RefCounted>(new Overlay); });
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "thrower",
                            [] { return du::SmartPtr<du::RefCounted>(new Thrower); });
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "catcher",
                            [] { return du::SmartPtr<du::RefCounted>(new Catcher); });
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "picky",
                            [] { return du::SmartPtr<du::RefCounted>(new Picky); });
    for (const char* name : {"scribbler", "quitter", "breaker", "ticker"}) {
        loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", name,
                                [name] { return du::SmartPtr<du::RefCounted>(new Misbehaving(name)); });
    }
    // Something that is no workflow, made under a workflow's name.
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "impostor",
                            [] { return du::SmartPtr<du::RefCounted>(new du::TextData("no workflow")); });
}
