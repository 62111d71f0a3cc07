#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

struct Vec3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

// A triangle of a mesh and the part it belongs to. Parts are what a person selects: part p is the shape
// instance with id p + 1 (0 means "nothing").
struct Triangle {
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    std::uint32_t part = 0;
};

// A 3D model: triangles over shared vertices, and a name for each part.
struct Mesh {
    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles;
    std::vector<std::string> parts;

    // Appends other as new parts.
    void Append(const Mesh& other);
};

// The box a mesh's vertices lie in (all zero for a mesh without vertices).
struct BoundingBox {
    Vec3 low;
    Vec3 high;
};
BoundingBox BoundsOf(const Mesh& mesh);

// How the renderers place a mesh: moved by -centre and scaled by scale, its bounding box's centre is at the
// origin and the box fits in the unit sphere. One for every renderer, so that their pictures agree.
struct Framing {
    Vec3 centre;
    float scale = 1;
};
Framing FramingOf(const Mesh& mesh);

// Models and drawings are plain values: any thread.

// The built-in models. The assembly has three parts (base, column, ball) so that a click selects one.
Mesh MakeCube();
Mesh MakeSphere(int rings = 16, int segments = 32);
Mesh MakeAssembly();
// A one-part sheet of about count triangles (at least 2), folded so that it has depth: for measuring.
Mesh MakeTriangleSheet(std::size_t count);

// Reads a model file of any format assimp reads (OBJ, glTF, STL, PLY, 3MF, ...): each mesh of the file
// becomes a part, placed where its node puts it, and polygons of any size are split into triangles.
// Answers the one-line reason when the file cannot be read, is not a model, or has nothing drawable.
std::optional<std::string> LoadModel(const std::string& path, Mesh& mesh);

// A 2D drawing: polygons (filled, convex) and polylines, in drawing units, y up. Each polygon is a part.
struct Drawing {
    struct Shape {
        std::vector<std::pair<float, float>> points;
        bool filled = false;
    };
    std::vector<Shape> shapes;
};

Drawing MakeSampleDrawing();

}  // namespace viewer
