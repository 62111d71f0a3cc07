#include "GlRasteriser.h"

#ifdef WORKFLOW_VIEWER_GL
#include <SDL.h>
#include <epoxy/gl.h>
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

namespace viewer {

#ifdef WORKFLOW_VIEWER_GL

namespace {

// The same shading as the software rasteriser: the part's colour (or the highlight) times 0.3 plus 0.7 of
// how squarely the face looks at the light, in view space, either side. Every corner carries its face's
// normal and part, so a face is shaded once, at its vertices, and the fragments only copy the result:
// under a software GL the per-fragment work is what costs.
const char* const MODEL_VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;   // centred and scaled into the unit sphere
layout(location = 1) in vec3 normal;     // the face's, unit length (zero for a degenerate face)
layout(location = 2) in uint part;
uniform mat3 rotation;                   // model to view space (x right, y up, z towards the viewer)
uniform vec2 origin;                     // window pixels of the model's centre, y down
uniform float pixels;                    // pixels per unit
uniform vec2 size;                       // the drawing area in pixels
uniform vec3 palette[6];
uniform vec3 highlight;
uniform usampler2D selected;             // one texel per part, 4096 to a row: 1 when selected
flat out vec4 shade;
flat out uint instance;
void main() {
    const vec3 light = vec3(0.32, 0.55, 0.77);
    vec3 v = rotation * position;
    vec2 screen = vec2(origin.x + v.x * pixels, origin.y - v.y * pixels);
    gl_Position = vec4(screen.x / size.x * 2.0 - 1.0, 1.0 - screen.y / size.y * 2.0, -v.z * 0.5, 1.0);
    float facing = abs(dot(rotation * normal, light));
    bool chosen = texelFetch(selected, ivec2(int(part % 4096u), int(part / 4096u)), 0).r != 0u;
    vec3 base = chosen ? highlight : palette[part % 6u];
    // Channels are cut to whole steps as the software rasteriser's are.
    shade = vec4(floor(base * 255.0 * (0.3 + 0.7 * facing)) / 255.0, 1.0);
    instance = part + 1u;
}
)";

const char* const MODEL_FRAGMENT_SHADER = R"(#version 330 core
flat in vec4 shade;
flat in uint instance;
layout(location = 0) out vec4 colour;
layout(location = 1) out uint id;
void main() {
    colour = shade;
    id = instance;
}
)";

// A window-sized picture drawn in software over the model: the status line and the workflows'
// annotations. Its rows are the texture's, top first.
const char* const OVERLAY_VERTEX_SHADER = R"(#version 330 core
uniform vec4 rows;                       // the rows shown: top and bottom in clip space, then in the texture
out vec2 at;
void main() {
    vec2 corner = vec2(gl_VertexID & 1, gl_VertexID >> 1);
    gl_Position = vec4(corner.x * 2.0 - 1.0, mix(rows.x, rows.y, corner.y), 0.0, 1.0);
    at = vec2(corner.x, mix(rows.z, rows.w, corner.y));
}
)";

const char* const OVERLAY_FRAGMENT_SHADER = R"(#version 330 core
in vec2 at;
uniform sampler2D picture;
uniform bool opaque;
out vec4 colour;
void main() {
    vec4 texel = texture(picture, at);
    if (!opaque && texel == vec4(0.0)) {
        discard;
    }
    colour = vec4(texel.rgb, 1.0);
}
)";

constexpr std::uint32_t PALETTE[] = {0xff6a8caf, 0xff8fb573, 0xffc9a26b, 0xffa07cc0, 0xff6bb5b0, 0xffc07070};
constexpr int SELECTED_ROW = 4096;

// One corner as the model shader reads it: 20 bytes, the normal packed into ten bits a coordinate.
struct Corner {
    float x, y, z;
    std::uint32_t normal;
    std::uint32_t part;
};

std::uint32_t PackNormal(float x, float y, float z) {
    auto pack = [](float value, int shift) {
        const auto step = static_cast<std::int32_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 511.0f));
        return (static_cast<std::uint32_t>(step) & 0x3ffu) << shift;
    };
    return pack(x, 0) | pack(y, 10) | pack(z, 20);
}

void SetColour(GLint location, std::uint32_t colour) {
    glUniform3f(location, static_cast<float>((colour >> 16) & 0xff) / 255.0f,
                static_cast<float>((colour >> 8) & 0xff) / 255.0f,
                static_cast<float>(colour & 0xff) / 255.0f);
}

