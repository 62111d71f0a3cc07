#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace viewer {
namespace {

constexpr std::uint32_t PALETTE[] = {0xff6a8caf, 0xff8fb573, 0xffc9a26b, 0xffa07cc0, 0xff6bb5b0, 0xffc07070};

std::uint32_t Shade(std::uint32_t color, float intensity) {
    auto channel = [&](int shift) {
        const float value = static_cast<float>((color >> shift) & 0xff) * intensity;
        return static_cast<std::uint32_t>(std::clamp(value, 0.0f, 255.0f)) << shift;
    };
    return 0xff000000 | channel(16) | channel(8) | channel(0);
}

std::uint32_t PartColour(std::uint32_t part, const RenderOptions& options) {
    const bool selected =
        std::find(options.selected.begin(), options.selected.end(), part + 1) != options.selected.end();
    return selected ? HIGHLIGHT : PALETTE[part % std::size(PALETTE)];
}

// Far-off points (a large zoom) are held near the frame, so that a line to them stays a bounded walk.
int ToPixel(float coordinate) {
    return static_cast<int>(std::lround(std::clamp(coordinate, -1e5f, 1e5f)));
}

int AreaHeight(const RenderOptions& options, const Frame& frame) {
    return options.areaHeight > 0 ? std::min(options.areaHeight, frame.Height()) : frame.Height();
}

}  // namespace

Frame::Frame(int width, int height) {
    Resize(width, height);
}

void Frame::Resize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    const std::size_t size = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    color_.assign(size, BACKGROUND);
    depth_.assign(size, -std::numeric_limits<float>::infinity());
    instance_.assign(size, 0);
}

void Frame::Clear(std::uint32_t color) {
    std::fill(color_.begin(), color_.end(), color);
    std::fill(depth_.begin(), depth_.end(), -std::numeric_limits<float>::infinity());
    std::fill(instance_.begin(), instance_.end(), 0);
}

std::uint32_t Frame::InstanceAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return instance_[Index(x, y)];
}

void Frame::FillRect(int x, int y, int width, int height, std::uint32_t color) {
    for (int row = std::max(y, 0); row < std::min(y + height, height_); ++row) {
        for (int column = std::max(x, 0); column < std::min(x + width, width_); ++column) {
            color_[Index(column, row)] = color;
        }
    }
}

void Frame::Paste(const Frame& source, int x, int y) {
    const int left = std::max(x, 0);
    const int right = std::min(x + source.width_, width_);
    if (left >= right) {
        return;
    }
    for (int row = std::max(y, 0); row < std::min(y + source.height_, height_); ++row) {
        const auto from =
            source.color_.begin() + static_cast<std::ptrdiff_t>(source.Index(left - x, row - y));
        std::copy(from, from + (right - left),
                  color_.begin() + static_cast<std::ptrdiff_t>(Index(left, row)));
    }
}

void Frame::Line(int x0, int y0, int x1, int y1, std::uint32_t color) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Plot(x0, y0, color);
        if (x0 == x1 && y0 == y1) {
            break;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

bool Frame::WritePpm(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width_, height_);
    std::vector<unsigned char> row(static_cast<std::size_t>(width_) * 3);
    bool written = true;
    for (int y = 0; y < height_ && written; ++y) {
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t pixel = color_[Index(x, y)];
            row[3 * x] = static_cast<unsigned char>(pixel >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixel);
        }
        written = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && written;
}

Rasteriser::Rasteriser(const Mesh& mesh) : mesh_(mesh) {
    const Framing framing = FramingOf(mesh);
    centre_ = framing.centre;
    scale_ = framing.scale;
}

