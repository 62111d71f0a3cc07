#include "ViewerHost.h"

#include <vector>

#include "ViewState.h"
#include "WindowInput.h"
#include "dom/ProxyObject.h"

namespace viewer {
namespace {

int ToInt(const std::string& word) {
    return static_cast<int>(*session::Number(word));
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

void ViewerWindow::SetCursor(const du::Symbol& cursor) {
    rzk::Window::SetCursor(cursor);
    std::lock_guard hold(lock_);
    changed_ = true;
}

void ViewerWindow::ResetCursor() {
    rzk::Window::ResetCursor();
    std::lock_guard hold(lock_);
    changed_ = true;
}

bool ViewerWindow::TakeCursorChange() {
    std::lock_guard hold(lock_);
    return std::exchange(changed_, false);
}

ViewerHost::ViewerHost() = default;

ViewerHost::~ViewerHost() {
    Stop();
}

std::optional<std::string> ViewerHost::Start(const std::string& pluginPath, const std::string& kind) {
    if (auto error = plugIn_.Open(pluginPath)) {
        return error;
    }
    loader_ = new rzloader::Loader;
    rzloader::Loader::SetLoader(loader_);
    if (!plugIn_.init()) {
        return "the workflow plug-in did not start its module thread";
    }
    started_ = true;

    window_ = new ViewerWindow;
    view_ = apps::MakeView(kind == "shape" ? kind : "drawing");
    kind_ = kind;
    view_->SetWindow(du::SmartPtr<rzk::Window>(window_.Get()));
    view_->SetInstancePicker([picks = picks_](int x, int y) {
        std::lock_guard hold(picks->lock);
        auto found = picks->answers.find({x, y});
        return found == picks->answers.end() ? 0u : found->second;
    });
    if (auto error = plugIn_.FindModule(*view_, module_)) {
        return error;
    }
    manager_ = module_->CreateManager(view_);
    if (!manager_) {
        return "the workflow module made no manager for the view";
    }
    manager_->SetWorkflowTraceEnabled(false);
    return std::nullopt;
}

void ViewerHost::Stop() {
    if (manager_) {
        manager_->Destroy();
        manager_ = nullptr;
    }
    if (started_) {
        module_ = nullptr;
        plugIn_.terminate();
        started_ = false;
    }
    if (loader_) {
        rzloader::Loader::SetLoader(nullptr);
        loader_ = nullptr;
    }
}

void ViewerHost::Settle() {
    // A blocking call through the manager proxy is queued behind every window event posted before it.
    if (manager_) {
        manager_->IsWorkflowTraceEnabled();
    }
}

void ViewerHost::SetSearchDirs(std::string baseDir, std::string buildDir) {
    baseDir_ = std::move(baseDir);
    buildDir_ = std::move(buildDir);
}

void ViewerHost::SetPick(int x, int y, unsigned int instance) {
    std::lock_guard hold(picks_->lock);
    picks_->answers[{x, y}] = instance;
}

bool ViewerHost::HasPick(int x, int y) const {
    std::lock_guard hold(picks_->lock);
    return picks_->answers.count({x, y}) != 0;
}

std::optional<std::string> ViewerHost::Execute(const session::Command& command, std::string& out) {
    const std::string& verb = command.verb;
    const std::vector<std::string>& a = command.args;
    rzk::WorkflowManager& manager = *manager_;
    rzk::Window& window = *window_;
    if (verb == "view") {
        if (a[0] != kind_) {
            return "this viewer shows a " + kind_ + " view, not " + a[0];
        }
    } else if (verb == "load") {
        std::string loaded;
        return apps::LoadWorkflowPlugIns(*loader_, a[0], {baseDir_, buildDir_, buildDir_ + "/plugins"},
                                         loaded);
    } else if (verb == "add") {
        const bool persistent = a.back() == "persistent";
        if (a.size() > 1 && session::Number(a[1])) {
            manager.AddWorkflowAtPriority(du::Symbol(a[0]), static_cast<unsigned int>(*session::Number(a[1])),
                                          persistent);
        } else {
            manager.AddWorkflow(du::Symbol(a[0]), persistent);
        }
    } else if (verb == "remove") {
        if (auto priority = session::Number(a[0]); priority && *priority >= 0) {
            manager.RemoveWorkflowByPriority(static_cast<unsigned int>(*priority));
        } else {
            manager.RemoveWorkflowByName(du::Symbol(a[0]));
        }
    } else if (verb == "persistent") {
        manager.SetWorkflowPersistent(static_cast<unsigned int>(*session::Number(a[0])), a[1] == "on");
    } else if (verb == "select") {
        manager.SendModeMessage("select", du::Symbol(a[0]), a.size() > 1 ? ToInt(a[1]) : 0, nullptr);
    } else if (verb == "mode") {
        manager.SendModeMessage(du::Symbol(a[0]), du::Symbol(a[1]), a.size() > 2 ? ToInt(a[2]) : 0, nullptr);
    } else if (verb == "page") {
        manager.SetCurPage(ToInt(a[0]));
    } else if (verb == "cursor") {
        manager.SetMouseCursor(static_cast<unsigned int>(*session::Number(a[0])),
                               a[1] == "none" ? du::Symbol() : du::Symbol(a[1]));
    } else if (verb == "pick") {
        SetPick(ToInt(a[0]), ToInt(a[1]), static_cast<unsigned int>(*session::Number(a[2])));
    } else if (session::PostWindowInput(window, verb, a)) {
    } else if (verb == "expect" || verb == "print") {
        Settle();
        const std::string& what = a[0];
        std::string seen;
        if (what == "camera") {
            seen = apps::CameraText(*view_->GetCamera());
        } else if (what == "selection") {
            seen = apps::SelectionText(*view_);
        } else if (what == "status") {
            seen = view_->GetStatusMessage();
        } else if (what == "cursor") {
            const du::Symbol cursor = window_->GetCursor();
            seen = !cursor.IsSet() ? "none" : cursor == du::Symbol::EMPTY ? "default" : cursor.ToString();
        } else if (what == "workflow") {
            const du::Symbol name = manager.FindWorkflow(static_cast<unsigned int>(*session::Number(a[1])));
            seen = name.IsSet() && name != du::Symbol::EMPTY ? name.ToString() : "none";
        } else {
            return "'" + verb + " " + what + "' is not available in the viewer";
        }
        if (verb == "print") {
            out = what + " " + Quoted(seen);
        } else if (seen == a.back()) {
            out = "line " + std::to_string(command.line) + ": ok";
        } else {
            out = "line " + std::to_string(command.line) + ": FAILED: expected " + what + " " +
                  Quoted(a.back()) + ", seen " + Quoted(seen);
        }
    } else if (verb != "tick") {
        return "'" + verb + "' is not available in the viewer";
    }
    return std::nullopt;
}

}  // namespace viewer