GLuint Compile(GLenum kind, const char* source, std::string& why) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok && why.empty()) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        why = std::string("a shader does not compile: ") + log;
        why = why.substr(0, why.find('\n'));
    }
    return shader;
}

GLuint Link(const char* vertexSource, const char* fragmentSource, std::string& why) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource, why);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource, why);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked && why.empty()) {
        why = "the shaders do not link";
    }
    return program;
}

// The mesh as the model shader draws it, centred and scaled as the software rasteriser does, so that
// both draw the same picture. A face's normal and part are flat: GL takes them from the face's last
// corner, so each face gets a corner that is last in no other face, one of its own where the mesh has
// one to spare, otherwise a copy. The vertices stay shared, so each is shaded about once per face
// rather than three times.
// The faces come in three runs: parts whose surface is closed with its faces turned outwards
// anticlockwise, closed parts turned clockwise, and the rest. From outside a closed surface (and the
// camera is always outside: it looks along parallel rays from beyond the model) only the faces turned
// towards the viewer can show, so the first two runs are drawn without the faces turned away, which the
// driver then drops before rasterising them; the picture is the same.
struct Geometry {
    std::vector<Corner> corners;
    std::vector<std::uint32_t> indices;
    std::size_t faces[3] = {};  // in each run
};

enum Run { CLOSED_ANTICLOCKWISE, CLOSED_CLOCKWISE, OPEN };

// Which run each part's faces go to: closed when every edge is met by exactly two of the part's faces,
// once in each direction, and each of its shells (faces joined by corners) encloses a volume of the same
// sign, which tells which way the faces turn. A part with a hollow inside, a shell turned inside out or a
// shell shared with another part is drawn whole: slower, never wrong.
std::vector<Run> PartRuns(const Mesh& mesh) {
    std::size_t parts = mesh.parts.size();
    for (const Triangle& t : mesh.triangles) {
        parts = std::max<std::size_t>(parts, t.part + std::size_t{1});
    }
    std::vector<std::pair<std::uint32_t, std::uint64_t>> edges;  // part, directed edge
    edges.reserve(mesh.triangles.size() * 3);
    std::vector<std::uint32_t> shell(mesh.vertices.size());
    for (std::uint32_t i = 0; i < shell.size(); ++i) {
        shell[i] = i;
    }
    auto root = [&shell](std::uint32_t v) {
        while (shell[v] != v) {
            v = shell[v] = shell[shell[v]];
        }
        return v;
    };
    for (const Triangle& t : mesh.triangles) {
        const std::uint32_t corners[] = {t.a, t.b, t.c, t.a};
        for (int i = 0; i < 3; ++i) {
            edges.emplace_back(t.part, (std::uint64_t{corners[i]} << 32) | corners[i + 1]);
            shell[root(corners[i])] = root(corners[i + 1]);
        }
    }
    constexpr std::uint32_t MIXED = 0xffffffff;
    std::vector<double> volume(mesh.vertices.size(), 0.0);
    std::vector<std::uint32_t> owner(mesh.vertices.size(), MIXED - 1);  // the part of each shell
    for (const Triangle& t : mesh.triangles) {
        const std::uint32_t r = root(t.a);
        owner[r] = owner[r] == MIXED - 1 || owner[r] == t.part ? t.part : MIXED;
        const Vec3& a = mesh.vertices[t.a];
        const Vec3& b = mesh.vertices[t.b];
        const Vec3& c = mesh.vertices[t.c];
        volume[r] +=
            static_cast<double>(a.x) * (static_cast<double>(b.y) * c.z - static_cast<double>(b.z) * c.y) +
            static_cast<double>(a.y) * (static_cast<double>(b.z) * c.x - static_cast<double>(b.x) * c.z) +
            static_cast<double>(a.z) * (static_cast<double>(b.x) * c.y - static_cast<double>(b.y) * c.x);
    }
    std::vector<bool> outwards(parts, false);  // some shell turns anticlockwise outwards
    std::vector<bool> inwards(parts, false);   // some shell turns clockwise
    std::vector<bool> closed(parts, true);
    for (const Triangle& t : mesh.triangles) {
        const std::uint32_t r = root(t.a);
        if (owner[r] == MIXED || volume[r] == 0) {
            closed[t.part] = false;
        }
        outwards[t.part] = outwards[t.part] || volume[r] > 0;
        inwards[t.part] = inwards[t.part] || volume[r] < 0;
    }
    std::sort(edges.begin(), edges.end());
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const auto [part, edge] = edges[i];
        const bool repeated = i + 1 < edges.size() && edges[i + 1] == edges[i];
        const std::pair<std::uint32_t, std::uint64_t> back{part, (edge << 32) | (edge >> 32)};
        if (repeated || !std::binary_search(edges.begin(), edges.end(), back)) {
            closed[part] = false;
        }
    }
    std::vector<Run> runs(parts, OPEN);
    for (std::size_t part = 0; part < parts; ++part) {
        if (closed[part] && outwards[part] != inwards[part]) {
            runs[part] = outwards[part] ? CLOSED_ANTICLOCKWISE : CLOSED_CLOCKWISE;
        }
    }
    return runs;
}

