// workflow-viewer: a window showing a 3D model or a 2D drawing, driven by the example workflows through
// the workflow plug-in. The viewer never moves the camera itself: it draws what the workflows left.
#include <SDL.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Annotations.h"
#include "Command.h"
#include "Fit.h"
#include "Font.h"
#include "Format.h"
#include "GlRasteriser.h"
#include "Installed.h"
#include "Mesh.h"
#include "Parse.h"
#include "PlugInWatch.h"
#include "Raster.h"
#include "SpaceMouse.h"
#include "TouchInput.h"
#include "ViewLayout.h"
#include "ViewState.h"
#include "ViewerHost.h"
#include "dp/RZTracer.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int STATUS_HEIGHT = 16;
constexpr std::uint32_t GAP_COLOUR = 0xff50505a;     // between views
constexpr std::uint32_t ACTIVE_COLOUR = 0xff4a90e2;  // the active view's border
constexpr std::int64_t TICK_STEP = 10;  // the session language's unit of time, the window timer's period

volatile std::sig_atomic_t snapshotSignal = 0;

struct Options {
    std::string objPath;
    std::string shape = "assembly";
    std::string renderer = "software";
    std::size_t triangles = 0;
    bool drawing = false;
    std::string pluginPath = apps::BesideProgram(WORKFLOW_VIEWER_PLUGIN);
    std::string examplesPath = apps::BesideProgram(WORKFLOW_VIEWER_EXAMPLES);
    int width = 800;
    int height = 600;
    std::string recordPath;
    std::string sessionPath;
    bool quitAfterSession = false;
    std::string snapshotPrefix;
    bool measure = false;
    std::vector<std::string> loads;  // the author's plug-ins, loaded after the examples
    std::vector<std::string> adds;   // NAME or NAME@PRIORITY, installed after the examples' workflows
    bool watch = false;              // reload a loaded plug-in file when it is rebuilt
    int views = 1;
};

// Where several views of a model start looking from, as a CAD window splits: the first is the free one.
struct Angles {
    double yaw;
    double pitch;
};
const std::vector<Angles>& StartingAngles(int views) {
    static const std::vector<Angles> one = {{0, 0}};
    static const std::vector<Angles> two = {{30, 20}, {0, 0}};                     // free, front
    static const std::vector<Angles> four = {{30, 20}, {0, 90}, {0, 0}, {90, 0}};  // free, top, front, side
    return views == 4 ? four : views == 2 ? two : one;
}

// A line of a recording and the view it goes to (ANY_VIEW: a line that goes to no view in particular).
constexpr std::size_t ANY_VIEW = static_cast<std::size_t>(-1);
struct ViewLine {
    std::size_t view = ANY_VIEW;
    session::Command command;
};

// Writes what the person does as a session: the header that rebuilds the views, then every input command,
// each preceded by the real time since the previous one, rounded to the tick step, and by "focus N" when it
// goes to another view than the line before.
class Recorder {
public:
    bool Open(const std::string& path) {
        file_.open(path);
        start_ = Clock::now();
        return static_cast<bool>(file_);
    }
    bool IsOpen() const { return file_.is_open(); }
    void Header(std::size_t view, const session::Command& command) {
        Flush({});
        Write({view, command});
    }
    void Line(std::size_t view, const session::Command& command) {
        if (!file_.is_open()) {
            return;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
        const std::int64_t due = (elapsed + TICK_STEP / 2) / TICK_STEP * TICK_STEP;
        // A pause longer than a tick may be is written as several.
        while (due > written_) {
            const std::int64_t step = std::min(due - written_, session::MAX_TICK);
            held_.push_back({ANY_VIEW, session::Tick{step}});
            written_ += step;
        }
        held_.push_back({view, command});
    }
    // Writes the lines held since the last call after what the host answered the workflows meanwhile
    // (answers): a replay needs an answer stated before the input that made a workflow ask for it.
    void Flush(const std::vector<ViewLine>& answers) {
        for (const ViewLine& answer : answers) {
            Write(answer);
        }
        for (const ViewLine& line : held_) {
            Write(line);
        }
        held_.clear();
    }
    bool Close() {
        if (!file_.is_open()) {
            return true;
        }
        Flush({});
        file_.close();
        return !file_.fail();
    }

private:
    void Write(const ViewLine& line) {
        if (!file_.is_open()) {
            return;
        }
        if (line.view != ANY_VIEW && line.view != focused_) {
            file_ << session::Format(session::Focus{static_cast<int>(line.view) + 1}) << "\n";
            focused_ = line.view;
        }
        file_ << session::Format(line.command) << "\n";
    }

    std::ofstream file_;
    Clock::time_point start_;
    std::int64_t written_ = 0;
    std::vector<ViewLine> held_;  // not written yet: the answers their input asked for come first
    std::size_t focused_ = 0;     // the view the lines written last go to
};

// A session file played into the live window: its lines run as their ticks fall due on the real clock.
struct LiveSession {
    session::Script script;
    std::size_t next = 0;
    std::size_t view = 0;  // where its lines go: "focus N" moves it
    Clock::time_point due;
    int failed = 0;
    std::string dir;
};

std::string Median(std::vector<double> values) {
    if (values.empty()) {
        return "n/a";
    }
    std::sort(values.begin(), values.end());
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", values[values.size() / 2]);
    return text;
}

SDL_SystemCursor SystemCursorFor(const du::Symbol& cursor) {
    if (!cursor.IsSet() || cursor == du::Symbol::EMPTY) {
        return SDL_SYSTEM_CURSOR_ARROW;
    }
    static const std::map<std::string, SDL_SystemCursor> named = {
        {"rotate", SDL_SYSTEM_CURSOR_HAND},     {"pan", SDL_SYSTEM_CURSOR_SIZEALL},
        {"cross", SDL_SYSTEM_CURSOR_CROSSHAIR}, {"crosshair", SDL_SYSTEM_CURSOR_CROSSHAIR},
        {"wait", SDL_SYSTEM_CURSOR_WAIT},       {"no", SDL_SYSTEM_CURSOR_NO},
        {"text", SDL_SYSTEM_CURSOR_IBEAM},      {"hand", SDL_SYSTEM_CURSOR_HAND}};
    auto found = named.find(cursor.ToString());
    return found == named.end() ? SDL_SYSTEM_CURSOR_ARROW : found->second;
}

// A key word of the session language for a key that has no text of its own, empty for keys that give
// text (those arrive as text input).
std::string KeyWord(SDL_Keycode key) {
    switch (key) {
        case SDLK_ESCAPE:
            return "Escape";
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return "Return";
        case SDLK_TAB:
            return "Tab";
        case SDLK_BACKSPACE:
            return "BackSpace";
        default:
            break;
    }
    if (key >= 32 && key < 127) {
        return std::string();
    }
    std::string name = SDL_GetKeyName(key);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name.size() > 1 ? name : std::string();
}

bool IsKeypad(SDL_Keycode key) {
    const SDL_Scancode code = SDL_GetScancodeFromKey(key);
    return (code >= SDL_SCANCODE_KP_DIVIDE && code <= SDL_SCANCODE_KP_PERIOD) ||
           code == SDL_SCANCODE_KP_EQUALS || code == SDL_SCANCODE_KP_COMMA ||
           code == SDL_SCANCODE_KP_EQUALSAS400 ||
           (code >= SDL_SCANCODE_KP_00 && code <= SDL_SCANCODE_KP_HEXADECIMAL);
}

int ModifierOf(SDL_Keycode key) {
    switch (key) {
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 0;
        case SDLK_LALT:
        case SDLK_RALT:
            return 1;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return 2;
        default:
            return -1;
    }
}

std::optional<session::Button> ButtonOf(std::uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return session::Button::Left;
        case SDL_BUTTON_MIDDLE:
            return session::Button::Middle;
        case SDL_BUTTON_RIGHT:
            return session::Button::Right;
        default:
            return std::nullopt;
    }
}

