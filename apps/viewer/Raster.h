#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Mesh.h"

namespace viewer {

// What the picture is drawn from: the view's camera as the workflows left it, and how to show the parts.
struct CameraState {
    double yaw = 0;    // degrees about the vertical axis
    double pitch = 0;  // degrees about the horizontal axis
    double zoom = 1;   // 1 fits the model's bounding sphere into the picture
    double panX = 0;   // window pixels
    double panY = 0;
};

// A picture with its depth and, for each pixel, the part drawn there (part id + 1, 0 for background):
// the host answers "what is under the pointer" from it. Not shared: one thread at a time (the viewer's
// main thread).
class Frame {
public:
    Frame(int width, int height);

    void Resize(int width, int height);
    void Clear(std::uint32_t color);
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<std::uint32_t>& Pixels() const { return color_; }
    std::uint32_t PixelAt(int x, int y) const { return color_[Index(x, y)]; }
    // The part drawn at (x, y) as a shape instance id; 0 outside the frame or on the background.
    std::uint32_t InstanceAt(int x, int y) const;
    // The instance id of every pixel, row by row (what InstanceAt answers).
    const std::vector<std::uint32_t>& Instances() const { return instance_; }

    void Plot(int x, int y, std::uint32_t color) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            color_[Index(x, y)] = color;
        }
    }
    void FillRect(int x, int y, int width, int height, std::uint32_t color);
    void Line(int x0, int y0, int x1, int y1, std::uint32_t color);
    // Copies source's colours here with its top left corner at (x, y), clipped to this frame; the depth
    // and the parts drawn stay this frame's.
    void Paste(const Frame& source, int x, int y);
    // Writes the picture as a binary PPM; false when the file cannot be written.
    bool WritePpm(const std::string& path) const;

private:
    friend class Rasteriser;
    friend class GlRasteriser;
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> color_;
    std::vector<float> depth_;
    std::vector<std::uint32_t> instance_;
};

struct RenderOptions {
    bool wireframe = false;
    // Shape instance ids drawn highlighted.
    std::vector<std::uint32_t> selected;
    // The picture's drawing area: rows below it are left alone (the status line).
    int areaHeight = 0;
};

constexpr std::uint32_t BACKGROUND = 0xff1e1e28;
constexpr std::uint32_t HIGHLIGHT = 0xffff8c00;

// Flat-shaded, z-buffered triangles of a mesh, seen orthographically from the camera; the model is
// centred and scaled to fit first, so any model fills the picture the same way at zoom 1. Render is const:
// any thread, each with its own frame.
class Rasteriser {
public:
    explicit Rasteriser(const Mesh& mesh);

    void Render(const CameraState& camera, const RenderOptions& options, Frame& frame) const;

    // One triangle already in pixels (z towards the viewer), above the row areaHeight; writeColor false
    // fills only depth and instance, for the wireframe's picking.
    static void FillTriangle(Frame& frame, const Vec3& a, const Vec3& b, const Vec3& c, std::uint32_t color,
                             std::uint32_t instance, bool writeColor, int areaHeight);

private:
    const Mesh& mesh_;
    Vec3 centre_;
    float scale_ = 1;  // model units to the unit sphere
};

// The 2D drawing, panned and zoomed by the camera (the angles do not apply to a sheet).
void RenderDrawing(const Drawing& drawing, const CameraState& camera, const RenderOptions& options,
                   Frame& frame);

}  // namespace viewer
