#include "GlRasteriser.h"

#ifdef WORKFLOW_VIEWER_GL
#include <SDL.h>
#include <epoxy/gl.h>
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
// how squarely the face looks at the light, in view space, either side.
// The same shading as the software rasteriser: the part's colour (or the highlight) times 0.3 plus 0.7 of
// how squarely the face looks at the light, in view space, either side. Corners are shared between
// triangles (a vertex is shaded once however many triangles meet there), so the face's normal comes from
// the slopes of the view position across the pixel, and its part from the triangle's number.
const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;   // centred and scaled into the unit sphere
uniform mat3 rotation;                   // model to view space (x right, y up, z towards the viewer)
uniform vec2 origin;                     // window pixels of the model's centre, y down
uniform float pixels;                    // pixels per unit
uniform vec2 size;                       // the frame in pixels
out vec3 viewPosition;
void main() {
    vec3 v = rotation * position;
    vec2 screen = vec2(origin.x + v.x * pixels, origin.y - v.y * pixels);
    gl_Position = vec4(screen.x / size.x * 2.0 - 1.0, 1.0 - screen.y / size.y * 2.0, -v.z * 0.5, 1.0);
    viewPosition = v;
}
)";

const char* const FRAGMENT_SHADER = R"(#version 330 core
in vec3 viewPosition;
uniform vec3 palette[6];
uniform vec3 highlight;
uniform usamplerBuffer parts;            // one texel per triangle: its part
uniform usampler2D selected;             // one texel per part: 1 when selected
layout(location = 0) out vec4 colour;
layout(location = 1) out uint instance;
void main() {
    const vec3 light = vec3(0.32, 0.55, 0.77);
    vec3 normal = cross(dFdx(viewPosition), dFdy(viewPosition));
    float len = length(normal);
    float facing = len > 0.0 ? abs(dot(normal, light)) / len : 0.0;
    uint part = texelFetch(parts, gl_PrimitiveID).r;
    bool chosen = texelFetch(selected, ivec2(int(part), 0), 0).r != 0u;
    vec3 base = chosen ? highlight : palette[part % 6u];
    colour = vec4(base * (0.3 + 0.7 * facing), 1.0);
    instance = part + 1u;
}
)";

constexpr std::uint32_t PALETTE[] = {0xff6a8caf, 0xff8fb573, 0xffc9a26b, 0xffa07cc0, 0xff6bb5b0, 0xffc07070};

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
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        why = std::string("a shader does not compile: ") + log;
        why = why.substr(0, why.find('\n'));
    }
    return shader;
}

}  // namespace

struct GlRasteriser::State {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    GLuint partBuffer = 0;
    GLuint partTexture = 0;
    GLuint framebuffer = 0;
    GLuint colourTarget = 0;
    GLuint instanceTarget = 0;
    GLuint depthTarget = 0;
    GLuint selectedTexture = 0;
    GLsizei indexCount = 0;
    std::size_t parts = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> colours;
    std::vector<std::uint32_t> instances;
    std::vector<std::uint8_t> selected;

    ~State() {
        if (context) {
            SDL_GL_MakeCurrent(window, context);
            glDeleteProgram(program);
            const GLuint buffers[] = {buffer, indexBuffer, partBuffer};
            glDeleteBuffers(3, buffers);
            glDeleteVertexArrays(1, &vertexArray);
            glDeleteFramebuffers(1, &framebuffer);
            const GLuint textures[] = {colourTarget, instanceTarget, selectedTexture, partTexture};
            glDeleteTextures(4, textures);
            glDeleteRenderbuffers(1, &depthTarget);
            SDL_GL_DeleteContext(context);
        }
        if (window) {
            SDL_DestroyWindow(window);
        }
    }
};