class Viewer {
public:
    explicit Viewer(Options options)
        : options_(std::move(options)), frame_(options_.width, options_.height), overlay_(1, 1) {}

    int Run() {
        if (auto error = LoadModel()) {
            std::cerr << "error: " << *error << "\n";
            return 2;
        }
        if (!options_.sessionPath.empty()) {
            if (auto error = ReadSession()) {
                std::cerr << "error: " << *error << "\n";
                return 2;
            }
        }
        host_.SetSearchDirs(live_ ? live_->dir : std::string(), WORKFLOW_VIEWER_BUILD_DIR);
        if (auto error = host_.Start(options_.pluginPath, options_.drawing ? "drawing" : "shape",
                                     static_cast<std::size_t>(options_.views))) {
            std::cerr << "error: " << *error << "\n";
            return 3;
        }
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            slots_.push_back(std::make_unique<ViewSlot>());
        }
        if (rasteriser_) {
            ProvideBounds();
            if (host_.ViewCount() > 1) {
                const std::vector<Angles>& angles = StartingAngles(options_.views);
                for (std::size_t view = 0; view < host_.ViewCount() && view < angles.size(); ++view) {
                    host_.View(view).GetCamera()->SetAngles(angles[view].yaw, angles[view].pitch);
                }
            }
        }
        if (!options_.recordPath.empty() && !recorder_.Open(options_.recordPath)) {
            std::cerr << "error: cannot write the recording " << options_.recordPath << "\n";
            return 3;
        }
        recording_ = recorder_.IsOpen();
        // The workflows first: a plug-in or a name that is wrong is said before any window opens.
        if (auto error = InstallWorkflows()) {
            std::cerr << "error: " << *error << "\n";
            // The plug-in's trace as its thread ends would follow the one line that says what is wrong.
            dp::SetTraceSink([](const dp::TraceRecord&) {});
            return 3;
        }
        if (options_.watch) {
            WatchPlugIns();
        }
        if (auto error = StartWindow()) {
            std::cerr << "error: " << *error << "\n";
            return 3;
        }
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            const viewer::ViewRect& place = slots_[view]->place;
            const session::Command size = session::WindowInput(session::Size{place.width, place.height});
            recorder_.Header(view, size);
            if (auto error = Run(size, 0, view)) {
                std::cerr << "error: " << *error << "\n";
                return 3;
            }
        }
        Loop();
        return Finish();
    }

