// Model files are read by assimp (OBJ, glTF, STL, PLY, 3MF and the rest of its formats). Every mesh of
// the file, wherever its node puts it, becomes a part; polygons of any size are split into triangles.
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Mesh.h"

namespace viewer {
namespace {

// The OBJ reader takes a vertex or a face with too few numbers as a shorter one, or drops it: a file cut
// off in the middle of a line would show as something it is not.
std::optional<std::string> CheckObjStatements(const std::string& path) {
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

// A text STL cut off shows as part of itself, or (cut inside a corner) makes the reader fail and leak:
// every corner must have its three numbers and the file must end with "endsolid". A binary STL (NUL
// bytes in its header or its first triangle) is left to the reader, which checks its length.
std::optional<std::string> CheckStlText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.compare(0, 5, "solid") != 0 || text.substr(0, 134).find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::istringstream lines(text);
    int number = 0;
    std::string last;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword)) {
            continue;
        }
        last = keyword;
        std::size_t count = 0;
        for (std::string word; words >> word;) {
            ++count;
        }
        if (keyword == "vertex" && count != 3) {
            return "malformed STL file " + path + ":" + std::to_string(number) + ": 'vertex' with " +
                   std::to_string(count) + " of 3 numbers (is the file cut off?)";
        }
    }
    if (last != "endsolid") {
        return "malformed STL file " + path + ": it does not end with 'endsolid' (is the file cut off?)";
    }
    return std::nullopt;
}

std::string FirstLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text.substr(0, text.find('\n'));
}

// Adds the meshes of node and of its children, each placed by the transforms above it.
void AddNode(const aiScene& scene, const aiNode& node, const aiMatrix4x4& above, Mesh& mesh) {
    const aiMatrix4x4 transform = above * node.mTransformation;
    for (unsigned int i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[node.mMeshes[i]];
        const auto part = static_cast<std::uint32_t>(mesh.parts.size());
        const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
        for (unsigned int v = 0; v < source.mNumVertices; ++v) {
            const aiVector3D p = transform * source.mVertices[v];
            mesh.vertices.push_back({p.x, p.y, p.z});
        }
        for (unsigned int f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices == 3) {  // points and lines are left out
                mesh.triangles.push_back(
                    {first + face.mIndices[0], first + face.mIndices[1], first + face.mIndices[2], part});
            }
        }
        std::string name = source.mName.length > 0 ? source.mName.C_Str() : node.mName.C_Str();
        mesh.parts.push_back(name.empty() ? "part " + std::to_string(part + 1) : name);
    }
    for (unsigned int i = 0; i < node.mNumChildren; ++i) {
        AddNode(scene, *node.mChildren[i], transform, mesh);
    }
}

}  // namespace

std::optional<std::string> LoadModel(const std::string& path, Mesh& mesh) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return "cannot read the model file " + path;
    }
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (auto error = extension == ".obj"   ? CheckObjStatements(path)
                     : extension == ".stl" ? CheckStlText(path)
                                           : std::nullopt) {
        return error;
    }
    Assimp::Importer importer;
    // Points and lines are dropped rather than drawn; a model without faces is refused below.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(
        path, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
        const std::string why = FirstLine(importer.GetErrorString());
        return "cannot read the model file " + path + ": " + (why.empty() ? std::string("unreadable") : why);
    }
    Mesh result;
    AddNode(*scene, *scene->mRootNode, aiMatrix4x4(), result);
    if (result.triangles.empty()) {
        return "nothing to show in the model file " + path + ": it has no faces";
    }
    mesh = std::move(result);
    return std::nullopt;
}

}  // namespace viewer