std::optional<std::string> GlRasteriser::Create(const Mesh& mesh, std::unique_ptr<GlRasteriser>& out) {
    auto state = std::make_unique<State>();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    // The picture is drawn offscreen and read back; the window only carries the context.
    state->window = SDL_CreateWindow("workflow-viewer gl", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!state->window) {
        return std::string("no OpenGL window: ") + SDL_GetError();
    }
    state->context = SDL_GL_CreateContext(state->window);
    if (!state->context) {
        return std::string("no OpenGL 3.3 context: ") + SDL_GetError();
    }
    std::string why;
    const GLuint vertex = Compile(GL_VERTEX_SHADER, VERTEX_SHADER, why);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER, why);
    if (!why.empty()) {
        return why;
    }
    state->program = glCreateProgram();
    glAttachShader(state->program, vertex);
    glAttachShader(state->program, fragment);
    glLinkProgram(state->program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(state->program, GL_LINK_STATUS, &linked);
    if (!linked) {
        return "the shaders do not link";
    }

    // Centred and scaled as the software rasteriser does, so that both draw the same picture.
    Vec3 centre;
    float scale = 1;
    if (!mesh.vertices.empty()) {
        Vec3 low = mesh.vertices.front();
        Vec3 high = low;
        for (const Vec3& v : mesh.vertices) {
            low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
            high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
        }
        centre = {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
        const float radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
        scale = radius > 0 ? 1 / radius : 1;
    }
    std::vector<float> positions;
    positions.reserve(mesh.vertices.size() * 3);
    for (const Vec3& v : mesh.vertices) {
        positions.insert(positions.end(),
                         {(v.x - centre.x) * scale, (v.y - centre.y) * scale, (v.z - centre.z) * scale});
    }
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> parts;
    indices.reserve(mesh.triangles.size() * 3);
    parts.reserve(mesh.triangles.size());
    for (const Triangle& t : mesh.triangles) {
        indices.insert(indices.end(), {t.a, t.b, t.c});
        parts.push_back(t.part);
    }
    state->indexCount = static_cast<GLsizei>(indices.size());
    state->parts = mesh.parts.size();
    glGenVertexArrays(1, &state->vertexArray);
    glBindVertexArray(state->vertexArray);
    GLuint buffers[3] = {};
    glGenBuffers(3, buffers);
    state->buffer = buffers[0];
    state->indexBuffer = buffers[1];
    state->partBuffer = buffers[2];
    glBindBuffer(GL_ARRAY_BUFFER, state->buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positions.size() * sizeof(float)), positions.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, state->indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_TEXTURE_BUFFER, state->partBuffer);
    glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(std::max<std::size_t>(parts.size(), 1) * 4),
                 parts.empty() ? nullptr : parts.data(), GL_STATIC_DRAW);
    glGenTextures(1, &state->partTexture);
    glBindTexture(GL_TEXTURE_BUFFER, state->partTexture);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_R32UI, state->partBuffer);
    glGenTextures(1, &state->selectedTexture);
    glBindTexture(GL_TEXTURE_2D, state->selectedTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenFramebuffers(1, &state->framebuffer);
    if (glGetError() != GL_NO_ERROR) {
        return "the mesh cannot be uploaded to the graphics driver";
    }
    out.reset(new GlRasteriser(std::move(state)));
    return std::nullopt;
}

GlRasteriser::GlRasteriser(std::unique_ptr<State> state) : state_(std::move(state)) {}

GlRasteriser::~GlRasteriser() = default;

void GlRasteriser::Resize(int width, int height) {
    State& s = *state_;
    if (s.width == width && s.height == height) {
        return;
    }
    s.width = width;
    s.height = height;
    const GLuint textures[] = {s.colourTarget, s.instanceTarget};
    glDeleteTextures(2, textures);
    glDeleteRenderbuffers(1, &s.depthTarget);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glGenTextures(1, &s.colourTarget);
    glBindTexture(GL_TEXTURE_2D, s.colourTarget);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.colourTarget, 0);
    glGenTextures(1, &s.instanceTarget);
    glBindTexture(GL_TEXTURE_2D, s.instanceTarget);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32UI, width, height, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, s.instanceTarget, 0);
    glGenRenderbuffers(1, &s.depthTarget);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depthTarget);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depthTarget);
    const GLenum targets[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, targets);
    s.colours.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    s.instances.resize(s.colours.size());
}