private:
    std::optional<std::string> LoadModel() {
        if (options_.drawing) {
            drawing_ = viewer::MakeSampleDrawing();
            return std::nullopt;
        }
        if (!options_.objPath.empty()) {
            if (auto error = viewer::LoadModel(options_.objPath, mesh_)) {
                return error;
            }
        } else if (options_.triangles > 0) {
            mesh_ = viewer::MakeTriangleSheet(options_.triangles);
        } else if (options_.shape == "cube") {
            mesh_ = viewer::MakeCube();
        } else if (options_.shape == "sphere") {
            mesh_ = viewer::MakeSphere();
        } else {
            mesh_ = viewer::MakeAssembly();
        }
        rasteriser_.emplace(mesh_);
        return std::nullopt;
    }

    // The view's answer to "where are these parts drawn", for fitting: asked on the plug-in's thread, so it
    // reads only the model (fixed once loaded), the camera and the drawing area's size.
    void ProvideBounds() {
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            ProvideBounds(view);
        }
    }

    void ProvideBounds(std::size_t view) {
        host_.View(view).SetBoundsProvider(
            [this, view, slot = slots_[view].get(), camera = host_.View(view).GetCamera()](
                const std::vector<unsigned int>& ids, rzk::View::InstanceBounds& bounds) {
                const int width = slot->areaWidth.load();
                const int height = slot->areaHeight.load();
                const std::optional<viewer::PixelBox> box = viewer::PartsBox(
                    mesh_, camera->GetYaw(), camera->GetPitch(), {ids.begin(), ids.end()}, width, height);
                if (!box) {
                    return false;
                }
                bounds = {box->left,
                          box->top,
                          box->right,
                          box->bottom,
                          static_cast<double>(width),
                          static_cast<double>(height)};
                if (recording_) {
                    // A headless replay has no drawing to ask: the recording states the answer.
                    std::vector<unsigned int> parts = ids;
                    std::sort(parts.begin(), parts.end());
                    std::lock_guard hold(answersLock_);
                    answers_.push_back(
                        {view, session::Bounds{camera->GetYaw(), camera->GetPitch(), bounds.left, bounds.top,
                                               bounds.right, bounds.bottom, bounds.areaWidth,
                                               bounds.areaHeight, parts}});
                }
                return true;
            });
    }

    std::optional<std::string> ReadSession() {
        std::ifstream file(options_.sessionPath, std::ios::binary);
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(options_.sessionPath, ignored) || !file) {
            return "cannot read the session file " + options_.sessionPath;
        }
        std::stringstream text;
        text << file.rdbuf();
        live_.emplace();
        session::ScriptError error;
        if (!session::Parse(options_.sessionPath, text.str(), live_->script, error)) {
            return error.ToString();
        }
        live_->dir = std::filesystem::path(options_.sessionPath).parent_path().string();
        live_->due = Clock::now();
        return std::nullopt;
    }

    std::optional<std::string> StartWindow() {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            return std::string("cannot open a window: ") + SDL_GetError();
        }
        sdlStarted_ = true;
        // Without a display SDL falls back to drawing nowhere: a viewer nobody can see is an error, unless
        // asked for by name.
        const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
        if ((driver == "offscreen" || driver == "dummy") && !SDL_getenv("SDL_VIDEODRIVER")) {
            return "cannot open a window: no display (DISPLAY is not set; SDL_VIDEODRIVER=offscreen runs "
                   "without one)";
        }
        if (options_.renderer == "gl" && rasteriser_) {
            window_ = SDL_CreateWindow("workflow-viewer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       options_.width, options_.height,
                                       SDL_WINDOW_RESIZABLE | viewer::GlRasteriser::PrepareWindow());
            // Without a usable GL the software rasteriser draws the same picture, more slowly.
            const std::optional<std::string> error =
                window_ ? viewer::GlRasteriser::Create(window_, mesh_, gl_) : std::string(SDL_GetError());
            if (error) {
                std::cerr << "warning: drawing without OpenGL: " << *error << "\n";
                gl_.reset();
                if (window_) {
                    SDL_DestroyWindow(window_);
                    window_ = nullptr;
                }
            }
        }
        if (!window_) {
            window_ = SDL_CreateWindow("workflow-viewer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       options_.width, options_.height, SDL_WINDOW_RESIZABLE);
        }
        if (!window_) {
            return std::string("cannot open a window: ") + SDL_GetError();
        }
        // Software rendering runs wherever there is a display, a virtual one included.
        renderer_ = gl_ ? nullptr : SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!gl_ && !renderer_) {
            return std::string("cannot draw in the window: ") + SDL_GetError();
        }
        SDL_StartTextInput();
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window_, &width, &height);
        Resize(width, height);
        return std::nullopt;
    }

    std::optional<std::string> InstallWorkflows() {
        recorder_.Header(
            ANY_VIEW, session::View{options_.drawing ? session::ViewKind::Drawing : session::ViewKind::Shape,
                                    static_cast<int>(host_.ViewCount())});
        // Where each view starts looking from, when the viewer turned it.
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            const auto camera = host_.View(view).GetCamera();
            if (camera->GetYaw() != 0 || camera->GetPitch() != 0) {
                recorder_.Header(view, session::Angles{camera->GetYaw(), camera->GetPitch()});
            }
        }
        std::vector<session::Command> commands = {session::Load{options_.examplesPath}};
        for (const char* name :
             options_.drawing ? std::vector<const char*>{"pan", "zoom"}
                              : std::vector<const char*>{"orbit", "pan", "zoom", "select", "boxselect"}) {
            commands.emplace_back(session::HostCall(session::Add{name, std::nullopt, false}));
        }
        // The author's plug-ins: given on the command line, so relative to where the viewer was started;
        // written absolute into a recording so that it replays from anywhere.
        for (const std::string& path : options_.loads) {
            std::error_code ignored;
            const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
            commands.emplace_back(session::Load{absolute.empty() ? path : absolute.string()});
        }
        for (const std::string& text : options_.adds) {
            session::Add add;
            if (!viewer::ParseWorkflowToAdd(text, add)) {
                return "--add " + text + ": give a workflow as NAME or NAME@PRIORITY (a whole number)";
            }
            commands.emplace_back(session::HostCall(add));
        }
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            for (const session::Command& command : commands) {
                // The plug-ins load once, into the loader every view shares; each view installs the
                // workflows.
                if (view > 0 && std::holds_alternative<session::Load>(command)) {
                    continue;
                }
                recorder_.Header(view, command);
                if (auto error = Run(command, 0, view)) {
                    return error;
                }
            }
        }
        return std::nullopt;
    }

    // The plug-in files loaded at start, the examples' and the author's, with the workflows each makes.
    void WatchPlugIns() {
        std::vector<std::string> paths = {options_.examplesPath};
        paths.insert(paths.end(), options_.loads.begin(), options_.loads.end());
        for (const std::string& given : paths) {
            std::error_code error;
            const std::string path = std::filesystem::absolute(given, error).lexically_normal().string();
            if (!std::filesystem::is_regular_file(path, error)) {
                std::cerr << "warning: --watch follows plug-in files, not folders: " << given
                          << " is not watched; load its libraries one by one\n";
                continue;
            }
            std::vector<std::string> names;
            if (auto problem = host_.WorkflowsOf(path, names)) {
                std::cerr << "warning: " << *problem << "; " << given << " is not watched\n";
                continue;
            }
            watch_.Add(path);
            watched_[path] = std::move(names);
        }
    }

    // A watched plug-in was rebuilt: the workflows it made and those the new build makes leave every view,
    // the new build is loaded from a copy of its own (the old one stays mapped: what it made may still be
    // running its code), and those the new build still makes come back at the priorities they had. The
    // views' cameras and selection stay; what the workflows kept in themselves starts again. A build that
    // does not load changes nothing.
    void Reload(const std::string& path) {
        std::string copy;
        if (auto error = viewer::FreshCopy(path, std::filesystem::temp_directory_path().string(), copy)) {
            std::cerr << "warning: " << path << " changed but " << *error << "; its workflows stay\n";
            return;
        }
        std::vector<std::string> names;
        std::optional<std::string> error = host_.WorkflowsOf(copy, names);
        if (!error) {
            host_.Settle();
            std::vector<std::string>& before = watched_[path];
            const auto makes = [](const std::vector<std::string>& list, const std::string& name) {
                return std::find(list.begin(), list.end(), name) != list.end();
            };
            struct Again {
                std::size_t view;
                unsigned int priority;
                std::string name;
            };
            std::vector<Again> again;
            for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
                for (const auto& [priority, name] : host_.Installed(view)) {
                    if (makes(before, name) || makes(names, name)) {
                        Input(view, session::HostCall(session::Remove{{}, priority}));
                        if (makes(names, name)) {
                            again.push_back({view, priority, name});
                        }
                    }
                }
            }
            host_.Settle();
            std::vector<std::string> gone;
            std::copy_if(before.begin(), before.end(), std::back_inserter(gone),
                         [&](const std::string& name) { return !makes(names, name); });
            host_.ForgetWorkflows(gone);
            error = Run(session::Load{copy});
            for (const Again& workflow : again) {
                Input(workflow.view,
                      session::HostCall(session::Add{workflow.name, workflow.priority, false}));
            }
            before = names;
            std::cout << "reloaded " << path << ": " << again.size() << " workflows installed again";
            for (const std::string& name : gone) {
                std::cout << ", " << name << " no longer made";
            }
            std::cout << std::endl;
            redraw_ = true;
        }
        std::error_code ignored;
        std::filesystem::remove(copy, ignored);
        if (error) {
            std::cerr << "warning: " << path << " changed but " << *error << "; its workflows stay\n";
        }
    }

    // Runs a command of the session language against the view; what it prints goes to standard output.
    std::optional<std::string> Run(const session::Command& command, int lineNumber = 0,
                                   std::size_t view = 0) {
        std::string out;
        auto problem = host_.Execute(command, lineNumber, out, view);
        if (!out.empty()) {
            std::cout << out << std::endl;
            if (out.find("FAILED") != std::string::npos && live_) {
                ++live_->failed;
            }
        }
        return problem;
    }

    // A person's input: recorded, then run. A left button tells the view first what is drawn under it,
    // so that select picks the part the person sees, and a replay picks the same.
    void Input(std::size_t view, const session::Command& command) {
        ReadBackDrawn();
        recorder_.Line(view, command);
        if (auto error = Run(command, 0, view)) {
            std::cerr << "warning: " << *error << "\n";
        }
        inputPosted_ = true;
    }

    // Keys, the 3D mouse, touch and a played session go to the active view.
    void Input(const session::Command& command) { Input(host_.Active(), command); }

    // The picture a view was drawn into: the window's own when it shows one view.
    viewer::Frame& PictureOf(std::size_t view) { return slots_.size() == 1 ? frame_ : slots_[view]->picture; }

    void Pick(std::size_t view, int x, int y) {
        ReadBackDrawn();
        Input(view, session::Pick{x, y, PictureOf(view).InstanceAt(x, y)});
    }

    // A left drag may be a box selection: what is drawn inside the dragged rectangle is written before the
    // release, cut to what one session line holds, so that a replay's region picker answers the same.
    void PickBox(std::size_t view, int x0, int y0, int x1, int y1) {
        ReadBackDrawn();
        session::PickBox box{x0, y0, x1, y1, {}};
        std::size_t length = session::Format(box).size();
        for (const unsigned int id : host_.DrawnInside(x0, y0, x1, y1, view)) {
            length += 1 + std::to_string(id).size();
            if (length > session::MAX_LINE_LENGTH) {
                std::cerr << "warning: the recording lists only the first " << box.ids.size()
                          << " parts inside the dragged rectangle\n";
                break;
            }
            box.ids.push_back(id);
        }
        Input(view, box);
    }

    // A button at window point (x, y) goes to the view under it in that view's coordinates; answers that
    // view, -1 when the point is in none.
    int Button(bool down, session::Button button, int x, int y) {
        const viewer::ViewRouter::Target target = down ? router_.Press(x, y) : router_.Release(x, y);
        if (target.view < 0) {
            return -1;
        }
        const auto view = static_cast<std::size_t>(target.view);
        if (down) {
            activationPress_ = target.activates;
        }
        if (target.activates) {
            // Asked before the press is posted: the view's observer then drops it and its release.
            recorder_.Line(ANY_VIEW, session::Activate{static_cast<int>(view) + 1});
            host_.Activate(view);
        }
        if (button == session::Button::Left) {
            if (!down && leftFrom_ && *leftFrom_ != std::pair(target.x, target.y)) {
                PickBox(view, leftFrom_->first, leftFrom_->second, target.x, target.y);
            }
            leftFrom_.reset();
            if (down) {
                leftFrom_.emplace(target.x, target.y);
            }
            Pick(view, target.x, target.y);
        }
        Input(view, down ? session::WindowInput(session::Down{button, target.x, target.y})
                         : session::WindowInput(session::Up{button, target.x, target.y}));
        return target.view;
    }

    void Handle(const SDL_Event& event) {
        if (event.type != SDL_TEXTINPUT) {
            SendKeypadWord();
        }
        switch (event.type) {
            case SDL_QUIT:
                running_ = false;
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                const std::optional<session::Button> button = ButtonOf(event.button.button);
                if (!button) {
                    break;
                }
                const bool down = event.type == SDL_MOUSEBUTTONDOWN;
                const bool afterActivation = activationPress_;
                const int view = Button(down, *button, event.button.x, event.button.y);
                // A pair of which one press only activated its view is no double click of that view: the
                // one after the activating press is the view's first.
                if (down && event.button.clicks == 2 && view >= 0 && !afterActivation && !activationPress_) {
                    Input(static_cast<std::size_t>(view),
                          session::WindowInput(session::DoubleClick{*button}));
                }
                break;
            }
            case SDL_MOUSEMOTION:
                // SDL also moves the mouse with the first finger; under a two-finger gesture that move
                // is not the person's pointer, and would orbit while they pinch.
                if (event.motion.which == SDL_TOUCH_MOUSEID && touch_.Fingers() > 1) {
                    break;
                }
                PointerMove(event.motion.x, event.motion.y, event.motion.state != 0);
                break;
            case SDL_MOUSEWHEEL: {
                int notches = event.wheel.y;
                if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
                    notches = -notches;
                }
                if (notches != 0) {
                    int x = 0;
                    int y = 0;
                    SDL_GetMouseState(&x, &y);
                    const auto delta = static_cast<short>(std::clamp(notches * 120, -32760, 32760));
                    if (const viewer::ViewRouter::Target target = router_.At(x, y); target.view >= 0) {
                        Input(static_cast<std::size_t>(target.view),
                              session::WindowInput(session::Wheel{delta, target.x, target.y}));
                    }
                }
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                Key(event.key);
                break;
            case SDL_FINGERDOWN:
            case SDL_FINGERMOTION:
            case SDL_FINGERUP:
                Finger(event.tfinger);
                break;
            case SDL_TEXTINPUT:
                Text(event.text.text);
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    Resize(event.window.data1, event.window.data2);
                    for (std::size_t view = 0; view < slots_.size(); ++view) {
                        const viewer::ViewRect& place = slots_[view]->place;
                        Input(view, session::WindowInput(session::Size{place.width, place.height}));
                    }
                } else if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
                    if (const int view = router_.Leave(); view >= 0) {
                        Input(static_cast<std::size_t>(view), session::WindowInput(session::Leave{}));
                    }
                } else if (event.window.event == SDL_WINDOWEVENT_ENTER) {
                    // An active view lets the activation pass; no session line stands for it. An inactive
                    // view is asked only by a press into it, which it is then sure to see.
                    host_.Window(host_.Active()).PostMouseActivate();
                } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    redraw_ = true;
                }
                break;
            default:
                break;
        }
    }

    void Key(const SDL_KeyboardEvent& key) {
        const bool down = key.type == SDL_KEYDOWN;
        if (const int modifier = ModifierOf(key.keysym.sym); modifier >= 0) {
            // What the keyboard holds is every view's to know: Shift held down while a click activates
            // another view still makes that view's drag a box selection.
            for (std::size_t view = 0; view < host_.ViewCount() && !key.repeat; ++view) {
                Input(view, session::WindowInput(
                                session::ModifierKey{static_cast<session::Modifier>(modifier), down}));
            }
            return;
        }
        if (!down) {
            return;
        }
        // The viewer's own keys: they never reach the workflows.
        switch (key.keysym.sym) {
            case SDLK_F2: {
                bool& measuring = slots_[host_.Active()]->measuring;
                Input(measuring ? session::HostCall(session::Remove{"measure", std::nullopt})
                                : session::HostCall(session::Add{"measure", std::nullopt, false}));
                measuring = !measuring;
                return;
            }
            case SDLK_F3:
                wireframe_ = !wireframe_;
                redraw_ = true;
                return;
            case SDLK_F12:
                ++snapshotsWanted_;
                return;
            case SDLK_q:
                if (key.keysym.mod & KMOD_CTRL) {
                    running_ = false;
                    return;
                }
                break;
            default:
                break;
        }
        if (std::string word = KeyWord(key.keysym.sym); !word.empty()) {
            // A keypad key that gives text ("+", "7") is that text, which follows as text input: its name
            // waits, so that one press is one key message (NumLock off, no text comes and the name goes).
            if (IsKeypad(key.keysym.sym) && key.keysym.sym != SDLK_KP_ENTER) {
                keypadWord_ = std::move(word);
                return;
            }
            Input(session::WindowInput(session::Key{word}));
        }
    }

    void SendKeypadWord() {
        if (!keypadWord_.empty()) {
            Input(session::WindowInput(session::Key{std::exchange(keypadWord_, std::string())}));
        }
    }

    // A finger on a touch screen: its place is a fraction of the window, made pixels here.
    void Finger(const SDL_TouchFingerEvent& finger) {
        const int x = static_cast<int>(finger.x * static_cast<float>(frame_.Width()));
        const int y = static_cast<int>(finger.y * static_cast<float>(frame_.Height()));
        const int time = static_cast<int>(finger.timestamp & 0x7fffffff);
        std::optional<session::Touch> touch =
            finger.type == SDL_FINGERDOWN ? touch_.Down(finger.fingerId, x, y, time)
            : finger.type == SDL_FINGERUP ? touch_.Up(finger.fingerId, x, y, time)
                                          : touch_.Move(finger.fingerId, x, y, time);
        if (touch) {
            // Touch goes to the active view, in its coordinates.
            const viewer::ViewRect& place = slots_[host_.Active()]->place;
            for (session::Touch::Point& point : touch->points) {
                if (point.id != 0) {
                    point.x -= place.x;
                    point.y -= place.y;
                }
            }
            Input(session::WindowInput(*touch));
        }
    }

    void Text(const char* text) {
        keypadWord_.clear();  // the keypad key's text stands for it
        const std::string all(text);
        for (std::size_t i = 0; i < all.size();) {
            std::size_t length = 1;
            const auto lead = static_cast<unsigned char>(all[i]);
            if (lead >= 0xf0) {
                length = 4;
            } else if (lead >= 0xe0) {
                length = 3;
            } else if (lead >= 0xc0) {
                length = 2;
            }
            // A blank is written by its name, so that a recording reads as typed.
            const std::string character = all.substr(i, length);
            Input(session::WindowInput(session::Key{character == " " ? "Space" : character}));
            i += length;
        }
    }

    // The pointer moved to window point (x, y): the view it left is told so, the one it is over (or the one
    // holding a button) gets the move.
    void PointerMove(int x, int y, bool buttonsDown) {
        const viewer::ViewRouter::Target target = router_.Move(x, y, buttonsDown);
        if (target.left >= 0) {
            Input(static_cast<std::size_t>(target.left), session::WindowInput(session::Leave{}));
        }
        if (target.view >= 0) {
            Input(static_cast<std::size_t>(target.view),
                  session::WindowInput(session::Move{target.x, target.y}));
        }
    }

    void Resize(int width, int height) {
        frame_.Resize(width, height);
        router_.SetViews(viewer::SplitWindow(static_cast<int>(slots_.size()), frame_.Width(), frame_.Height(),
                                             STATUS_HEIGHT));
        for (std::size_t view = 0; view < slots_.size(); ++view) {
            ViewSlot& slot = *slots_[view];
            slot.place = router_.Views()[view];
            slot.areaWidth = slot.place.width;
            slot.areaHeight = slot.place.areaHeight;
            if (slots_.size() > 1) {
                slot.picture.Resize(slot.place.width, slot.place.height);
            }
        }
        overlay_.Resize(frame_.Width(), frame_.Height());
        if (texture_) {
            SDL_DestroyTexture(texture_);
        }
        texture_ = renderer_ ? SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                                 SDL_TEXTUREACCESS_STREAMING, frame_.Width(), frame_.Height())
                             : nullptr;
        redraw_ = true;
    }

    // The session's lines that are due; a "tick" puts the next ones off by its length of real time.
    void PlaySession() {
        if (!live_) {
            return;
        }
        while (live_->next < live_->script.lines.size() && Clock::now() >= live_->due) {
            const session::ScriptLine& step = live_->script.lines[live_->next++];
            const session::Command& command = step.command;
            if (const auto* tick = std::get_if<session::Tick>(&command)) {
                live_->due = Clock::now() + std::chrono::milliseconds(tick->length);
                continue;
            }
            // Which view the lines go to is the session's, as in the session host; activating is the host's.
            if (const auto* focus = std::get_if<session::Focus>(&command)) {
                if (static_cast<std::size_t>(focus->view) > host_.ViewCount()) {
                    std::cerr << "error: line " << step.line << ": there is no view " << focus->view
                              << ": the viewer shows " << host_.ViewCount() << "\n";
                    ++live_->failed;
                } else {
                    live_->view = static_cast<std::size_t>(focus->view - 1);
                }
                continue;
            }
            if (const auto* activate = std::get_if<session::Activate>(&command)) {
                if (static_cast<std::size_t>(activate->view) > host_.ViewCount()) {
                    std::cerr << "error: line " << step.line << ": there is no view " << activate->view
                              << ": the viewer shows " << host_.ViewCount() << "\n";
                    ++live_->failed;
                } else {
                    recorder_.Line(ANY_VIEW, command);
                    host_.Activate(static_cast<std::size_t>(activate->view - 1));
                }
                continue;
            }
            const std::size_t view = live_->view;
            if (const auto* input = std::get_if<session::WindowInput>(&command)) {
                const auto* down = std::get_if<session::Down>(input);
                const auto* up = std::get_if<session::Up>(input);
                const bool left = (down && down->button == session::Button::Left) ||
                                  (up && up->button == session::Button::Left);
                const int x = down ? down->x : up ? up->x : 0;
                const int y = down ? down->y : up ? up->y : 0;
                if (left && !host_.HasPick(x, y, view)) {
                    // A session written by hand says nothing of what is drawn: the picture answers.
                    Pick(view, x, y);
                }
            }
            if (!std::holds_alternative<session::Expect>(command) &&
                !std::holds_alternative<session::Print>(command)) {
                recorder_.Line(view, command);
            }
            std::string out;
            ReadBackDrawn();
            if (auto error = host_.Execute(command, step.line, out, view)) {
                std::cerr << "error: line " << step.line << ": " << *error << "\n";
                ++live_->failed;
            }
            if (!out.empty()) {
                std::cout << out << std::endl;
                live_->failed += out.find("FAILED") != std::string::npos ? 1 : 0;
            }
            inputPosted_ = true;
        }
        if (live_->next == live_->script.lines.size() && options_.quitAfterSession &&
            Clock::now() >= live_->due) {
            running_ = false;
        }
    }

    // What the window shows, to draw again only on a change: which view is active, what it says in the
    // status line, and each view's picture.
    std::string State() {
        std::string state =
            std::to_string(host_.Active()) + "|" + host_.View(host_.Active()).GetStatusMessage();
        for (std::size_t view = 0; view < host_.ViewCount(); ++view) {
            state += "|" + PictureState(view);
        }
        return state;
    }

    // What one view's picture is drawn from.
    std::string PictureState(std::size_t view) {
        const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet(view);
        return apps::CameraText(*host_.View(view).GetCamera()) + "|" + apps::SelectionText(host_.View(view)) +
               "|" + std::to_string(annotations ? annotations->GetRevision() : 0);
    }

    du::SmartPtr<rzk::AnnoSet> AnnotationSet(std::size_t view) {
        du::SmartPtr<rzk::Scene> scene;
        du::SmartPtr<rzk::AnnoSet> annotations;
        host_.View(view).GetScene(scene);
        if (scene) {
            scene->GetAnnoSet(annotations);
        }
        return annotations;
    }

    // What one view is drawn with: its camera, the wireframe switch, its drawing area and its selection.
    std::pair<viewer::CameraState, viewer::RenderOptions> RenderSettings(std::size_t view, int areaHeight) {
        const du::SmartPtr<rzk::Camera>& camera = host_.View(view).GetCamera();
        viewer::CameraState state{camera->GetYaw(), camera->GetPitch(), camera->GetZoom(), camera->GetPanX(),
                                  camera->GetPanY()};
        viewer::RenderOptions render;
        render.wireframe = wireframe_;
        render.areaHeight = areaHeight;
        du::SmartPtr<rzk::Scene> scene;
        host_.View(view).GetScene(scene);
        du::SmartPtr<rzk::SelectionManager> selection;
        if (scene) {
            scene->GetSelectionManager(selection);
        }
        if (selection) {
            const std::vector<unsigned int> ids = selection->GetInstances();
            render.selected.assign(ids.begin(), ids.end());
        }
        return {state, render};
    }

    // Draws one view with its camera into picture in software, whose rows from areaHeight down are not the
    // view's; the view answers picks from it.
    void RenderView(std::size_t view, viewer::Frame& picture, int areaHeight) {
        const auto [state, render] = RenderSettings(view, areaHeight);
        picture.Clear(viewer::BACKGROUND);
        if (rasteriser_) {
            rasteriser_->Render(state, render, picture);
        } else {
            viewer::RenderDrawing(drawing_, state, render, picture);
        }
        host_.SetDrawn(viewer::IdBuffer{picture.Width(), picture.Height(), picture.Instances()}, view);
        if (const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet(view)) {
            viewer::DrawAnnotations(annotations->GetAnnotations(), areaHeight, picture);
        }
    }

    void Render() {
        const auto begin = Clock::now();
        const int areaHeight = frame_.Height() - STATUS_HEIGHT;
        if (gl_ && slots_.size() == 1 && !wireframe_) {
            // The model goes straight to the window; the status line and the annotations are drawn in
            // software over it, only as many rows as they need.
            const auto [state, render] = RenderSettings(0, areaHeight);
            const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet(0);
            const bool annotated = annotations && !annotations->GetAnnotations().empty();
            if (annotated) {
                overlay_.FillRect(0, 0, overlay_.Width(), areaHeight, 0);
                viewer::DrawAnnotations(annotations->GetAnnotations(), areaHeight, overlay_);
            }
            DrawStatus(overlay_);
            gl_->Present(state, render, overlay_, annotated ? 0 : areaHeight);
            idsInDriver_ = coloursInDriver_ = true;
        } else {
            if (slots_.size() == 1) {
                RenderView(0, frame_, areaHeight);
            } else {
                // Each view in its own picture of its own size, then into its place; the active one framed.
                // A view whose picture would be the same keeps it: a drag in one view draws only that one.
                frame_.Clear(GAP_COLOUR);
                for (std::size_t view = 0; view < slots_.size(); ++view) {
                    ViewSlot& slot = *slots_[view];
                    std::string state = PictureState(view);
                    if (redraw_ || state != slot.drawn) {
                        RenderView(view, slot.picture, slot.place.areaHeight);
                        slot.drawn = std::move(state);
                    }
                    frame_.Paste(slot.picture, slot.place.x, slot.place.y);
                }
                const viewer::ViewRect& active = slots_[host_.Active()]->place;
                frame_.FillRect(active.x, active.y, active.width, 2, ACTIVE_COLOUR);
                frame_.FillRect(active.x, active.y + active.height - 2, active.width, 2, ACTIVE_COLOUR);
                frame_.FillRect(active.x, active.y, 2, active.height, ACTIVE_COLOUR);
                frame_.FillRect(active.x + active.width - 2, active.y, 2, active.height, ACTIVE_COLOUR);
            }
            idsInDriver_ = coloursInDriver_ = false;
            DrawStatus(frame_);
            if (gl_) {
                gl_->ShowFrame(frame_);
            } else {
                SDL_UpdateTexture(texture_, nullptr, frame_.Pixels().data(), frame_.Width() * 4);
                SDL_RenderClear(renderer_);
                SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
                SDL_RenderPresent(renderer_);
            }
        }
        frameTimes_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }

    // The status line, the active view's text, over the bottom rows of frame; the window's title too.
    void DrawStatus(viewer::Frame& frame) {
        const std::string status = host_.View(host_.Active()).GetStatusMessage();
        frame.FillRect(0, frame.Height() - STATUS_HEIGHT, frame.Width(), STATUS_HEIGHT, 0xff32323c);
        viewer::DrawText(frame, 4, frame.Height() - STATUS_HEIGHT + 4, status, 0xffffffff);
        if (status != title_) {
            title_ = status;
            SDL_SetWindowTitle(window_, ("workflow-viewer - " + status).c_str());
        }
    }

    // A picture drawn by OpenGL keeps its part ids in the driver until someone may ask what is under a
    // point: before input goes to the workflows, and before a snapshot (which wants the colours too,
    // with the overlay drawn over them as on the screen).
    void ReadBackDrawn(bool colours = false) {
        const bool withColours = colours && coloursInDriver_;
        if (!gl_ || !(idsInDriver_ || withColours)) {
            return;
        }
        gl_->ReadBack(frame_, withColours);
        if (idsInDriver_) {
            host_.SetDrawn(viewer::IdBuffer{frame_.Width(), frame_.Height(), frame_.Instances()});
            idsInDriver_ = false;
        }
        if (withColours) {
            if (const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet(0)) {
                viewer::DrawAnnotations(annotations->GetAnnotations(), frame_.Height() - STATUS_HEIGHT,
                                        frame_);
            }
            DrawStatus(frame_);
            coloursInDriver_ = false;
        }
    }

    void WriteSnapshot() {
        ++snapshots_;
        if (options_.snapshotPrefix.empty()) {
            return;
        }
        ReadBackDrawn(true);
        const std::string base = options_.snapshotPrefix + "-" + std::to_string(snapshots_);
        std::ofstream state(base + ".txt.part");
        // The active view's state: what the status line shows and where keys go.
        const std::size_t active = host_.Active();
        const du::Symbol cursor = host_.Window(active).GetCursor();
        if (slots_.size() > 1) {
            state << "active " << active + 1 << "\n";
            for (std::size_t view = 0; view < slots_.size(); ++view) {
                state << "camera-" << view + 1 << " " << apps::CameraText(*host_.View(view).GetCamera())
                      << "\n";
            }
        }
        state << "camera " << apps::CameraText(*host_.View(active).GetCamera()) << "\n"
              << "selection " << apps::SelectionText(host_.View(active)) << "\n"
              << "status " << host_.View(active).GetStatusMessage() << "\n"
              << "cursor "
              << (!cursor.IsSet()               ? "none"
                  : cursor == du::Symbol::EMPTY ? "default"
                                                : cursor.ToString())
              << "\n";
        state.close();
        // The picture last, each file complete before it has its name: a watcher may read it at once.
        std::filesystem::rename(base + ".txt.part", base + ".txt");
        if (frame_.WritePpm(base + ".ppm.part")) {
            std::filesystem::rename(base + ".ppm.part", base + ".ppm");
        }
    }

    // The cursor is the one the view under the pointer asks for.
    void ApplyCursor() {
        bool changed = false;
        for (std::size_t view = 0; view < slots_.size(); ++view) {
            changed = host_.Window(view).TakeCursorChange() || changed;
        }
        const int pointer = router_.Pointer();
        if (pointer != cursorView_) {
            cursorView_ = pointer;
            changed = true;
        }
        if (!changed || pointer < 0) {
            return;
        }
        const SDL_SystemCursor wanted =
            SystemCursorFor(host_.Window(static_cast<std::size_t>(pointer)).GetCursor());
        SDL_Cursor*& cursor = cursors_[wanted];
        if (!cursor) {
            cursor = SDL_CreateSystemCursor(wanted);
        }
        if (cursor) {
            SDL_SetCursor(cursor);
        }
    }

    // Where the measuring drag starts: the middle of the active view.
    SDL_Point MeasureCentre() const {
        const viewer::ViewRect& place = slots_[host_.Active()]->place;
        return {place.x + place.width / 2, place.y + place.height / 2};
    }

    // Latency: from an input event entering the window's queue to the first picture that shows its effect.
    void MeasureStep() {
        if (!options_.measure) {
            return;
        }
        const auto now = Clock::now();
        if (measureSent_ && now - measureStart_ < std::chrono::milliseconds(500)) {
            return;
        }
        measureSent_ = false;  // a move that changed nothing (the one that starts the drag) is not timed
        if (measureStep_ == 0) {
            SDL_Event press{};
            press.type = SDL_MOUSEBUTTONDOWN;
            press.button.button = SDL_BUTTON_LEFT;
            press.button.state = SDL_PRESSED;
            press.button.clicks = 1;
            press.button.x = MeasureCentre().x;
            press.button.y = MeasureCentre().y;
            SDL_PushEvent(&press);
            ++measureStep_;
            return;
        }
        if (measureStep_ > MEASURE_MOVES) {
            running_ = false;
            return;
        }
        SDL_Event move{};
        move.type = SDL_MOUSEMOTION;
        move.motion.state = SDL_BUTTON_LMASK;
        move.motion.x = MeasureCentre().x + 6 * measureStep_;
        move.motion.y = MeasureCentre().y;
        SDL_PushEvent(&move);
        measureSent_ = true;
        measureStart_ = now;
        ++measureStep_;
    }

    void Loop() {
        std::string shown;
        while (running_) {
            MeasureStep();
            // Every queued event is handled before the next picture, so input never waits behind drawing
            // and no button transition is dropped.
            SDL_Event event;
            const bool busy =
                redraw_ || (live_ && live_->next < live_->script.lines.size()) || options_.measure;
            if (SDL_WaitEventTimeout(&event, busy ? 1 : 15)) {
                Handle(event);
                while (SDL_PollEvent(&event)) {
                    Handle(event);
                }
                SendKeypadWord();
            }
            while (const std::optional<session::Motion> motion = spaceMouse_.Poll()) {
                Input(session::WindowInput(*motion));
            }
            PlaySession();
            if (!watch_.Empty()) {
                for (const std::string& path : watch_.Changed(viewer::PlugInWatch::Clock::now())) {
                    Reload(path);
                }
            }
            if (inputPosted_) {
                host_.Settle();
                inputPosted_ = false;
            }
            recorder_.Flush(TakeAnswers());
            ApplyCursor();
            std::string state = State();
            if (state != shown || redraw_ || snapshotsWanted_ > 0) {
                Render();
                redraw_ = false;
                if (measureSent_ && state != shown) {
                    latencies_.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - measureStart_).count());
                    measureSent_ = false;
                }
                shown = std::move(state);
            }
            if (snapshotSignal) {
                snapshotSignal = 0;
                ++snapshotsWanted_;
                continue;  // drawn on the next round, after the input that came before the signal
            }
            for (; snapshotsWanted_ > 0; --snapshotsWanted_) {
                WriteSnapshot();
            }
        }
    }

    // What the host answered the workflows since the last call, as session lines.
    std::vector<ViewLine> TakeAnswers() {
        std::lock_guard hold(answersLock_);
        return std::exchange(answers_, {});
    }

    int Finish() {
        host_.Settle();
        recorder_.Flush(TakeAnswers());
        const std::string camera = apps::CameraText(*host_.View(host_.Active()).GetCamera());
        const std::string selection = apps::SelectionText(host_.View(host_.Active()));
        std::cout << "camera \"" << camera << "\"\nselection \"" << selection << "\"" << std::endl;
        if (options_.measure) {
            std::cout << "measure: " << mesh_.triangles.size() << " triangles, " << frame_.Width() << "x"
                      << frame_.Height() << ": frame " << Median(frameTimes_) << " ms, latency "
                      << Median(latencies_) << " ms (medians of " << frameTimes_.size() << " frames and "
                      << latencies_.size() << " moves)" << std::endl;
        }
        recorder_.Header(host_.Active(), session::Expect{session::Expectation::Camera, {}, 0, camera});
        recorder_.Header(host_.Active(), session::Expect{session::Expectation::Selection, {}, 0, selection});
        const bool recorded = recorder_.Close();
        gl_.reset();
        for (auto& [kind, cursor] : cursors_) {
            SDL_FreeCursor(cursor);
        }
        if (texture_) {
            SDL_DestroyTexture(texture_);
        }
        if (renderer_) {
            SDL_DestroyRenderer(renderer_);
        }
        if (window_) {
            SDL_DestroyWindow(window_);
        }
        host_.Stop();
        if (!recorded) {
            std::cerr << "error: cannot write the recording " << options_.recordPath << "\n";
            return 3;
        }
        return live_ && live_->failed > 0 ? 1 : 0;
    }

