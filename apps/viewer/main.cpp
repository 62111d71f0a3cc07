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
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Annotations.h"
#include "Command.h"
#include "Fit.h"
#include "Font.h"
#include "Format.h"
#include "GlRasteriser.h"
#include "Mesh.h"
#include "Parse.h"
#include "Raster.h"
#include "SpaceMouse.h"
#include "TouchInput.h"
#include "ViewState.h"
#include "ViewerHost.h"
#include "dp/RZTracer.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int STATUS_HEIGHT = 16;
constexpr std::int64_t TICK_STEP = 10;  // the session language's unit of time, the window timer's period

volatile std::sig_atomic_t snapshotSignal = 0;

struct Options {
    std::string objPath;
    std::string shape = "assembly";
    std::string renderer = "software";
    std::size_t triangles = 0;
    bool drawing = false;
    std::string pluginPath = WORKFLOW_VIEWER_PLUGIN;
    std::string examplesPath = WORKFLOW_VIEWER_EXAMPLES;
    int width = 800;
    int height = 600;
    std::string recordPath;
    std::string sessionPath;
    bool quitAfterSession = false;
    std::string snapshotPrefix;
    bool measure = false;
    std::vector<std::string> loads;  // the author's plug-ins, loaded after the examples
    std::vector<std::string> adds;   // NAME or NAME@PRIORITY, installed after the examples' workflows
};

