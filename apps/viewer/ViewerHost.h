#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Command.h"
#include "IdBuffer.h"
#include "PlugIn.h"
#include "du/SmartPtr.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowModule.h"
#include "rzloader/Loader.h"

namespace viewer {

// The window as the plug-in sees it: cursor requests are noted for the host thread, which alone may
// change the real cursor.
class ViewerWindow : public rzk::Window {
public:
    // Any thread.
    void SetCursor(const du::Symbol& cursor) override;
    // Any thread.
    void ResetCursor() override;
    // True once after each cursor change. Any thread.
    bool TakeCursorChange();

private:
    std::mutex lock_;
    bool changed_ = false;
};

// The viewer's side of the plug-in: loads libworkflow.so as the session host does, builds the views of the
// kind asked for, each with its own window and manager, and runs session-language commands against one of
// them, whether they come from a person's input (made from window events), a session file or the viewer's
// own setup. The plug-in runs on its own module thread on the real clock; every view's manager lives on
// that one thread, as in a multi-view host. Several shape views show one document: they share its world
// and its selection, while each keeps its own camera and its own annotations (feedback is drawn in a
// view's own pixels). Exactly one view is active; the first starts active.
class ViewerHost {
public:
    ViewerHost();
    ~ViewerHost();
    ViewerHost(const ViewerHost&) = delete;
    ViewerHost& operator=(const ViewerHost&) = delete;

    // Loads the plug-in and makes views views ("shape" or "drawing") with their managers; the one-line
    // reason when that fails. Host thread only.
    std::optional<std::string> Start(const std::string& pluginPath, const std::string& kind,
                                     std::size_t views = 1);
    // Destroys the managers and lets the plug-in go. Host thread only.
    void Stop();

    // Runs one command of the session language for view; relative "load" paths are looked for in baseDir,
    // then in buildDir and its plugins/ ("load" fills the one loader all views share). Answers the one-line
    // reason when the command cannot run. "tick" is the caller's (it owns time); "expect" and "print" write
    // to out, an expectation under its line number. Host thread only.
    std::optional<std::string> Execute(const session::Command& command, int line, std::string& out,
                                       std::size_t view = 0);
    // Returns once the plug-in's thread has handled everything posted to it so far. Host thread only.
    void Settle();
    // Makes view the active one after a press into it: its window observer is asked about the activation
    // while the view is still inactive (so the observer arms its rule and drops the left press that
    // follows, and that press's release), and only once it has answered does the view become active and
    // the one before it inactive. Post the press after this. Host thread only.
    void Activate(std::size_t view);
    // The active view. Host thread only.
    std::size_t Active() const { return active_; }
    std::size_t ViewCount() const { return views_.size(); }
    // Host thread only.
    void SetSearchDirs(std::string baseDir, std::string buildDir);
    // The names of the workflows the loaded plug-ins make for the views, in name order. Host thread only.
    std::vector<std::string> WorkflowNames() const;

    // The part under (x, y) of view as its picker will answer it from now on (a session's "pick" line);
    // points never set are answered from what was drawn (SetDrawn), 0 before any picture. Any thread.
    void SetPick(int x, int y, unsigned int instance, std::size_t view = 0);
    // The parts inside a rectangle of view as its region picker will answer it from now on (a session's
    // "pick-box" line); other rectangles are answered from what was drawn. Any thread.
    void SetPickBox(const session::PickBox& box, std::size_t view = 0);
    // Any thread.
    bool HasPick(int x, int y, std::size_t view = 0) const;
    // The parts the last picture of view drew inside the rectangle (corners in any order), each once. Any
    // thread.
    std::vector<unsigned int> DrawnInside(int x0, int y0, int x1, int y1, std::size_t view = 0) const;
    // What the last picture of view drew: the view answers every other point, and every rectangle, from
    // it. Any thread.
    void SetDrawn(IdBuffer drawn, std::size_t view = 0);

    // The workflows installed in view, by priority, as its manager reported them. Host thread only.
    std::map<unsigned int, std::string> Installed(std::size_t view) const;
    // The names of the workflows the plug-in library at path makes for the views, read by loading it into a
    // loader of its own; the one-line reason when it is no workflow plug-in. Host thread only.
    std::optional<std::string> WorkflowsOf(const std::string& path, std::vector<std::string>& names) const;
    // Takes the names out of the shared loader, so that a view can no longer install them. Host thread only.
    void ForgetWorkflows(const std::vector<std::string>& names);

    // A view and its window made by Start, for reading back what the workflows did. Host thread only.
    rzk::View& View(std::size_t view = 0) { return *views_.at(view).view; }
    ViewerWindow& Window(std::size_t view = 0) { return *views_.at(view).window; }
    // "shape" or "drawing". Host thread only.
    const std::string& Kind() const { return kind_; }

private:
    struct PickAnswers {
        mutable std::mutex lock;
        std::map<std::pair<int, int>, unsigned int> answers;
        std::map<std::array<int, 4>, std::vector<unsigned int>> boxes;
        IdBuffer drawn;
    };
    class StackTracker;
    struct ViewParts {
        du::SmartPtr<rzk::View> view;
        du::SmartPtr<ViewerWindow> window;
        du::SmartPtr<rzk::WorkflowManager> manager;
        std::shared_ptr<PickAnswers> picks = std::make_shared<PickAnswers>();
        du::SmartPtr<StackTracker> stack;
    };

    std::optional<std::string> AddView();

    apps::PlugIn plugIn_;
    bool started_ = false;
    std::string kind_;
    std::string baseDir_;
    std::string buildDir_;
    du::SmartPtr<rzloader::Loader> loader_;
    du::SmartPtr<rzk::WorkflowModule> module_;
    std::vector<ViewParts> views_;
    std::size_t active_ = 0;
};

// Reads a workflow to install as the command line gives it, NAME or NAME@PRIORITY, into add; false (add
// untouched) when the name is empty or the priority is not a whole number from 0 to 4294967295.
bool ParseWorkflowToAdd(const std::string& text, session::Add& add);

}  // namespace viewer