public:
    ~Viewer() {
        host_.Stop();  // before the members its view's bounds provider reads go
        gl_.reset();   // its context lives in SDL's window
        if (sdlStarted_) {
            SDL_Quit();
        }
    }

private:
    static constexpr int MEASURE_MOVES = 40;

    Options options_;
    viewer::Mesh mesh_;
    viewer::Drawing drawing_;
    std::optional<viewer::Rasteriser> rasteriser_;
    std::unique_ptr<viewer::GlRasteriser> gl_;  // made after the window, gone before it
    viewer::Frame frame_;           // the picture as shown: drawn here in software, read back from OpenGL
    viewer::Frame overlay_;         // over OpenGL's picture: the status line and the annotations, 0 elsewhere
    bool idsInDriver_ = false;      // the last picture's part ids are still only in the driver
    bool coloursInDriver_ = false;  // and its colours
    viewer::ViewerHost host_;
    // What the viewer keeps of each view: its place in the window, its own picture when the window shows
    // several (and what it was drawn from), the size of its drawing area (read by the plug-in's thread for
    // fitting) and the viewer's own measure tool, switched per view.
    struct ViewSlot {
        viewer::ViewRect place;
        viewer::Frame picture{1, 1};
        std::string drawn;  // what picture was drawn from
        std::atomic<int> areaWidth{0};
        std::atomic<int> areaHeight{0};
        bool measuring = false;
    };
    std::vector<std::unique_ptr<ViewSlot>> slots_;
    viewer::ViewRouter router_;
    viewer::PlugInWatch watch_;
    std::map<std::string, std::vector<std::string>> watched_;  // plug-in file: the workflows it makes
    bool activationPress_ = false;  // the last press only made its view the active one
    int cursorView_ = 0;            // the view whose cursor is shown
    Recorder recorder_;
    std::atomic<bool> recording_{false};  // read by the bounds provider on the plug-in's thread
    std::mutex answersLock_;
    std::vector<ViewLine> answers_;  // filled on the plug-in's thread, written by the recorder
    std::optional<LiveSession> live_;
    std::optional<std::pair<int, int>> leftFrom_;  // where the left button went down in its view, while down

    bool sdlStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::map<SDL_SystemCursor, SDL_Cursor*> cursors_;
    std::string title_;

    bool running_ = true;
    bool redraw_ = true;
    bool wireframe_ = false;
    viewer::TouchInput touch_;
    viewer::SpaceMouse spaceMouse_;
    bool inputPosted_ = false;
    int snapshotsWanted_ = 0;
    int snapshots_ = 0;

    std::string keypadWord_;  // a keypad key's name, sent only when no text comes of the press

    std::vector<double> frameTimes_;
    std::vector<double> latencies_;
    int measureStep_ = 0;
    bool measureSent_ = false;
    Clock::time_point measureStart_;
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Shows a model or a drawing in a window, moved by the workflows of the workflow plug-in.");
    Options options;
    app.add_option("model", options.objPath,
                   "A model file to show: OBJ, glTF, STL, PLY, 3MF, ... (default: a built-in model)");
    app.add_option("--shape", options.shape, "Built-in model: assembly, cube or sphere")
        ->check(CLI::IsMember({"assembly", "cube", "sphere"}))
        ->capture_default_str();
    app.add_option("--triangles", options.triangles, "Show a generated sheet of about N triangles");
    app.add_flag("--drawing", options.drawing, "Show a 2D drawing instead of a model");
    app.add_option("--renderer", options.renderer,
                   "Draw the model in software or with OpenGL (gl; software when there is no GL)")
        ->check(CLI::IsMember({"software", "gl"}))
        ->capture_default_str();
    app.add_option("--plugin", options.pluginPath, "The workflow plug-in library")->capture_default_str();
    app.add_option("--workflows", options.examplesPath,
                   "The workflow plug-in with orbit, pan, zoom, select, boxselect")
        ->capture_default_str();
    app.add_option("--load", options.loads,
                   "Load your workflow plug-in (a library, or a folder of them); repeatable")
        ->type_name("PATH");
    app.add_option("--add", options.adds,
                   "Install a workflow by name at start, at its own priority or the one given; repeatable")
        ->type_name("NAME[@PRIORITY]");
    app.add_option("--views", options.views,
                   "Split the window into views, each with its own workflows: 1, 2 (free and front) or 4 "
                   "(free, top, front, side); a click activates a view")
        ->check(CLI::IsMember({1, 2, 4}))
        ->capture_default_str();
    app.add_option("--width", options.width, "Window width")
        ->check(CLI::Range(64, 8192))
        ->capture_default_str();
    app.add_option("--height", options.height, "Window height")
        ->check(CLI::Range(64, 8192))
        ->capture_default_str();
    app.add_option("--record", options.recordPath, "Write what you do as a session file");
    app.add_option("--session", options.sessionPath, "Play a session file into the window");
    app.add_flag("--quit-after-session", options.quitAfterSession, "Close once the session has played");
    app.add_option(
        "--snapshot", options.snapshotPrefix,
        "F12 or SIGUSR1 writes PREFIX-N.ppm (the picture) and PREFIX-N.txt (camera, selection, status)");
    app.add_flag("--watch", options.watch,
                 "Reload a loaded plug-in when its file is rebuilt, installing its workflows again");
    app.add_flag("--measure", options.measure,
                 "Drag by itself, print median frame time and input latency, quit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error);  // --help
        }
        std::cerr << "error: " << error.what() << " (workflow-viewer --help lists the options)\n";
        return 2;
    }
    std::signal(SIGUSR1, [](int) { snapshotSignal = 1; });
    Viewer viewer(options);
    try {
        return viewer.Run();
    } catch (const rzk::ModuleThreadEnded&) {
        std::cerr
            << "error: the workflow plug-in's module thread has ended (a failure on it ends it; see the "
               "runtime lines above): start the viewer again without the workflow that failed\n";
        return 3;
    } catch (const std::exception& error) {
        std::cerr << "error: the viewer stopped on an unexpected failure: " << error.what() << "\n";
        return 1;
    }
}