// Writes what the person does as a session: the header that rebuilds the view, then every input command,
// each preceded by the real time since the previous one, rounded to the tick step.
class Recorder {
public:
    bool Open(const std::string& path) {
        file_.open(path);
        start_ = Clock::now();
        return static_cast<bool>(file_);
    }
    bool IsOpen() const { return file_.is_open(); }
    void Header(const session::Command& command) {
        if (file_.is_open()) {
            file_ << session::Format(command) << "\n";
        }
    }
    void Line(const session::Command& command) {
        if (!file_.is_open()) {
            return;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
        const std::int64_t due = (elapsed + TICK_STEP / 2) / TICK_STEP * TICK_STEP;
        // A pause longer than a tick may be is written as several.
        while (due > written_) {
            const std::int64_t step = std::min(due - written_, session::MAX_TICK);
            file_ << session::Format(session::Tick{step}) << "\n";
            written_ += step;
        }
        file_ << session::Format(command) << "\n";
    }
    bool Close() {
        if (!file_.is_open()) {
            return true;
        }
        file_.close();
        return !file_.fail();
    }

private:
    std::ofstream file_;
    Clock::time_point start_;
    std::int64_t written_ = 0;
};

// A session file played into the live window: its lines run as their ticks fall due on the real clock.
struct LiveSession {
    session::Script script;
    std::size_t next = 0;
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
        if (auto error = host_.Start(options_.pluginPath, options_.drawing ? "drawing" : "shape")) {
            std::cerr << "error: " << *error << "\n";
            return 3;
        }
        if (rasteriser_) {
            ProvideBounds();
        }
        if (!options_.recordPath.empty() && !recorder_.Open(options_.recordPath)) {
            std::cerr << "error: cannot write the recording " << options_.recordPath << "\n";
            return 3;
        }
        // The workflows first: a plug-in or a name that is wrong is said before any window opens.
        if (auto error = InstallWorkflows()) {
            std::cerr << "error: " << *error << "\n";
            // The plug-in's trace as its thread ends would follow the one line that says what is wrong.
            dp::SetTraceSink([](const dp::TraceRecord&) {});
            return 3;
        }
        if (auto error = StartWindow()) {
            std::cerr << "error: " << *error << "\n";
            return 3;
        }
        const session::Command size = session::WindowInput(session::Size{frame_.Width(), frame_.Height()});
        recorder_.Header(size);
        if (auto error = Run(size)) {
            std::cerr << "error: " << *error << "\n";
            return 3;
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
        host_.View().SetBoundsProvider(
            [this, camera = host_.View().GetCamera()](const std::vector<unsigned int>& ids,
                                                      rzk::View::InstanceBounds& bounds) {
                const int width = areaWidth_.load();
                const int height = areaHeight_.load();
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
            session::View{options_.drawing ? session::ViewKind::Drawing : session::ViewKind::Shape});
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
        for (const session::Command& command : commands) {
            recorder_.Header(command);
            if (auto error = Run(command)) {
                return error;
            }
        }
        return std::nullopt;
    }

    // Runs a command of the session language against the view; what it prints goes to standard output.
    std::optional<std::string> Run(const session::Command& command, int lineNumber = 0) {
        std::string out;
        auto problem = host_.Execute(command, lineNumber, out);
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
    void Input(const session::Command& command) {
        ReadBackDrawn();
        recorder_.Line(command);
        if (auto error = Run(command)) {
            std::cerr << "warning: " << *error << "\n";
        }
        inputPosted_ = true;
    }

    void Pick(int x, int y) {
        ReadBackDrawn();
        Input(session::Pick{x, y, frame_.InstanceAt(x, y)});
    }

    void Button(bool down, session::Button button, int x, int y) {
        if (button == session::Button::Left) {
            Pick(x, y);
        }
        Input(down ? session::WindowInput(session::Down{button, x, y})
                   : session::WindowInput(session::Up{button, x, y}));
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
                Button(down, *button, event.button.x, event.button.y);
                if (down && event.button.clicks == 2) {
                    Input(session::WindowInput(session::DoubleClick{*button}));
                }
                break;
            }
            case SDL_MOUSEMOTION:
                // SDL also moves the mouse with the first finger; under a two-finger gesture that move
                // is not the person's pointer, and would orbit while they pinch.
                if (event.motion.which == SDL_TOUCH_MOUSEID && touch_.Fingers() > 1) {
                    break;
                }
                Input(session::WindowInput(session::Move{event.motion.x, event.motion.y}));
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
                    Input(session::WindowInput(session::Wheel{delta, x, y}));
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
                    Input(session::WindowInput(session::Size{frame_.Width(), frame_.Height()}));
                } else if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
                    Input(session::WindowInput(session::Leave{}));
                } else if (event.window.event == SDL_WINDOWEVENT_ENTER) {
                    // An active view lets the activation pass; no session line stands for it.
                    host_.Window().PostMouseActivate();
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
            if (!key.repeat) {
                Input(session::WindowInput(
                    session::ModifierKey{static_cast<session::Modifier>(modifier), down}));
            }
            return;
        }
        if (!down) {
            return;
        }
        // The viewer's own keys: they never reach the workflows.
        switch (key.keysym.sym) {
            case SDLK_F2:
                Input(measuring_ ? session::HostCall(session::Remove{"measure", std::nullopt})
                                 : session::HostCall(session::Add{"measure", std::nullopt, false}));
                measuring_ = !measuring_;
                return;
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
        const std::optional<session::Touch> touch =
            finger.type == SDL_FINGERDOWN ? touch_.Down(finger.fingerId, x, y, time)
            : finger.type == SDL_FINGERUP ? touch_.Up(finger.fingerId, x, y, time)
                                          : touch_.Move(finger.fingerId, x, y, time);
        if (touch) {
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

    void Resize(int width, int height) {
        frame_.Resize(width, height);
        areaWidth_ = frame_.Width();
        areaHeight_ = frame_.Height() - STATUS_HEIGHT;
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
            if (const auto* input = std::get_if<session::WindowInput>(&command)) {
                const auto* down = std::get_if<session::Down>(input);
                const auto* up = std::get_if<session::Up>(input);
                const bool left = (down && down->button == session::Button::Left) ||
                                  (up && up->button == session::Button::Left);
                const int x = down ? down->x : up ? up->x : 0;
                const int y = down ? down->y : up ? up->y : 0;
                if (left && !host_.HasPick(x, y)) {
                    // A session written by hand says nothing of what is drawn: the picture answers.
                    Pick(x, y);
                }
            }
            if (!std::holds_alternative<session::Expect>(command) &&
                !std::holds_alternative<session::Print>(command)) {
                recorder_.Line(command);
            }
            std::string out;
            ReadBackDrawn();
            if (auto error = host_.Execute(command, step.line, out)) {
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

    std::string State() {
        const du::SmartPtr<rzk::Camera>& camera = host_.View().GetCamera();
        const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet();
        return apps::CameraText(*camera) + "|" + apps::SelectionText(host_.View()) + "|" +
               host_.View().GetStatusMessage() + "|" +
               std::to_string(annotations ? annotations->GetRevision() : 0);
    }

    du::SmartPtr<rzk::AnnoSet> AnnotationSet() {
        du::SmartPtr<rzk::Scene> scene;
        du::SmartPtr<rzk::AnnoSet> annotations;
        host_.View().GetScene(scene);
        if (scene) {
            scene->GetAnnoSet(annotations);
        }
        return annotations;
    }

    void Render() {
        const auto begin = Clock::now();
        const du::SmartPtr<rzk::Camera>& camera = host_.View().GetCamera();
        viewer::CameraState state{camera->GetYaw(), camera->GetPitch(), camera->GetZoom(), camera->GetPanX(),
                                  camera->GetPanY()};
        viewer::RenderOptions render;
        render.wireframe = wireframe_;
        render.areaHeight = frame_.Height() - STATUS_HEIGHT;
        du::SmartPtr<rzk::Scene> scene;
        host_.View().GetScene(scene);
        du::SmartPtr<rzk::SelectionManager> selection;
        if (scene) {
            scene->GetSelectionManager(selection);
        }
        if (selection) {
            const std::vector<unsigned int> ids = selection->GetInstances();
            render.selected.assign(ids.begin(), ids.end());
        }
        if (gl_ && !render.wireframe) {
            // The model goes straight to the window; the status line and the annotations are drawn in
            // software over it, only as many rows as they need.
            const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet();
            const bool annotated = annotations && !annotations->GetAnnotations().empty();
            if (annotated) {
                overlay_.FillRect(0, 0, overlay_.Width(), render.areaHeight, 0);
                viewer::DrawAnnotations(annotations->GetAnnotations(), render.areaHeight, overlay_);
            }
            DrawStatus(overlay_);
            gl_->Present(state, render, overlay_, annotated ? 0 : render.areaHeight);
            idsInDriver_ = coloursInDriver_ = true;
        } else {
            frame_.Clear(viewer::BACKGROUND);
            if (rasteriser_) {
                rasteriser_->Render(state, render, frame_);
            } else {
                viewer::RenderDrawing(drawing_, state, render, frame_);
            }
            host_.SetDrawn(viewer::IdBuffer{frame_.Width(), frame_.Height(), frame_.Instances()});
            idsInDriver_ = coloursInDriver_ = false;
            DrawOverlay(frame_, render.areaHeight);
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

    // The workflows' annotations and the status line, over the model.
    void DrawOverlay(viewer::Frame& frame, int areaHeight) {
        if (const du::SmartPtr<rzk::AnnoSet> annotations = AnnotationSet()) {
            viewer::DrawAnnotations(annotations->GetAnnotations(), areaHeight, frame);
        }
        DrawStatus(frame);
    }

    void DrawStatus(viewer::Frame& frame) {
        const std::string status = host_.View().GetStatusMessage();
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
            DrawOverlay(frame_, frame_.Height() - STATUS_HEIGHT);
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
        const du::Symbol cursor = host_.Window().GetCursor();
        state << "camera " << apps::CameraText(*host_.View().GetCamera()) << "\n"
              << "selection " << apps::SelectionText(host_.View()) << "\n"
              << "status " << host_.View().GetStatusMessage() << "\n"
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

    void ApplyCursor() {
        if (!host_.Window().TakeCursorChange()) {
            return;
        }
        const SDL_SystemCursor wanted = SystemCursorFor(host_.Window().GetCursor());
        SDL_Cursor*& cursor = cursors_[wanted];
        if (!cursor) {
            cursor = SDL_CreateSystemCursor(wanted);
        }
        if (cursor) {
            SDL_SetCursor(cursor);
        }
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
            press.button.x = frame_.Width() / 2;
            press.button.y = frame_.Height() / 2;
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
        move.motion.x = frame_.Width() / 2 + 6 * measureStep_;
        move.motion.y = frame_.Height() / 2;
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
            if (inputPosted_) {
                host_.Settle();
                inputPosted_ = false;
            }
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

    int Finish() {
        host_.Settle();
        const std::string camera = apps::CameraText(*host_.View().GetCamera());
        const std::string selection = apps::SelectionText(host_.View());
        std::cout << "camera \"" << camera << "\"\nselection \"" << selection << "\"" << std::endl;
        if (options_.measure) {
            std::cout << "measure: " << mesh_.triangles.size() << " triangles, " << frame_.Width() << "x"
                      << frame_.Height() << ": frame " << Median(frameTimes_) << " ms, latency "
                      << Median(latencies_) << " ms (medians of " << frameTimes_.size() << " frames and "
                      << latencies_.size() << " moves)" << std::endl;
        }
        recorder_.Header(session::Expect{session::Expectation::Camera, {}, 0, camera});
        recorder_.Header(session::Expect{session::Expectation::Selection, {}, 0, selection});
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
    Recorder recorder_;
    std::optional<LiveSession> live_;

    bool sdlStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::map<SDL_SystemCursor, SDL_Cursor*> cursors_;
    std::string title_;

    bool running_ = true;
    bool redraw_ = true;
    bool wireframe_ = false;
    bool measuring_ = false;
    viewer::TouchInput touch_;
    viewer::SpaceMouse spaceMouse_;
    bool inputPosted_ = false;
    int snapshotsWanted_ = 0;
    int snapshots_ = 0;

    std::atomic<int> areaWidth_{0};
    std::atomic<int> areaHeight_{0};
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
    app.add_flag("--measure", options.measure,
                 "Drag by itself, print median frame time and input latency, quit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    std::signal(SIGUSR1, [](int) { snapshotSignal = 1; });
    Viewer viewer(options);
    return viewer.Run();
}
