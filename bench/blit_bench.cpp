// PutImage's colour-keyed Blend against memcpy of the same bytes (the floor) and against SDL2's
// colour-keyed blit (SDL_SetColorKey + SDL_BlitSurface), on whole frames and on sprites with
// about 20 % and 50 % mask pixels. Every pattern is checked against the per-pixel rule first.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "screen/screen.h"
#include "screen/window/headless.h"

namespace {

enum Pattern { kOpaque = 0, kBlock20 = 1, kRandom50 = 2 };

// Source pixels: opaque, a 20 % block of mask pixels per row, or a random half of them.
std::vector<uint32_t> MakePixels(int w, int h, int pattern) {
    std::mt19937 random(42);
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool mask = false;
            if (pattern == kBlock20) mask = x % 10 < 2;
            if (pattern == kRandom50) mask = random() & 1;
            pixels[static_cast<size_t>(y) * w + x] = mask ? 0xFFFF00FF : (random() | 0xFF000000);
        }
    }
    return pixels;
}

struct Images {
    ImageBuffer* source;
    ImageBuffer* target;
    std::vector<uint32_t> pixels;
};

uint32_t* Row(ImageBuffer* image, int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(image) + 32 + y * image->pitch);
}

Images MakeImages(int w, int h, int pattern) {
    Images images{CreateImage(w, h, 0, 32, 0), CreateImage(w, h, 0x00336699, 32, 0),
                  MakePixels(w, h, pattern)};
    for (int y = 0; y < h; ++y)
        std::memcpy(Row(images.source, y), &images.pixels[static_cast<size_t>(y) * w], w * 4);
    return images;
}

// The result must be what the scalar rule gives.
void Verify(int w, int h, int pattern) {
    Images images = MakeImages(w, h, pattern);
    PutImage(images.target, 0, 0, images.source);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t s = images.pixels[static_cast<size_t>(y) * w + x];
            const uint32_t want = (s & 0xFFFFFF) == 0xFF00FF ? 0x00336699 : s;
            if (Row(images.target, y)[x] != want) {
                std::fprintf(stderr, "blend differs from the rule at %d,%d\n", x, y);
                std::exit(1);
            }
        }
    }
    DestroyImage(images.source);
    DestroyImage(images.target);
}

void PutImageBlend(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    Images images = MakeImages(w, h, state.range(2));
    for (auto _ : state) {
        PutImage(images.target, 0, 0, images.source);
        benchmark::DoNotOptimize(images.target);
    }
    state.SetBytesProcessed(state.iterations() * int64_t{w} * h * 4);
    DestroyImage(images.source);
    DestroyImage(images.target);
}

void Memcpy(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * state.range(1) * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void SdlColourKey(benchmark::State& state) {
    const int w = state.range(0), h = state.range(1);
    std::vector<uint32_t> pixels = MakePixels(w, h, state.range(2));
    SDL_Surface* src =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_RGB888);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
    SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
    SDL_SetColorKey(src, SDL_TRUE, 0xFF00FF);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::DoNotOptimize(dst->pixels);
    }
    state.SetBytesProcessed(state.iterations() * int64_t{w} * h * 4);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int pattern : {kOpaque, kBlock20, kRandom50}) {
        b->Args({640, 480, pattern});
        b->Args({1920, 1080, pattern});
    }
}

BENCHMARK(PutImageBlend)->Apply(Sizes);
BENCHMARK(SdlColourKey)->Apply(Sizes);
BENCHMARK(Memcpy)->Args({640, 480, 0})->Args({1920, 1080, 0});

}  // namespace

int main(int argc, char** argv) {
    headless::UseHeadlessBackend();
    if (OpenScreen(64, 64, 32) != ScreenResult::Ok) return 1;
    for (int pattern : {kOpaque, kBlock20, kRandom50}) Verify(640, 480, pattern);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