Geometry Build(const Mesh& mesh) {
    const auto [centre, scale] = FramingOf(mesh);
    Geometry geometry;
    geometry.corners.reserve(mesh.vertices.size() + mesh.triangles.size() / 2);
    for (const Vec3& v : mesh.vertices) {
        geometry.corners.push_back(
            {(v.x - centre.x) * scale, (v.y - centre.y) * scale, (v.z - centre.z) * scale, 0, 0});
    }
    std::vector<bool> taken(mesh.vertices.size(), false);
    geometry.indices.reserve(mesh.triangles.size() * 3);
    const std::vector<Run> runs = PartRuns(mesh);
    std::vector<const Triangle*> ordered;
    ordered.reserve(mesh.triangles.size());
    for (const Run run : {CLOSED_ANTICLOCKWISE, CLOSED_CLOCKWISE, OPEN}) {
        for (const Triangle& t : mesh.triangles) {
            if (runs[t.part] == run) {
                ordered.push_back(&t);
                ++geometry.faces[run];
            }
        }
    }
    for (const Triangle* face : ordered) {
        const Triangle& t = *face;
        const Corner& a = geometry.corners[t.a];
        const Corner& b = geometry.corners[t.b];
        const Corner& c = geometry.corners[t.c];
        const Vec3 u = {b.x - a.x, b.y - a.y, b.z - a.z};
        const Vec3 w = {c.x - a.x, c.y - a.y, c.z - a.z};
        Vec3 n = {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
        const float length = std::hypot(n.x, n.y, n.z);
        n = length > 0 ? Vec3{n.x / length, n.y / length, n.z / length} : Vec3{};
        const std::uint32_t normal = PackNormal(n.x, n.y, n.z);
        // Turning the corners round keeps the face's winding.
        std::uint32_t order[3] = {t.a, t.b, t.c};
        if (!taken[t.c]) {
        } else if (!taken[t.a]) {
            order[0] = t.b, order[1] = t.c, order[2] = t.a;
        } else if (!taken[t.b]) {
            order[0] = t.c, order[1] = t.a, order[2] = t.b;
        } else {
            order[2] = static_cast<std::uint32_t>(geometry.corners.size());
            geometry.corners.push_back(geometry.corners[t.c]);
            taken.push_back(false);
        }
        taken[order[2]] = true;
        geometry.corners[order[2]].normal = normal;
        geometry.corners[order[2]].part = t.part;
        geometry.indices.insert(geometry.indices.end(), order, order + 3);
    }
    return geometry;
}

}  // namespace

struct GlRasteriser::State {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint model = 0;
    GLuint overlay = 0;
    GLuint vertexArray = 0;
    GLuint emptyArray = 0;  // the overlay's quad makes its corners from gl_VertexID
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    GLuint framebuffer = 0;
    GLuint colourTarget = 0;
    GLuint instanceTarget = 0;
    GLuint depthTarget = 0;
    GLuint selectedTexture = 0;
    GLuint overlayTexture = 0;
    GLsizei faces[3] = {};  // in each run of Geometry
    std::size_t parts = 0;
    int width = 0;  // the window
    int height = 0;
    int area = 0;  // the model's rows, from the top
    struct {
        GLint rotation, origin, pixels, size, palette, highlight, selected;
    } at{};
    GLint overlayRows = 0;
    GLint overlayOpaque = 0;
    std::vector<std::uint32_t> selection;  // the selection last uploaded, as given
    std::vector<std::uint8_t> flags;
    std::vector<std::uint32_t> rows;

