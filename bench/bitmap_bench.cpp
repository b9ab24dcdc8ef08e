// Decoding picture files: LoadBitmap into a new 32-bit image, against SDL_LoadBMP followed by the
// conversion to ARGB8888 (BMP), against the PNG and JPEG libraries' own direct decodes to 32-bit
// pixels (libspng to RGBA8, TurboJPEG to BGRA), and against a single-header decoder's 4 bytes per
// pixel. The same files for all: BMPs of 24 and 32 bits and of 8, 4 and 1 bits with full
// palettes; PNGs in RGB and RGBA and a 4:2:0 JPEG of a photograph-like picture; all of one size.
//
// Usage: bitmap_bench [--size=WxH] [Google Benchmark flags]
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <spng.h>
#include <stb_image.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "screen/bitmap.h"
#include "screen/window/headless.h"
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

const char* const kCompressed[] = {"rgb.png", "rgba.png", "photo.jpg"};

std::string CompressedPath(int64_t index) {
    return g_folder + "/" + kCompressed[index];
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Smooth gradients with some noise, as in a photograph; alpha a gradient of its own.
std::vector<uint8_t> Photograph(int channels) {
    std::mt19937 random(54321);
    std::vector<uint8_t> pixels(size_t(g_width) * g_height * channels);
    for (int32_t y = 0; y < g_height; ++y)
        for (int32_t x = 0; x < g_width; ++x) {
            uint8_t* p = &pixels[(size_t(y) * g_width + x) * channels];
            p[0] = static_cast<uint8_t>(x * 255 / g_width + random() % 16);
            p[1] = static_cast<uint8_t>(y * 255 / g_height + random() % 16);
            p[2] = static_cast<uint8_t>((x + y) * 127 / (g_width + g_height) + random() % 32);
            if (channels == 4) p[3] = static_cast<uint8_t>(255 - y * 255 / g_height);
        }
    return pixels;
}

void WritePng(const std::string& path, int channels) {
    const std::vector<uint8_t> pixels = Photograph(channels);
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    FILE* file = std::fopen(path.c_str(), "wb");
    spng_ihdr header{static_cast<uint32_t>(g_width),
                     static_cast<uint32_t>(g_height),
                     8,
                     channels == 4 ? uint8_t{SPNG_COLOR_TYPE_TRUECOLOR_ALPHA}
                                   : uint8_t{SPNG_COLOR_TYPE_TRUECOLOR},
                     0,
                     0,
                     0};
    spng_set_png_file(ctx, file);
    spng_set_ihdr(ctx, &header);
    spng_encode_image(ctx, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    spng_ctx_free(ctx);
    std::fclose(file);
}

void WriteJpeg(const std::string& path) {
    const std::vector<uint8_t> pixels = Photograph(3);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), g_width, 0, g_height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(jpeg), long(size));
    tjFree(jpeg);
    tjDestroy(handle);
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

void LoadCompressedToImage(benchmark::State& state) {
    const std::string path = CompressedPath(state.range(0));
    for (auto _ : state) {
        ImageBuffer* image = CreateImage(g_width, g_height, 0, 32, 0x80000000);
        if (LoadBitmap(path, image) != ScreenResult::Ok) state.SkipWithError("LoadBitmap failed");
        benchmark::DoNotOptimize(image);
        DestroyImage(image);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{g_width} * g_height);
    state.SetLabel(kCompressed[state.range(0)]);
}

// libspng's whole-image decode of the file to RGBA8, nothing after it.
void SpngDecode(benchmark::State& state) {
    const std::string path = CompressedPath(state.range(0));
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_file(ctx, file);
        size_t size = 0;
        spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size);
        const auto pixels = std::make_unique_for_overwrite<uint8_t[]>(size);
        if (spng_decode_image(ctx, pixels.get(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) != 0)
            state.SkipWithError("spng_decode_image failed");
        benchmark::DoNotOptimize(pixels.get());
        spng_ctx_free(ctx);
        std::fclose(file);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{g_width} * g_height);
    state.SetLabel(kCompressed[state.range(0)]);
}

// TurboJPEG's decode of the file to BGRA.
void TurboJpegDecode(benchmark::State& state) {
    const std::string path = CompressedPath(state.range(0));
    for (auto _ : state) {
        const std::vector<uint8_t> data = ReadFile(path);
        tjhandle handle = tjInitDecompress();
        int w = 0, h = 0, subsampling = 0, colourSpace = 0;
        tjDecompressHeader3(handle, data.data(), data.size(), &w, &h, &subsampling, &colourSpace);
        const auto pixels = std::make_unique_for_overwrite<uint8_t[]>(size_t(w) * h * 4);
        if (tjDecompress2(handle, data.data(), data.size(), pixels.get(), w, w * 4, h, TJPF_BGRA,
                          0) != 0)
            state.SkipWithError("tjDecompress2 failed");
        benchmark::DoNotOptimize(pixels.get());
        tjDestroy(handle);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{g_width} * g_height);
    state.SetLabel(kCompressed[state.range(0)]);
}

void StbLoadCompressed(benchmark::State& state) {
    const std::string path = CompressedPath(state.range(0));
    for (auto _ : state) {
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
        if (!pixels) state.SkipWithError("stbi_load failed");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{g_width} * g_height);
    state.SetLabel(kCompressed[state.range(0)]);
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
    const auto compressed = [](const char* name, void (*run)(benchmark::State&), int first,
                               int last) {
        auto* bench = benchmark::RegisterBenchmark(name, run);
        bench->DenseRange(first, last)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    };
    compressed("LoadBitmap", LoadCompressedToImage, 0, 2);
    compressed("spng_decode_image RGBA8", SpngDecode, 0, 1);
    compressed("tjDecompress2 BGRA", TurboJpegDecode, 2, 2);
    compressed("stbi_load", StbLoadCompressed, 0, 2);
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
    WritePng(CompressedPath(0), 3);
    WritePng(CompressedPath(1), 4);
    WriteJpeg(CompressedPath(2));

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
