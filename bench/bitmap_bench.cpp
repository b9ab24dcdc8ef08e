// Decoding BMP files: LoadBitmap into a new 32-bit image, against SDL_LoadBMP followed by the
// conversion to ARGB8888, and against stb_image decoding to 4 bytes per pixel. The same files for
// all three: 24- and 32-bit, 8-, 4- and 1-bit with full palettes, of one size.
//
// Usage: bitmap_bench [--size=WxH] [Google Benchmark flags]
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "screen/bitmap.h"
#include "screen/headless.h"
#include "tests/bitmap/bmp_builder.h"

namespace {

int32_t g_width = 1920;
int32_t g_height = 1080;
std::string g_folder;

const int kBitCounts[] = {24, 32, 8, 4, 1};

std::string PathFor(int bits) {
    return g_folder + "/bench" + std::to_string(bits) + ".bmp";
}

void WriteBitmaps() {
    std::mt19937 random(12345);
    for (int bits : kBitCounts) {
        bmp::Bitmap b;
        b.width = g_width;
        b.height = g_height;
        b.bitCount = static_cast<uint16_t>(bits);
        if (bits <= 8) {
            b.palette.resize(size_t{1} << bits);
            for (uint32_t& c : b.palette) c = random() & 0xFFFFFF;
        }
        const uint32_t mask = bits == 32 ? 0xFFFFFFFF : (uint32_t{1} << bits) - 1;
        std::vector<std::vector<uint32_t>> rows(g_height, std::vector<uint32_t>(g_width));
        for (auto& row : rows)
            for (uint32_t& p : row) p = random() & mask;
        b.pixels = bmp::StoreRows(rows, bits);
        bmp::WriteFile(PathFor(bits), bmp::Encode(b));
    }
}

void SetCounters(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * int64_t{g_width} * g_height);
    state.SetLabel(std::to_string(state.range(0)) + "-bit");
}

void LoadBitmapToImage(benchmark::State& state) {
    const std::string path = PathFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ImageBuffer* image = CreateImage(g_width, g_height, 0, 32, 0x80000000);
        if (LoadBitmap(path, image) != ScreenResult::Ok) state.SkipWithError("LoadBitmap failed");
        benchmark::DoNotOptimize(image);
        DestroyImage(image);
    }
    SetCounters(state);
}

void SdlLoadAndConvert(benchmark::State& state) {
    const std::string path = PathFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
        SDL_Surface* argb =
            loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
        if (!argb) state.SkipWithError(SDL_GetError());
        benchmark::DoNotOptimize(argb);
        SDL_FreeSurface(argb);
        SDL_FreeSurface(loaded);
    }
    SetCounters(state);
}

void StbLoad(benchmark::State& state) {
    const std::string path = PathFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
        if (!pixels) state.SkipWithError("stbi_load failed");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetCounters(state);
}

void RegisterAll() {
    for (auto* bench : {benchmark::RegisterBenchmark("LoadBitmap", LoadBitmapToImage),
                        benchmark::RegisterBenchmark("SDL_LoadBMP+ARGB8888", SdlLoadAndConvert),
                        benchmark::RegisterBenchmark("stbi_load", StbLoad)}) {
        for (int bits : kBitCounts) bench->Arg(bits);
        bench->Unit(benchmark::kMillisecond)->MinTime(1.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--size=", 7) == 0)
            std::sscanf(argv[i] + 7, "%dx%d", &g_width, &g_height);
    }
    std::string folder = (std::filesystem::temp_directory_path() / "bitmap-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) return 1;
    g_folder = folder;
    WriteBitmaps();

    headless::UseHeadlessBackend();
    if (OpenScreen(64, 64, 32) != ScreenResult::Ok) return 1;
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CloseScreen();
    std::filesystem::remove_all(g_folder);
    return 0;
}
