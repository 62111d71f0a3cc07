// The viewer's frame time: clearing an 800x600 picture (the baseline, what every frame costs before a
// triangle is drawn) against rasterising a sheet of 10,000 and 100,000 flat-shaded triangles into it,
// solid and as wireframe (which still fills the picking buffer).
#include <benchmark/benchmark.h>

#include "Mesh.h"
#include "Raster.h"

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;

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
    options.areaHeight = HEIGHT - 16;
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

}  // namespace

BENCHMARK(ClearOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(Solid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Wireframe)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
