// The viewer's own work on a 4000 x 3000 JPEG: the decode alone against everything before the
// picture shows fitted (the read for the fit, halvings, the fitted frame) and before every zoom
// can be shown, and the redraw of one 1920 x 1080 frame at the zooms that panning uses.
//   view_bench PICTURE.jpg
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "viewer/browse.h"
#include "viewer/render.h"

namespace {

const Extent Window{1920, 1080};
std::string path;

picture::Pixels Decoded() {
    return picture::Load(path).pixels;
}

void Decode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Decoded());
}

// What the viewer does before its first frame: the read for the fit (reduced where the format
// allows), the pyramid, the fitted frame.
LoadedFile ShowFitted(std::vector<uint32_t>& frame) {
    LoadedFile file = Prepared(
        path, ReadPictureFile(path, FirstFrameRead([](Extent) { return Window; })), Window);
    Render(file.pyramid, Fitted(file.pyramid.Size(), Window), {frame.data(), 1920, 1080, 1920 * 4});
    return file;
}

void StartToFittedFrame(benchmark::State& state) {
    std::vector<uint32_t> frame(static_cast<size_t>(Window.width * Window.height));
    for (auto _ : state) benchmark::DoNotOptimize(ShowFitted(frame));
}

// The same, and then the whole picture that zooming needs.
void StartToEveryZoom(benchmark::State& state) {
    std::vector<uint32_t> frame(static_cast<size_t>(Window.width * Window.height));
    for (auto _ : state) {
        LoadedFile file = ShowFitted(frame);
        if (file.pyramid.pending > 0) CompletePyramid(file.pyramid, Decoded());
        benchmark::DoNotOptimize(file);
    }
}

// One frame after a pan step at the zoom in hundredths (state.range(0)).
void RedrawFrame(benchmark::State& state) {
    picture::Pixels pixels = Decoded();
    const Extent size{pixels.Width(), pixels.Height()};
    const Pyramid pyramid = BuildPyramid(std::move(pixels), FitZoom(size, Window));
    const double zoom = static_cast<double>(state.range(0)) / 100;
    std::vector<uint32_t> frame(static_cast<size_t>(Window.width * Window.height));
    View view = ZoomedAbout(Fitted(size, Window), size, Window, zoom, 960, 540);
    int64_t step = 37;
    for (auto _ : state) {
        view = Panned(view, size, Window, step, step);
        step = -step;
        Render(pyramid, view, {frame.data(), 1920, 1080, 1920 * 4});
        benchmark::DoNotOptimize(frame.data());
    }
}

}  // namespace

BENCHMARK(Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(StartToFittedFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(StartToEveryZoom)->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawFrame)
    ->Arg(36)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(800)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fputs("usage: view_bench PICTURE.jpg\n", stderr);
        return 2;
    }
    path = argv[1];
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