void Rasteriser::Render(const CameraState& camera, const RenderOptions& options, Frame& frame) const {
    const int areaHeight = AreaHeight(options, frame);
    const double yaw = camera.yaw * std::numbers::pi / 180;
    const double pitch = camera.pitch * std::numbers::pi / 180;
    const float cy = static_cast<float>(std::cos(yaw));
    const float sy = static_cast<float>(std::sin(yaw));
    const float cp = static_cast<float>(std::cos(pitch));
    const float sp = static_cast<float>(std::sin(pitch));
    const float pixels = static_cast<float>(camera.zoom) * 0.45f *
                         static_cast<float>(std::min(frame.Width(), areaHeight)) * scale_;
    const float originX = frame.Width() / 2.0f + static_cast<float>(camera.panX);
    const float originY = areaHeight / 2.0f + static_cast<float>(camera.panY);

    // Into view space (x right, y up, z towards the viewer), then to pixels with y down; depth keeps z.
    std::vector<Vec3> screen(mesh_.vertices.size());
    for (std::size_t i = 0; i < screen.size(); ++i) {
        const Vec3& v = mesh_.vertices[i];
        const float x = v.x - centre_.x;
        const float y = v.y - centre_.y;
        const float z = v.z - centre_.z;
        const float x1 = cy * x + sy * z;
        const float z1 = -sy * x + cy * z;
        const float y2 = cp * y - sp * z1;
        const float z2 = sp * y + cp * z1;
        screen[i] = {originX + x1 * pixels, originY - y2 * pixels, z2 * pixels};
    }
    const Vec3 light = {0.32f, 0.55f, 0.77f};
    for (const viewer::Triangle& t : mesh_.triangles) {
        const Vec3& a = screen[t.a];
        const Vec3& b = screen[t.b];
        const Vec3& c = screen[t.c];
        // The normal in screen space has y flipped; only its direction matters for the shade.
        const Vec3 u = {b.x - a.x, -(b.y - a.y), b.z - a.z};
        const Vec3 w = {c.x - a.x, -(c.y - a.y), c.z - a.z};
        const Vec3 n = {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
        const float length = std::hypot(n.x, n.y, n.z);
        const float facing =
            length > 0 ? std::abs(n.x * light.x + n.y * light.y + n.z * light.z) / length : 0;
        const std::uint32_t colour = PartColour(t.part, options);
        FillTriangle(frame, a, b, c, Shade(colour, 0.3f + 0.7f * facing), t.part + 1, !options.wireframe,
                     areaHeight);
    }
    if (options.wireframe) {
        for (const viewer::Triangle& t : mesh_.triangles) {
            const std::uint32_t colour = PartColour(t.part, options);
            const Vec3* corners[] = {&screen[t.a], &screen[t.b], &screen[t.c]};
            for (int i = 0; i < 3; ++i) {
                const Vec3& from = *corners[i];
                const Vec3& to = *corners[(i + 1) % 3];
                frame.Line(ToPixel(from.x), ToPixel(from.y), ToPixel(to.x), ToPixel(to.y), colour);
            }
        }
    }
}

void Rasteriser::FillTriangle(Frame& frame, const Vec3& a, const Vec3& b, const Vec3& c, std::uint32_t color,
                              std::uint32_t instance, bool writeColor, int areaHeight) {
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!(std::abs(area) > 1e-6f)) {
        return;  // degenerate, or not a number
    }
    const int minX = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int maxX = std::min(frame.width_ - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int minY = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int maxY = std::min(areaHeight - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    if (minX > maxX || minY > maxY) {
        return;
    }
    const float inverse = 1 / area;
    for (int y = minY; y <= maxY; ++y) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int x = minX; x <= maxX; ++x) {
            const float px = static_cast<float>(x) + 0.5f;
            // Barycentric weights; a pixel centre on an edge belongs to the triangle.
            const float w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) * inverse;
            const float w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) * inverse;
            const float w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) {
                continue;
            }
            const float depth = w0 * a.z + w1 * b.z + w2 * c.z;
            const std::size_t index = frame.Index(x, y);
            if (depth > frame.depth_[index]) {
                frame.depth_[index] = depth;
                frame.instance_[index] = instance;
                if (writeColor) {
                    frame.color_[index] = color;
                }
            }
        }
    }
}

void RenderDrawing(const Drawing& drawing, const CameraState& camera, const RenderOptions& options,
                   Frame& frame) {
    const int areaHeight = AreaHeight(options, frame);
    // Drawings are in metres: 10 of them fill the shorter side at zoom 1.
    const double pixels = camera.zoom * std::min(frame.Width(), areaHeight) / 10.0;
    const double originX = frame.Width() / 2.0 + camera.panX;
    const double originY = areaHeight / 2.0 + camera.panY;
    auto toScreen = [&](std::pair<float, float> point) {
        return Vec3{static_cast<float>(originX + point.first * pixels),
                    static_cast<float>(originY - point.second * pixels), 0};
    };
    Mesh filled;
    std::uint32_t part = 0;
    for (const Drawing::Shape& shape : drawing.shapes) {
        if (shape.filled && shape.points.size() >= 3) {
            const auto first = static_cast<std::uint32_t>(filled.vertices.size());
            for (const auto& point : shape.points) {
                filled.vertices.push_back(toScreen(point));
            }
            for (std::uint32_t i = 2; i < shape.points.size(); ++i) {
                filled.triangles.push_back({first, first + i - 1, first + i, part});
            }
        }
        ++part;
    }
    // Filled shapes go through the triangle rasteriser already in screen space: a camera at rest and a
    // unit scale, so that picking works on drawings too.
    for (const viewer::Triangle& t : filled.triangles) {
        Rasteriser::FillTriangle(frame, filled.vertices[t.a], filled.vertices[t.b], filled.vertices[t.c],
                                 Shade(PartColour(t.part, options), 0.9f), t.part + 1, true, areaHeight);
    }
    for (const Drawing::Shape& shape : drawing.shapes) {
        for (std::size_t i = 1; i < shape.points.size(); ++i) {
            const Vec3 from = toScreen(shape.points[i - 1]);
            const Vec3 to = toScreen(shape.points[i]);
            frame.Line(ToPixel(from.x), ToPixel(from.y), ToPixel(to.x), ToPixel(to.y), 0xffe0e0e0);
        }
    }
}

}  // namespace viewer
