#include "Mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace viewer {

BoundingBox BoundsOf(const Mesh& mesh) {
    if (mesh.vertices.empty()) {
        return {};
    }
    BoundingBox box{mesh.vertices.front(), mesh.vertices.front()};
    for (const Vec3& v : mesh.vertices) {
        box.low = {std::min(box.low.x, v.x), std::min(box.low.y, v.y), std::min(box.low.z, v.z)};
        box.high = {std::max(box.high.x, v.x), std::max(box.high.y, v.y), std::max(box.high.z, v.z)};
    }
    return box;
}

Framing FramingOf(const Mesh& mesh) {
    const auto [low, high] = BoundsOf(mesh);
    const float radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
    return {{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2}, radius > 0 ? 1 / radius : 1};
}
namespace {

void AddBox(Mesh& mesh, Vec3 low, Vec3 high, std::uint32_t part) {
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    for (int i = 0; i < 8; ++i) {
        mesh.vertices.push_back({i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
    }
    // Each face as two triangles over the corner numbers above (bit 0 x, bit 1 y, bit 2 z).
    static constexpr std::uint32_t FACES[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& face : FACES) {
        mesh.triangles.push_back({first + face[0], first + face[1], first + face[2], part});
        mesh.triangles.push_back({first + face[0], first + face[2], first + face[3], part});
    }
}

void AddSphere(Mesh& mesh, Vec3 center, float radius, int rings, int segments, std::uint32_t part) {
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    for (int ring = 0; ring <= rings; ++ring) {
        const double polar = std::numbers::pi * ring / rings;
        for (int segment = 0; segment < segments; ++segment) {
            const double azimuth = 2 * std::numbers::pi * segment / segments;
            mesh.vertices.push_back(
                {center.x + radius * static_cast<float>(std::sin(polar) * std::cos(azimuth)),
                 center.y + radius * static_cast<float>(std::cos(polar)),
                 center.z + radius * static_cast<float>(std::sin(polar) * std::sin(azimuth))});
        }
    }
    auto at = [&](int ring, int segment) {
        return first + static_cast<std::uint32_t>(ring * segments + segment % segments);
    };
    for (int ring = 0; ring < rings; ++ring) {
        for (int segment = 0; segment < segments; ++segment) {
            mesh.triangles.push_back(
                {at(ring, segment), at(ring + 1, segment), at(ring + 1, segment + 1), part});
            mesh.triangles.push_back(
                {at(ring, segment), at(ring + 1, segment + 1), at(ring, segment + 1), part});
        }
    }
}

}  // namespace

void Mesh::Append(const Mesh& other) {
    const auto vertexBase = static_cast<std::uint32_t>(vertices.size());
    const auto partBase = static_cast<std::uint32_t>(parts.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (Triangle triangle : other.triangles) {
        triangles.push_back({triangle.a + vertexBase, triangle.b + vertexBase, triangle.c + vertexBase,
                             triangle.part + partBase});
    }
    parts.insert(parts.end(), other.parts.begin(), other.parts.end());
}

Mesh MakeCube() {
    Mesh mesh;
    AddBox(mesh, {-1, -1, -1}, {1, 1, 1}, 0);
    mesh.parts = {"cube"};
    return mesh;
}

Mesh MakeSphere(int rings, int segments) {
    Mesh mesh;
    AddSphere(mesh, {0, 0, 0}, 1, std::max(rings, 2), std::max(segments, 3), 0);
    mesh.parts = {"sphere"};
    return mesh;
}

Mesh MakeAssembly() {
    Mesh mesh;
    AddBox(mesh, {-1.6f, -1.2f, -1.0f}, {1.6f, -0.8f, 1.0f}, 0);
    AddBox(mesh, {-0.3f, -0.8f, -0.3f}, {0.3f, 0.6f, 0.3f}, 1);
    AddSphere(mesh, {0, 1.1f, 0}, 0.6f, 12, 24, 2);
    mesh.parts = {"base", "column", "ball"};
    return mesh;
}

Mesh MakeTriangleSheet(std::size_t count) {
    // A grid of n by n cells, two triangles each, on a wave so that depth and shading vary.
    const auto n = static_cast<std::uint32_t>(std::max(1.0, std::ceil(std::sqrt(count / 2.0))));
    Mesh mesh;
    for (std::uint32_t row = 0; row <= n; ++row) {
        for (std::uint32_t column = 0; column <= n; ++column) {
            const float x = 2.0f * column / n - 1;
            const float y = 2.0f * row / n - 1;
            mesh.vertices.push_back({x, y, 0.3f * std::sin(3 * x) * std::cos(3 * y)});
        }
    }
    for (std::uint32_t row = 0; row < n; ++row) {
        for (std::uint32_t column = 0; column < n; ++column) {
            const std::uint32_t corner = row * (n + 1) + column;
            mesh.triangles.push_back({corner, corner + 1, corner + n + 2, 0});
            mesh.triangles.push_back({corner, corner + n + 2, corner + n + 1, 0});
        }
    }
    mesh.parts = {"sheet"};
    return mesh;
}

Drawing MakeSampleDrawing() {
    Drawing drawing;
    // A floor plan: two rooms, a door swing and a border, in metres.
    drawing.shapes.push_back({{{-4, -3}, {0, -3}, {0, 3}, {-4, 3}}, true});
    drawing.shapes.push_back({{{0.5f, -3}, {4, -3}, {4, 1}, {0.5f, 1}}, true});
    drawing.shapes.push_back({{{1, 2}, {2, 3}, {3, 2}}, true});
    drawing.shapes.push_back({{{-5, -4}, {5, -4}, {5, 4}, {-5, 4}, {-5, -4}}, false});
    std::vector<std::pair<float, float>> swing;
    for (int i = 0; i <= 8; ++i) {
        const double angle = std::numbers::pi / 2 * i / 8;
        swing.emplace_back(static_cast<float>(std::cos(angle)), 1 + static_cast<float>(std::sin(angle)));
    }
    drawing.shapes.push_back({swing, false});
    return drawing;
}

}  // namespace viewer