void GlRasteriser::Render(const CameraState& camera, const RenderOptions& options, Frame& frame) {
    State& s = *state_;
    SDL_GL_MakeCurrent(s.window, s.context);
    const int width = frame.Width();
    const int area = options.areaHeight > 0 ? std::min(options.areaHeight, frame.Height()) : frame.Height();
    Resize(width, area);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, width, area);
    const float background[] = {static_cast<float>((BACKGROUND >> 16) & 0xff) / 255.0f,
                                static_cast<float>((BACKGROUND >> 8) & 0xff) / 255.0f,
                                static_cast<float>(BACKGROUND & 0xff) / 255.0f, 1.0f};
    const GLuint nothing[] = {0, 0, 0, 0};
    glClearBufferfv(GL_COLOR, 0, background);
    glClearBufferuiv(GL_COLOR, 1, nothing);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);

    glUseProgram(s.program);
    const double yaw = camera.yaw * std::numbers::pi / 180;
    const double pitch = camera.pitch * std::numbers::pi / 180;
    const auto cy = static_cast<float>(std::cos(yaw));
    const auto sy = static_cast<float>(std::sin(yaw));
    const auto cp = static_cast<float>(std::cos(pitch));
    const auto sp = static_cast<float>(std::sin(pitch));
    // The software rasteriser's turn: yaw about y, then pitch about x. Column-major.
    const float rotation[9] = {cy, sp * sy, -cp * sy, 0, cp, sp, sy, -sp * cy, cp * cy};
    glUniformMatrix3fv(glGetUniformLocation(s.program, "rotation"), 1, GL_FALSE, rotation);
    glUniform2f(glGetUniformLocation(s.program, "origin"), static_cast<float>(width / 2.0 + camera.panX),
                static_cast<float>(area / 2.0 + camera.panY));
    glUniform1f(glGetUniformLocation(s.program, "pixels"),
                static_cast<float>(camera.zoom) * 0.45f * static_cast<float>(std::min(width, area)));
    glUniform2f(glGetUniformLocation(s.program, "size"), static_cast<float>(width), static_cast<float>(area));
    for (int i = 0; i < 6; ++i) {
        SetColour(glGetUniformLocation(s.program, ("palette[" + std::to_string(i) + "]").c_str()),
                  PALETTE[i]);
    }
    SetColour(glGetUniformLocation(s.program, "highlight"), HIGHLIGHT);
    s.selected.assign(std::max<std::size_t>(s.parts, 1), 0);
    for (const std::uint32_t id : options.selected) {
        if (id >= 1 && id <= s.parts) {
            s.selected[id - 1] = 1;
        }
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, s.selectedTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8UI, static_cast<GLsizei>(s.selected.size()), 1, 0, GL_RED_INTEGER,
                 GL_UNSIGNED_BYTE, s.selected.data());
    glUniform1i(glGetUniformLocation(s.program, "selected"), 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_BUFFER, s.partTexture);
    glUniform1i(glGetUniformLocation(s.program, "parts"), 1);
    glBindVertexArray(s.vertexArray);
    glDrawElements(GL_TRIANGLES, s.indexCount, GL_UNSIGNED_INT, nullptr);

    // GL's rows go upwards; the frame's go down.
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, area, GL_BGRA, GL_UNSIGNED_BYTE, s.colours.data());
    glReadBuffer(GL_COLOR_ATTACHMENT1);
    glReadPixels(0, 0, width, area, GL_RED_INTEGER, GL_UNSIGNED_INT, s.instances.data());
    const auto row = static_cast<std::size_t>(width);
    for (int y = 0; y < area; ++y) {
        const std::size_t from = static_cast<std::size_t>(area - 1 - y) * row;
        std::memcpy(&frame.color_[frame.Index(0, y)], &s.colours[from], row * sizeof(std::uint32_t));
        std::memcpy(&frame.instance_[frame.Index(0, y)], &s.instances[from], row * sizeof(std::uint32_t));
    }
}

#else

struct GlRasteriser::State {};

std::optional<std::string> GlRasteriser::Create(const Mesh&, std::unique_ptr<GlRasteriser>&) {
    return "the viewer was built without libepoxy";
}

GlRasteriser::GlRasteriser(std::unique_ptr<State> state) : state_(std::move(state)) {}
GlRasteriser::~GlRasteriser() = default;
void GlRasteriser::Resize(int, int) {}
void GlRasteriser::Render(const CameraState&, const RenderOptions&, Frame&) {}

#endif

}  // namespace viewer
