// The viewer's frame time, from a camera change to the picture shown in a window, for a sheet of 10,000,
// 200,000 and 1,000,000 flat-shaded triangles (and a closed torus of 200,000, whose far side OpenGL skips):
// drawn by the software rasteriser and shown through an SDL texture, as the viewer does without OpenGL,
// against drawn by OpenGL straight into a GL window. Both draw the status line over the model, as every
// viewer frame does; reading OpenGL's part ids back (what input after a frame waits for) is timed on its own.
// Run under a display (xvfb-run -a, with
// --benchmark_repetitions=5 for medians); without one the windowed cases are skipped. The rasteriser alone
// (solid, and as wireframe, which still fills the picking buffer) and clearing the picture (what every
// software frame costs before a triangle) are the baselines.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "Font.h"
#include "GlRasteriser.h"
#include "Mesh.h"
#include "Raster.h"

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr int STATUS_HEIGHT = 16;

void ClearOnly(benchmark::State& state) {
    viewer::Frame frame(WIDTH, HEIGHT);
    for (auto _ : state) {
        frame.Clear(viewer::BACKGROUND);
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
}

void RenderSheet(benchmark::State& state, bool wireframe) {
    const viewer::Mesh mesh = viewer::MakeTriangleSheet(static_cast<std::size_t>(state.range(0)));
    const viewer::Rasteriser rasteriser(mesh);
    viewer::Frame frame(WIDTH, HEIGHT);
    viewer::RenderOptions options;
    options.wireframe = wireframe;
    options.areaHeight = HEIGHT - STATUS_HEIGHT;
    double yaw = 0;
    for (auto _ : state) {
        frame.Clear(viewer::BACKGROUND);
        // The camera turns a little every frame, as during a drag.
        rasteriser.Render({yaw, 25, 1, 0, 0}, options, frame);
        yaw += 1;
        benchmark::DoNotOptimize(frame.Pixels().data());
    }
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
}

void Solid(benchmark::State& state) {
    RenderSheet(state, false);
}

void Wireframe(benchmark::State& state) {
    RenderSheet(state, true);
}

// A shown window of the viewer's size; SDL is started for it and stopped with it.
class Window {
public:
    explicit Window(std::uint32_t flags) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            why_ = std::string("no display: ") + SDL_GetError();
            return;
        }
        started_ = true;
        window_ = SDL_CreateWindow("viewer_bench", 0, 0, WIDTH, HEIGHT, flags);
        if (!window_) {
            why_ = std::string("no window: ") + SDL_GetError();
        }
    }
    ~Window() {
        if (window_) {
            SDL_DestroyWindow(window_);
        }
        if (started_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    SDL_Window* Get() const { return window_; }
    const std::string& Why() const { return why_; }

private:
    bool started_ = false;
    SDL_Window* window_ = nullptr;
    std::string why_;
};

void DrawStatus(viewer::Frame& frame, int frameNumber) {
    frame.FillRect(0, HEIGHT - STATUS_HEIGHT, WIDTH, STATUS_HEIGHT, 0xff32323c);
    viewer::DrawText(frame, 4, HEIGHT - STATUS_HEIGHT + 4, "orbit: frame " + std::to_string(frameNumber),
                     0xffffffff);
}

using MeshMaker = viewer::Mesh (*)(std::size_t);

// A closed surface of about count triangles, as most parts of a real model are: a torus with bumps, so
// that depth and shading vary. Seen from outside, its far side never shows.
viewer::Mesh MakeTorus(std::size_t count) {
    const auto n = static_cast<std::uint32_t>(std::max(3.0, std::ceil(std::sqrt(count / 2.0))));
    viewer::Mesh mesh;
    const float turn = 2 * std::numbers::pi_v<float> / static_cast<float>(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::uint32_t j = 0; j < n; ++j) {
            const float u = turn * static_cast<float>(i);
            const float v = turn * static_cast<float>(j);
            const float r = 0.4f * (1 + 0.1f * std::sin(5 * u) * std::cos(3 * v));
            mesh.vertices.push_back(
                {(1 + r * std::cos(v)) * std::cos(u), (1 + r * std::cos(v)) * std::sin(u), r * std::sin(v)});
        }
    }
    auto at = [n](std::uint32_t i, std::uint32_t j) { return (i % n) * n + j % n; };
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::uint32_t j = 0; j < n; ++j) {
            mesh.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), 0});
            mesh.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1), 0});
        }
    }
    mesh.parts = {"torus"};
    return mesh;
}