    ~State() {
        if (context) {
            SDL_GL_MakeCurrent(window, context);
            glDeleteProgram(model);
            glDeleteProgram(overlay);
            const GLuint buffers[] = {buffer, indexBuffer};
            glDeleteBuffers(2, buffers);
            const GLuint arrays[] = {vertexArray, emptyArray};
            glDeleteVertexArrays(2, arrays);
            glDeleteFramebuffers(1, &framebuffer);
            const GLuint textures[] = {colourTarget, instanceTarget, selectedTexture, overlayTexture};
            glDeleteTextures(4, textures);
            glDeleteRenderbuffers(1, &depthTarget);
            SDL_GL_DeleteContext(context);
        }
    }
};

std::uint32_t GlRasteriser::PrepareWindow() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Depth is tested in the offscreen pass; the window only shows its colours.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    return SDL_WINDOW_OPENGL;
}

std::optional<std::string> GlRasteriser::Create(SDL_Window* window, const Mesh& mesh,
                                                std::unique_ptr<GlRasteriser>& out) {
    // Mesa's software GL allocates its vertex and binning buffers afresh every frame. Left to itself,
    // the C library hands large blocks back to the kernel when freed, and every frame then faults its
    // memory in again, page by page: a third of a frame's time at 200,000 triangles. Keeping them in the
    // heap (blocks below 32 MB, the most the library allows, and no trimming) makes that cost go away.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    auto state = std::make_unique<State>();
    state->window = window;
    state->context = SDL_GL_CreateContext(window);
    if (!state->context) {
        return std::string("no OpenGL 3.3 context: ") + SDL_GetError();
    }
    // A picture is shown as soon as it is drawn: waiting for a display refresh would only add latency.
    SDL_GL_SetSwapInterval(0);
    std::string why;
    state->model = Link(MODEL_VERTEX_SHADER, MODEL_FRAGMENT_SHADER, why);
    state->overlay = Link(OVERLAY_VERTEX_SHADER, OVERLAY_FRAGMENT_SHADER, why);
    if (!why.empty()) {
        return why;
    }
    const GLuint model = state->model;
    state->at = {glGetUniformLocation(model, "rotation"), glGetUniformLocation(model, "origin"),
                 glGetUniformLocation(model, "pixels"),   glGetUniformLocation(model, "size"),
                 glGetUniformLocation(model, "palette"),  glGetUniformLocation(model, "highlight"),
                 glGetUniformLocation(model, "selected")};
    state->overlayRows = glGetUniformLocation(state->overlay, "rows");
    state->overlayOpaque = glGetUniformLocation(state->overlay, "opaque");
    glUseProgram(model);
    for (int i = 0; i < 6; ++i) {
        SetColour(state->at.palette + i, PALETTE[i]);
    }
    SetColour(state->at.highlight, HIGHLIGHT);
    glUniform1i(state->at.selected, 0);
    glUseProgram(state->overlay);
    glUniform1i(glGetUniformLocation(state->overlay, "picture"), 1);

    const Geometry geometry = Build(mesh);
    const std::vector<Corner>& corners = geometry.corners;
    for (int run = 0; run < 3; ++run) {
        state->faces[run] = static_cast<GLsizei>(geometry.faces[run]);
    }
    state->parts = mesh.parts.size();
    for (const Triangle& t : mesh.triangles) {
        state->parts = std::max<std::size_t>(state->parts, t.part + std::size_t{1});  // named or not
    }
    glGenVertexArrays(1, &state->emptyArray);
    glGenVertexArrays(1, &state->vertexArray);
    glBindVertexArray(state->vertexArray);
    glGenBuffers(1, &state->buffer);
    glBindBuffer(GL_ARRAY_BUFFER, state->buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(Corner)), corners.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Corner), nullptr);
    glVertexAttribPointer(1, 4, GL_INT_2_10_10_10_REV, GL_TRUE, sizeof(Corner),
                          reinterpret_cast<const void*>(offsetof(Corner, normal)));
    glVertexAttribIPointer(2, 1, GL_UNSIGNED_INT, sizeof(Corner),
                           reinterpret_cast<const void*>(offsetof(Corner, part)));
    for (GLuint i = 0; i < 3; ++i) {
        glEnableVertexAttribArray(i);
    }
    glGenBuffers(1, &state->indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, state->indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(geometry.indices.size() * sizeof(std::uint32_t)),
                 geometry.indices.data(), GL_STATIC_DRAW);
    glGenTextures(1, &state->selectedTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, state->selectedTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenTextures(1, &state->overlayTexture);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, state->overlayTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glGenFramebuffers(1, &state->framebuffer);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (glGetError() != GL_NO_ERROR) {
        return "the mesh cannot be uploaded to the graphics driver";
    }
    out.reset(new GlRasteriser(std::move(state)));
    return std::nullopt;
}

