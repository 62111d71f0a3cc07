#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Mesh.h"
#include "Raster.h"

struct SDL_Window;

namespace viewer {

// The mesh drawn by OpenGL (SDL2's GL context, entry points through libepoxy) straight into the window:
// the same picture and the same "what is under this point" as the software Rasteriser, made by the
// graphics driver (under Xvfb, Mesa's software GL). Each frame draws the colours and the part ids in one
// pass, shows the colours and keeps the ids in the driver; they are read back only when someone asks
// (ReadBack), so a frame costs no copy of the picture. Wireframe and drawings stay with the software
// rasteriser, shown through ShowFrame. Main thread only: the context is current on the thread that draws.
//
//     const std::uint32_t flags = GlRasteriser::PrepareWindow();
//     SDL_Window* window = SDL_CreateWindow("viewer", x, y, width, height, flags);
//     std::unique_ptr<GlRasteriser> gl;
//     if (auto why = GlRasteriser::Create(window, mesh, gl)) { /* draw in software */ }
//     gl->Present(camera, options, overlay, overlayTop);  // every frame
//     gl->ReadBack(frame, false);                           // before answering a pick
class GlRasteriser {
public:
    // Asks SDL for the GL window the renderer needs (3.3 core, double-buffered, no depth of its own) and
    // answers the flags to make that window with. Call before SDL_CreateWindow.
    static std::uint32_t PrepareWindow();
    // Makes the context on window (made with PrepareWindow's flags) and uploads the mesh once; the
    // one-line reason when there is no usable GL.
    static std::optional<std::string> Create(SDL_Window* window, const Mesh& mesh,
                                             std::unique_ptr<GlRasteriser>& out);
    ~GlRasteriser();
    GlRasteriser(const GlRasteriser&) = delete;
    GlRasteriser& operator=(const GlRasteriser&) = delete;

    // Draws the mesh into the window's rows above options.areaHeight, then overlay's rows from overlayTop
    // down over it (overlay is window-sized; its pixels that are 0 let the model show through, the others
    // are opaque), and shows the picture.
    void Present(const CameraState& camera, const RenderOptions& options, const Frame& overlay,
                 int overlayTop);
    // Shows a picture drawn in software, all of it.
    void ShowFrame(const Frame& frame);
    // Copies what the last Present drew of the model into frame's rows above its areaHeight: the part ids,
    // and the colours when asked (the rows below, and the overlay, are the caller's).
    void ReadBack(Frame& frame, bool colours);

private:
    struct State;
    explicit GlRasteriser(std::unique_ptr<State> state);
    void Resize(int width, int height, int area);
    void DrawOverlay(const Frame& overlay, int top, bool opaque);

    std::unique_ptr<State> state_;
};

}  // namespace viewer
