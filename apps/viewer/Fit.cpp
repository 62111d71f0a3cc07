#include "Fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace viewer {

std::optional<PixelBox> PartsBox(const Mesh& mesh, double yaw, double pitch,
                                 const std::vector<std::uint32_t>& ids, int width, int areaHeight) {
    if (mesh.vertices.empty()) {
        return std::nullopt;
    }
    const BoundingBox bounds = BoundsOf(mesh);
    const Vec3 low = bounds.low;
    const Vec3 high = bounds.high;
    const double radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
    const double pixels = 0.45 * std::min(width, areaHeight) * (radius > 0 ? 1 / radius : 1);
    const double cy = std::cos(yaw * std::numbers::pi / 180);
    const double sy = std::sin(yaw * std::numbers::pi / 180);
    const double cp = std::cos(pitch * std::numbers::pi / 180);
    const double sp = std::sin(pitch * std::numbers::pi / 180);
    std::optional<PixelBox> box;
    auto take = [&](std::uint32_t index) {
        const Vec3& v = mesh.vertices[index];
        const double x = v.x - (low.x + high.x) / 2.0;
        const double y = v.y - (low.y + high.y) / 2.0;
        const double z = v.z - (low.z + high.z) / 2.0;
        const double px = (cy * x + sy * z) * pixels;
        const double py = -(cp * y - sp * (-sy * x + cy * z)) * pixels;
        if (!box) {
            box = PixelBox{px, py, px, py};
        } else {
            box = PixelBox{std::min(box->left, px), std::min(box->top, py), std::max(box->right, px),
                           std::max(box->bottom, py)};
        }
    };
    for (const Triangle& t : mesh.triangles) {
        if (!ids.empty() && std::find(ids.begin(), ids.end(), t.part + 1) == ids.end()) {
            continue;
        }
        for (std::uint32_t index : {t.a, t.b, t.c}) {
            if (index < mesh.vertices.size()) {
                take(index);
            }
        }
    }
    return box;
}

}  // namespace viewer