GlRasteriser::GlRasteriser(std::unique_ptr<State> state) : state_(std::move(state)) {}

GlRasteriser::~GlRasteriser() = default;

void GlRasteriser::Resize(int width, int height, int area) {
    State& s = *state_;
    if (s.width != width || s.height != height) {
        glActiveTexture(GL_TEXTURE1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    if (s.width == width && s.area == area) {
        s.height = height;
        return;
    }
    s.width = width;
    s.height = height;
    s.area = area;
    const GLuint textures[] = {s.colourTarget, s.instanceTarget};
    glDeleteTextures(2, textures);
    glDeleteRenderbuffers(1, &s.depthTarget);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glActiveTexture(GL_TEXTURE2);  // leaves the shaders' textures bound where they are
    glGenTextures(1, &s.colourTarget);
    glBindTexture(GL_TEXTURE_2D, s.colourTarget);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, area, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.colourTarget, 0);
    glGenTextures(1, &s.instanceTarget);
    glBindTexture(GL_TEXTURE_2D, s.instanceTarget);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32UI, width, area, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, s.instanceTarget, 0);
    glGenRenderbuffers(1, &s.depthTarget);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depthTarget);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, area);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depthTarget);
    const GLenum targets[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, targets);
}

void GlRasteriser::Present(const CameraState& camera, const RenderOptions& options, const Frame& overlay,
                           int overlayTop) {
    State& s = *state_;
    SDL_GL_MakeCurrent(s.window, s.context);
    const int width = overlay.Width();
    const int height = overlay.Height();
    const int area = std::max(options.areaHeight > 0 ? std::min(options.areaHeight, height) : height, 1);
    Resize(width, height, area);

    if (options.selected != s.selection || s.flags.empty()) {
        s.selection = options.selected;
        const std::size_t rows = std::max<std::size_t>(s.parts, 1) / SELECTED_ROW + 1;
        s.flags.assign(rows * SELECTED_ROW, 0);
        for (const std::uint32_t id : options.selected) {
            if (id >= 1 && id <= s.parts) {
                s.flags[id - 1] = 1;
            }
        }
        glActiveTexture(GL_TEXTURE0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8UI, SELECTED_ROW, static_cast<GLsizei>(rows), 0, GL_RED_INTEGER,
                     GL_UNSIGNED_BYTE, s.flags.data());
    }

    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, width, area);
    const float background[] = {static_cast<float>((BACKGROUND >> 16) & 0xff) / 255.0f,
                                static_cast<float>((BACKGROUND >> 8) & 0xff) / 255.0f,
                                static_cast<float>(BACKGROUND & 0xff) / 255.0f, 1.0f};
    const GLuint nothing[] = {0, 0, 0, 0};
    glClearBufferfv(GL_COLOR, 0, background);
    glClearBufferuiv(GL_COLOR, 1, nothing);
    const float farthest = 1.0f;
    glClearBufferfv(GL_DEPTH, 0, &farthest);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glUseProgram(s.model);
    const double yaw = camera.yaw * std::numbers::pi / 180;
    const double pitch = camera.pitch * std::numbers::pi / 180;
    const auto cy = static_cast<float>(std::cos(yaw));
    const auto sy = static_cast<float>(std::sin(yaw));
    const auto cp = static_cast<float>(std::cos(pitch));
    const auto sp = static_cast<float>(std::sin(pitch));
    // The software rasteriser's turn: yaw about y, then pitch about x. Column-major.
    const float rotation[9] = {cy, sp * sy, -cp * sy, 0, cp, sp, sy, -sp * cy, cp * cy};
    glUniformMatrix3fv(s.at.rotation, 1, GL_FALSE, rotation);
    glUniform2f(s.at.origin, static_cast<float>(width / 2.0 + camera.panX),
                static_cast<float>(area / 2.0 + camera.panY));
    glUniform1f(s.at.pixels,
                static_cast<float>(camera.zoom) * 0.45f * static_cast<float>(std::min(width, area)));
    glUniform2f(s.at.size, static_cast<float>(width), static_cast<float>(area));
    glBindVertexArray(s.vertexArray);
    // GL's front faces are the ones that turn anticlockwise as the viewer sees them, as in view space.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    std::size_t first = 0;
    for (const Run run : {CLOSED_ANTICLOCKWISE, CLOSED_CLOCKWISE, OPEN}) {
        if (run == OPEN) {
            glDisable(GL_CULL_FACE);
        }
        glFrontFace(run == CLOSED_CLOCKWISE ? GL_CW : GL_CCW);
        if (s.faces[run] > 0) {
            glDrawElements(GL_TRIANGLES, 3 * s.faces[run], GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(first * sizeof(std::uint32_t)));
        }
        first += 3 * static_cast<std::size_t>(s.faces[run]);
    }
    glDisable(GL_DEPTH_TEST);

    // The model's rows are the window's top ones; GL counts rows from the bottom.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, s.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, area, 0, height - area, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    DrawOverlay(overlay, overlayTop, false);
    SDL_GL_SwapWindow(s.window);
}

