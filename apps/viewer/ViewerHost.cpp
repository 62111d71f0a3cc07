#include "ViewerHost.h"

#include <algorithm>
#include <vector>

#include "Drive.h"
#include "ViewState.h"
#include "dom/ProxyObject.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/WorkflowManagerObserver.h"

namespace viewer {
namespace {

// A text in quotes, as a session line would hold it.
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

// What an expectation or a print looks at, as the viewer sees it; nothing for what only the session host
// keeps (handled reports, exceptions, the routing log).
std::optional<std::string> Seen(session::Expectation what, unsigned int number, rzk::View& view,
                                rzk::Window& window, rzk::WorkflowManager& manager) {
    using session::Expectation;
    switch (what) {
        case Expectation::Camera:
            return apps::CameraText(*view.GetCamera());
        case Expectation::Selection:
            return apps::SelectionText(view);
        case Expectation::Status:
            return view.GetStatusMessage();
        case Expectation::StatusField:
            return session::StatusField(view.GetStatusMessage(), number);
        case Expectation::Cursor: {
            const du::Symbol cursor = window.GetCursor();
            return !cursor.IsSet() ? "none" : cursor == du::Symbol::EMPTY ? "default" : cursor.ToString();
        }
        case Expectation::Workflow: {
            const du::Symbol name = manager.FindWorkflow(number);
            return name.IsSet() && name != du::Symbol::EMPTY ? name.ToString() : "none";
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

// Follows a view's stack from its manager's reports: an installation (in place of another or not) puts its
// name at its priority, an announced removal takes it away. Called on the plug-in's thread.
class ViewerHost::StackTracker : public rzk::WorkflowManagerObserver {
public:
    void OnRegistered() override {}
    void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                          bool success, const du::Symbol&) override {
        if (!success) {
            return;
        }
        std::lock_guard hold(lock_);
        if (newName.IsSet() && newName != du::Symbol::EMPTY) {
            stack_[priority] = newName.ToString();
        } else if (oldName.IsSet() && oldName != du::Symbol::EMPTY) {
            stack_.erase(priority);
        }
    }
    void OnManagerDestroyed() override {
        std::lock_guard hold(lock_);
        stack_.clear();
    }
    std::map<unsigned int, std::string> Stack() const {
        std::lock_guard hold(lock_);
        return stack_;
    }

private:
    mutable std::mutex lock_;
    std::map<unsigned int, std::string> stack_;
};

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

std::optional<std::string> ViewerHost::Start(const std::string& pluginPath, const std::string& kind,
                                             std::size_t views) {
    if (auto error = plugIn_.Open(pluginPath)) {
        return error;
    }
    loader_ = new rzloader::Loader;
    rzloader::Loader::SetLoader(loader_);
    if (!plugIn_.init()) {
        return "the workflow plug-in did not start its module thread";
    }
    started_ = true;
    kind_ = kind;
    for (std::size_t i = 0; i < std::max<std::size_t>(views, 1); ++i) {
        if (auto error = AddView()) {
            return error;
        }
    }
    active_ = 0;
    return std::nullopt;
}

std::optional<std::string> ViewerHost::AddView() {
    ViewParts parts;
    parts.window = new ViewerWindow;
    parts.view = apps::MakeView(kind_ == "shape" ? kind_ : "drawing");
    parts.view->SetWindow(du::SmartPtr<rzk::Window>(parts.window.Get()));
    if (!views_.empty()) {
        apps::ShareDocument(*views_.front().view, *parts.view);
        parts.view->SetActive(false);
    }
    parts.view->SetInstancePicker([picks = parts.picks](int x, int y) {
        std::lock_guard hold(picks->lock);
        auto found = picks->answers.find({x, y});
        return found == picks->answers.end() ? picks->drawn.At(x, y) : found->second;
    });
    parts.view->SetRegionPicker([picks = parts.picks](int x0, int y0, int x1, int y1) {
        std::lock_guard hold(picks->lock);
        auto found = picks->boxes.find(session::BoxCorners(x0, y0, x1, y1));
        if (found != picks->boxes.end()) {
            return found->second;
        }
        const std::vector<std::uint32_t> ids = picks->drawn.Inside(x0, y0, x1, y1);
        return std::vector<unsigned int>(ids.begin(), ids.end());
    });
    if (!module_) {
        if (auto error = plugIn_.FindModule(*parts.view, module_)) {
            return error;
        }
    }
    parts.manager = module_->CreateManager(parts.view);
    if (!parts.manager) {
        return "the workflow module made no manager for the view";
    }
    parts.manager->SetWorkflowTraceEnabled(false);
    parts.stack = new StackTracker;
    parts.manager->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(parts.stack.Get()));
    views_.push_back(std::move(parts));
    return std::nullopt;
}

void ViewerHost::Stop() {
    for (ViewParts& parts : views_) {
        if (parts.manager) {
            parts.manager->Destroy();
            parts.manager = nullptr;
        }
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
    // A blocking call through a manager proxy is queued behind every window event posted before it.
    for (ViewParts& parts : views_) {
        if (parts.manager) {
            parts.manager->IsWorkflowTraceEnabled();
        }
    }
}

void ViewerHost::Activate(std::size_t view) {
    if (view >= views_.size() || view == active_) {
        return;
    }
    // The observer answers from the view's state when it handles the question on the plug-in's thread:
    // the view must still be inactive then, and everything posted to the view before must have been
    // handled under the old activation.
    views_[view].window->PostMouseActivate();
    Settle();
    views_[active_].view->SetActive(false);
    views_[view].view->SetActive(true);
    active_ = view;
}

void ViewerHost::SetSearchDirs(std::string baseDir, std::string buildDir) {
    baseDir_ = std::move(baseDir);
    buildDir_ = std::move(buildDir);
}

void ViewerHost::SetPick(int x, int y, unsigned int instance, std::size_t view) {
    PickAnswers& picks = *views_.at(view).picks;
    std::lock_guard hold(picks.lock);
    picks.answers[{x, y}] = instance;
}

std::vector<std::string> ViewerHost::WorkflowNames() const {
    std::vector<std::string> names;
    if (loader_ && !views_.empty()) {
        for (const du::Symbol& name :
             loader_->GetNames(views_.front().view->GetViewType(), du::Symbol("workflow"))) {
            names.push_back(name.ToString());
        }
    }
    return names;
}

bool ParseWorkflowToAdd(const std::string& text, session::Add& add) {
    const std::size_t at = text.find('@');
    const std::string name = text.substr(0, at);
    if (name.empty() || name.find_first_of(" \t") != std::string::npos) {
        return false;
    }
    std::optional<unsigned int> priority;
    if (at != std::string::npos) {
        const std::string digits = text.substr(at + 1);
        if (digits.empty() || digits.size() > 10 ||
            digits.find_first_not_of("0123456789") != std::string::npos ||
            std::stoull(digits) > 0xffffffffull) {
            return false;
        }
        priority = static_cast<unsigned int>(std::stoull(digits));
    }
    add = session::Add{name, priority, false};
    return true;
}

void ViewerHost::SetDrawn(IdBuffer drawn, std::size_t view) {
    PickAnswers& picks = *views_.at(view).picks;
    std::lock_guard hold(picks.lock);
    picks.drawn = std::move(drawn);
}

void ViewerHost::SetPickBox(const session::PickBox& box, std::size_t view) {
    PickAnswers& picks = *views_.at(view).picks;
    std::lock_guard hold(picks.lock);
    picks.boxes[session::BoxCorners(box.x0, box.y0, box.x1, box.y1)] = box.ids;
}

std::vector<unsigned int> ViewerHost::DrawnInside(int x0, int y0, int x1, int y1, std::size_t view) const {
    const PickAnswers& picks = *views_.at(view).picks;
    std::lock_guard hold(picks.lock);
    const std::vector<std::uint32_t> ids = picks.drawn.Inside(x0, y0, x1, y1);
    return {ids.begin(), ids.end()};
}

bool ViewerHost::HasPick(int x, int y, std::size_t view) const {
    const PickAnswers& picks = *views_.at(view).picks;
    std::lock_guard hold(picks.lock);
    return picks.answers.count({x, y}) != 0;
}

std::map<unsigned int, std::string> ViewerHost::Installed(std::size_t view) const {
    const ViewParts& parts = views_.at(view);
    return parts.stack ? parts.stack->Stack() : std::map<unsigned int, std::string>();
}

std::optional<std::string> ViewerHost::WorkflowsOf(const std::string& path,
                                                   std::vector<std::string>& names) const {
    const du::SmartPtr<rzloader::Loader> own(new rzloader::Loader);
    std::string loaded;
    if (auto error = apps::LoadWorkflowPlugIns(*own, path, {}, loaded)) {
        return error;
    }
    names.clear();
    for (const du::Symbol& name : own->GetNames(views_.front().view->GetViewType(), du::Symbol("workflow"))) {
        names.push_back(name.ToString());
    }
    if (names.empty()) {
        return path + " makes no workflow for a " + kind_ + " view";
    }
    return std::nullopt;
}

void ViewerHost::ForgetWorkflows(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        for (const du::Symbol& type : {views_.front().view->GetViewType(), rzloader::Loader::ANY_VIEW_TYPE}) {
            loader_->RegisterFactory(type, du::Symbol("workflow"), du::Symbol(name), {});
        }
    }
}

std::optional<std::string> ViewerHost::Execute(const session::Command& command, int line, std::string& out,
                                               std::size_t view) {
    if (view >= views_.size() || !views_[view].manager) {
        return "there is no view " + std::to_string(view + 1) + " to run '" + session::VerbOf(command) +
               "' in";
    }
    ViewParts& parts = views_[view];
    rzk::WorkflowManager& manager = *parts.manager;
    if (const auto* input = std::get_if<session::WindowInput>(&command)) {
        session::Post(*input, *parts.window);
    } else if (const auto* call = std::get_if<session::HostCall>(&command)) {
        // A name that no plug-in makes would install nothing, silently: say so instead.
        if (const auto* add = std::get_if<session::Add>(call)) {
            const std::vector<std::string> names = WorkflowNames();
            if (std::find(names.begin(), names.end(), add->name) == names.end()) {
                std::string known;
                for (const std::string& name : names) {
                    known += (known.empty() ? "" : ", ") + name;
                }
                return "no loaded workflow plug-in makes a workflow named '" + add->name + "' (" +
                       (known.empty() ? std::string("none is loaded: load one first") : "known: " + known) +
                       ")";
            }
        }
        session::Apply(*call, manager);
    } else if (const auto* kind = std::get_if<session::View>(&command)) {
        if (session::ViewKindName(kind->kind) != kind_) {
            return "this viewer shows a " + kind_ + " view, not " + session::ViewKindName(kind->kind);
        }
        if (static_cast<std::size_t>(kind->count) != views_.size()) {
            return "this viewer shows " + std::to_string(views_.size()) + " views, not " +
                   std::to_string(kind->count) + ": start it with --views " + std::to_string(kind->count);
        }
    } else if (const auto* angles = std::get_if<session::Angles>(&command)) {
        parts.view->GetCamera()->SetAngles(angles->yaw, angles->pitch);
    } else if (const auto* load = std::get_if<session::Load>(&command)) {
        std::string loaded;
        return apps::LoadWorkflowPlugIns(*loader_, load->path, {baseDir_, buildDir_, buildDir_ + "/plugins"},
                                         loaded);
    } else if (const auto* pick = std::get_if<session::Pick>(&command)) {
        SetPick(pick->x, pick->y, pick->id, view);
    } else if (const auto* box = std::get_if<session::PickBox>(&command)) {
        SetPickBox(*box, view);
    } else if (const auto* print = std::get_if<session::Print>(&command)) {
        Settle();
        const bool camera = print->state == session::State::Camera;
        const std::string seen =
            *Seen(camera ? session::Expectation::Camera : session::Expectation::Selection, 0, *parts.view,
                  *parts.window, manager);
        out = std::string(session::StateName(print->state)) + " " + Quoted(seen);
    } else if (const auto* expect = std::get_if<session::Expect>(&command)) {
        Settle();
        const std::string what = session::ExpectationName(expect->what);
        const std::optional<std::string> seen =
            Seen(expect->what, expect->number, *parts.view, *parts.window, manager);
        if (!seen) {
            return "'expect " + what + "' is not available in the viewer";
        }
        if (*seen == expect->text) {
            out = "line " + std::to_string(line) + ": ok";
        } else {
            out = "line " + std::to_string(line) + ": FAILED: expected " + what + " " + Quoted(expect->text) +
                  ", seen " + Quoted(*seen);
        }
    } else if (!std::holds_alternative<session::Tick>(command) &&
               !std::holds_alternative<session::Bounds>(command)) {
        // "bounds" states what a drawing host answers; the viewer answers from its own drawing.
        return "'" + session::VerbOf(command) + "' is not available in the viewer";
    }
    return std::nullopt;
}

}  // namespace viewer
