#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
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

// The viewer's side of the plug-in: loads libworkflow.so as the session host does, builds one view of the
// kind asked for, and runs session-language commands against it, whether they come from a person's input
// (made from window events), a session file or the viewer's own setup. The plug-in runs on its own module
// thread on the real clock.
class ViewerHost {
public:
    ViewerHost();
    ~ViewerHost();
    ViewerHost(const ViewerHost&) = delete;
    ViewerHost& operator=(const ViewerHost&) = delete;

    // Loads the plug-in and makes the view ("shape" or "drawing") with its manager; the one-line reason
    // when that fails. Host thread only.
    std::optional<std::string> Start(const std::string& pluginPath, const std::string& kind);
    // Destroys the manager and lets the plug-in go. Host thread only.
    void Stop();

    // Runs one command of the session language; relative "load" paths are looked for in baseDir, then in
    // buildDir and its plugins/. Answers the one-line reason when the command cannot run. "tick" is the
    // caller's (it owns time); "expect" and "print" write to out, an expectation under its line number.
    // Host thread only.
    std::optional<std::string> Execute(const session::Command& command, int line, std::string& out);
    // Returns once the plug-in's thread has handled everything posted to it so far. Host thread only.
    void Settle();
    // Host thread only.
    void SetSearchDirs(std::string baseDir, std::string buildDir);
    // The names of the workflows the loaded plug-ins make for this view, in name order. Host thread only.
    std::vector<std::string> WorkflowNames() const;

    // The part under (x, y) as the view's picker will answer it from now on (a session's "pick" line);
    // points never set are answered from what was drawn (SetDrawn), 0 before any picture. Any thread.
    void SetPick(int x, int y, unsigned int instance);
    // The parts inside a rectangle as the view's region picker will answer it from now on (a session's
    // "pick-box" line); other rectangles are answered from what was drawn. Any thread.
    void SetPickBox(const session::PickBox& box);
    // Any thread.
    bool HasPick(int x, int y) const;
    // The parts the last picture drew inside the rectangle (corners in any order), each once. Any thread.
    std::vector<unsigned int> DrawnInside(int x0, int y0, int x1, int y1) const;
    // What the last picture drew: the view answers every other point, and every rectangle, from it. Any
    // thread.
    void SetDrawn(IdBuffer drawn);

    // The view and window made by Start, for reading back what the workflows did. Host thread only.
    rzk::View& View() { return *view_; }
    ViewerWindow& Window() { return *window_; }
    // "shape" or "drawing". Host thread only.
    const std::string& Kind() const { return kind_; }

private:
    struct PickAnswers {
        mutable std::mutex lock;
        std::map<std::pair<int, int>, unsigned int> answers;
        std::map<std::array<int, 4>, std::vector<unsigned int>> boxes;
        IdBuffer drawn;
    };

    apps::PlugIn plugIn_;
    bool started_ = false;
    std::string kind_;
    std::string baseDir_;
    std::string buildDir_;
    du::SmartPtr<rzloader::Loader> loader_;
    du::SmartPtr<rzk::WorkflowModule> module_;
    du::SmartPtr<rzk::WorkflowManager> manager_;
    du::SmartPtr<rzk::View> view_;
    du::SmartPtr<ViewerWindow> window_;
    std::shared_ptr<PickAnswers> picks_ = std::make_shared<PickAnswers>();
};

// Reads a workflow to install as the command line gives it, NAME or NAME@PRIORITY, into add; false (add
// untouched) when the name is empty or the priority is not a whole number from 0 to 4294967295.
bool ParseWorkflowToAdd(const std::string& text, session::Add& add);

}  // namespace viewer
