// OBJ files are read by tinyobjloader; what it tolerates (a face naming a vertex that is not there, a file
// cut off in the middle of a line) is checked here, so that no triangle refers outside the mesh.
#include <tiny_obj_loader.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Mesh.h"

namespace viewer {
namespace {

// The loader takes a vertex or a face with too few numbers as a shorter one, or drops it: a file cut off
// in the middle of a line would show as something it is not.
std::optional<std::string> CheckStatements(const std::string& path) {
    std::ifstream file(path);
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        ++number;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        const std::size_t wanted = keyword == "v" || keyword == "f" ? 3 : 0;
        std::size_t count = 0;
        for (std::string word; words >> word;) {
            ++count;
        }
        if (count < wanted) {
            return "malformed OBJ file " + path + ":" + std::to_string(number) + ": '" + keyword + "' with " +
                   std::to_string(count) + " of at least 3 numbers (is the file cut off?)";
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> LoadObj(const std::string& path, Mesh& mesh) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return "cannot read the OBJ file " + path;
    }
    if (auto error = CheckStatements(path)) {
        return error;
    }
    tinyobj::ObjReaderConfig config;
    // Polygons are split here, after their indices are checked: the loader skips a bad polygon silently.
    config.triangulate = false;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        std::string why = reader.Error();
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) {
            why.pop_back();
        }
        const std::size_t newline = why.find('\n');
        return "cannot read the OBJ file " + path + ": " +
               (why.empty() ? std::string("unreadable") : why.substr(0, newline));
    }
    const std::vector<float>& positions = reader.GetAttrib().vertices;
    const std::size_t vertexCount = positions.size() / 3;
    Mesh result;
    for (std::size_t i = 0; i < vertexCount; ++i) {
        result.vertices.push_back({positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]});
    }
    for (const tinyobj::shape_t& shape : reader.GetShapes()) {
        const auto part = static_cast<std::uint32_t>(result.parts.size());
        const std::vector<tinyobj::index_t>& indices = shape.mesh.indices;
        std::size_t next = 0;
        for (unsigned char corners : shape.mesh.num_face_vertices) {
            if (next + corners > indices.size()) {
                return "malformed OBJ file " + path + ": shape '" + shape.name + "' ends inside a face";
            }
            if (corners < 3) {
                return "malformed OBJ file " + path + ": a face of shape '" + shape.name + "' has " +
                       std::to_string(corners) + " corners (is the file cut off?)";
            }
            for (unsigned char corner = 0; corner < corners; ++corner) {
                const int index = indices[next + corner].vertex_index;
                if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) {
                    return "malformed OBJ file " + path + ": a face of shape '" + shape.name +
                           "' names vertex " + std::to_string(index + 1) + ", but there are " +
                           std::to_string(vertexCount);
                }
            }
            auto vertex = [&](unsigned char corner) {
                return static_cast<std::uint32_t>(indices[next + corner].vertex_index);
            };
            for (unsigned char corner = 2; corner < corners; ++corner) {
                result.triangles.push_back({vertex(0), vertex(corner - 1), vertex(corner), part});
            }
            next += corners;
        }
        result.parts.push_back(shape.name.empty() ? "part " + std::to_string(part + 1) : shape.name);
    }
    if (result.triangles.empty()) {
        return "nothing to show in the OBJ file " + path + ": it has no faces";
    }
    mesh = std::move(result);
    return std::nullopt;
}

}  // namespace viewer