void GlRasteriser::ShowFrame(const Frame& frame) {
    State& s = *state_;
    SDL_GL_MakeCurrent(s.window, s.context);
    Resize(frame.Width(), frame.Height(), std::max(s.area, 1));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    DrawOverlay(frame, 0, true);
    SDL_GL_SwapWindow(s.window);
}

void GlRasteriser::DrawOverlay(const Frame& overlay, int top, bool opaque) {
    State& s = *state_;
    top = std::clamp(top, 0, s.height);
    if (top == s.height) {
        return;
    }
    glViewport(0, 0, s.width, s.height);
    glActiveTexture(GL_TEXTURE1);
    glTexSubImage2D(
        GL_TEXTURE_2D, 0, 0, top, s.width, s.height - top, GL_BGRA, GL_UNSIGNED_BYTE,
        overlay.Pixels().data() + static_cast<std::size_t>(top) * static_cast<std::size_t>(s.width));
    glUseProgram(s.overlay);
    const auto h = static_cast<float>(s.height);
    glUniform4f(s.overlayRows, 1.0f - 2.0f * static_cast<float>(top) / h, -1.0f, static_cast<float>(top) / h,
                1.0f);
    glUniform1i(s.overlayOpaque, opaque ? 1 : 0);
    glBindVertexArray(s.emptyArray);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void GlRasteriser::ReadBack(Frame& frame, bool colours) {
    State& s = *state_;
    if (s.area == 0) {
        return;
    }
    SDL_GL_MakeCurrent(s.window, s.context);
    const int width = std::min(s.width, frame.Width());
    const int area = std::min(s.area, frame.Height());
    s.rows.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.area));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, s.framebuffer);
    auto copy = [&](std::vector<std::uint32_t>& into) {
        // GL's rows go upwards; the frame's go down.
        for (int y = 0; y < area; ++y) {
            std::memcpy(&into[frame.Index(0, y)],
                        &s.rows[static_cast<std::size_t>(s.area - 1 - y) * static_cast<std::size_t>(s.width)],
                        static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        }
    };
    glReadBuffer(GL_COLOR_ATTACHMENT1);
    glReadPixels(0, 0, s.width, s.area, GL_RED_INTEGER, GL_UNSIGNED_INT, s.rows.data());
    copy(frame.instance_);
    if (colours) {
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(0, 0, s.width, s.area, GL_BGRA, GL_UNSIGNED_BYTE, s.rows.data());
        copy(frame.color_);
    }
}

#else

struct GlRasteriser::State {};

std::uint32_t GlRasteriser::PrepareWindow() {
    return 0;
}

std::optional<std::string> GlRasteriser::Create(SDL_Window*, const Mesh&, std::unique_ptr<GlRasteriser>&) {
    return "the viewer was built without libepoxy";
}

GlRasteriser::GlRasteriser(std::unique_ptr<State> state) : state_(std::move(state)) {}
GlRasteriser::~GlRasteriser() = default;
void GlRasteriser::Resize(int, int, int) {}
void GlRasteriser::Present(const CameraState&, const RenderOptions&, const Frame&, int) {}
void GlRasteriser::ShowFrame(const Frame&) {}
void GlRasteriser::DrawOverlay(const Frame&, int, bool) {}
void GlRasteriser::ReadBack(Frame&, bool) {}

#endif

}  // namespace viewer
