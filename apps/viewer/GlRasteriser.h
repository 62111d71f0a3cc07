#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Mesh.h"
#include "Raster.h"

namespace viewer {

// The mesh drawn by OpenGL (SDL2's GL context, entry points through libepoxy) into an offscreen picture of
// two targets, the colours and the part drawn at each pixel, both read back into a Frame: the picture
// and "what is under this point" are the same as the software Rasteriser's, made by the graphics driver
// (under Xvfb, Mesa's software GL). Wireframe is left to the software rasteriser. Main thread only: the GL
// context is current on the thread that renders.
class GlRasteriser {
public:
    // Makes the context and uploads the mesh; the one-line reason when there is no usable GL (3.3 core).
    static std::optional<std::string> Create(const Mesh& mesh, std::unique_ptr<GlRasteriser>& out);
    ~GlRasteriser();
    GlRasteriser(const GlRasteriser&) = delete;
    GlRasteriser& operator=(const GlRasteriser&) = delete;

    // Draws the mesh into frame's area (above options.areaHeight), colours and part ids; the rows below are
    // left alone.
    void Render(const CameraState& camera, const RenderOptions& options, Frame& frame);

private:
    struct State;
    explicit GlRasteriser(std::unique_ptr<State> state);
    void Resize(int width, int height);

    std::unique_ptr<State> state_;
};

}  // namespace viewer