void SoftwareFrame(benchmark::State& state, MeshMaker make) {
    const viewer::Mesh mesh = make(static_cast<std::size_t>(state.range(0)));
    const viewer::Rasteriser rasteriser(mesh);
    Window window(0);
    SDL_Renderer* renderer =
        window.Get() ? SDL_CreateRenderer(window.Get(), -1, SDL_RENDERER_SOFTWARE) : nullptr;
    SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                                        SDL_TEXTUREACCESS_STREAMING, WIDTH, HEIGHT)
                                    : nullptr;
    if (!texture) {
        state.SkipWithError(window.Why().empty() ? SDL_GetError() : window.Why().c_str());
        if (renderer) {
            SDL_DestroyRenderer(renderer);
        }
        return;
    }
    viewer::Frame frame(WIDTH, HEIGHT);
    viewer::RenderOptions options;
    options.areaHeight = HEIGHT - STATUS_HEIGHT;
    int number = 0;
    for (auto _ : state) {
        frame.Clear(viewer::BACKGROUND);
        rasteriser.Render({number * 1.0, 25, 1, 0, 0}, options, frame);
        DrawStatus(frame, number++);
        SDL_UpdateTexture(texture, nullptr, frame.Pixels().data(), WIDTH * 4);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    }
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
}

// readIds: only reading a frame's part ids back is timed, what input after each frame adds to its latency.
void GlFrames(benchmark::State& state, MeshMaker make, bool readIds) {
    const viewer::Mesh mesh = make(static_cast<std::size_t>(state.range(0)));
    Window window(viewer::GlRasteriser::PrepareWindow());
    std::unique_ptr<viewer::GlRasteriser> gl;
    if (!window.Get()) {
        state.SkipWithError(window.Why().c_str());
        return;
    }
    if (auto why = viewer::GlRasteriser::Create(window.Get(), mesh, gl)) {
        state.SkipWithError(why->c_str());
        return;
    }
    // Swapping hands the picture over; finishing waits until it is drawn, so that no frame hides in the
    // driver's queue behind the clock.
    const auto finish = reinterpret_cast<void (*)()>(SDL_GL_GetProcAddress("glFinish"));
    viewer::Frame overlay(WIDTH, HEIGHT);
    viewer::Frame picked(WIDTH, HEIGHT);
    viewer::RenderOptions options;
    options.areaHeight = HEIGHT - STATUS_HEIGHT;
    int number = 0;
    for (auto _ : state) {
        if (readIds) {
            state.PauseTiming();
        }
        DrawStatus(overlay, number);
        gl->Present({number * 1.0, 25, 1, 0, 0}, options, overlay, HEIGHT - STATUS_HEIGHT);
        finish();
        if (readIds) {
            state.ResumeTiming();
            gl->ReadBack(picked, false);
        }
        ++number;
    }
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
}

void GlFrame(benchmark::State& state, MeshMaker make) {
    GlFrames(state, make, false);
}

void GlIdReadBack(benchmark::State& state) {
    GlFrames(state, &viewer::MakeTriangleSheet, true);
}

}  // namespace

BENCHMARK(ClearOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(Solid)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Wireframe)->Arg(10000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SoftwareFrame, sheet, &viewer::MakeTriangleSheet)
    ->Arg(10000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(GlFrame, sheet, &viewer::MakeTriangleSheet)
    ->Arg(10000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SoftwareFrame, torus, &MakeTorus)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(GlFrame, torus, &MakeTorus)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GlIdReadBack)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
