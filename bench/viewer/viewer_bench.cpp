// The viewer's picture build: BuildImage over the viewer's own value stream against a parse of
// the same texts tuned for exactly what the shipped stream holds (plain decimal values, writing
// pixels straight into the image). Both must make the same image.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "screen/headless.h"
#include "screen/screen.h"
#include "viewer/build_image.h"
#include "viewer/value_stream.h"

namespace {

std::string& Stream() {
    static std::string bytes = [] {
        std::ifstream in(VIEWER_STREAM_FILE, std::ios::binary);
        std::ostringstream contents;
        contents << in.rdbuf();
        return std::move(contents).str();
    }();
    return bytes;
}

// Decimal digits only, no blanks, signs or other bases: what the generated stream of a converted
// bitmap holds.
uint32_t ParseDecimal(const char*& p, const char* end) {
    uint32_t value = 0;
    while (p != end && *p >= '0' && *p <= '9')
        value = value * 10 + static_cast<uint32_t>(*p++ - '0');
    if (p != end) ++p;  // the separator or group end
    return value;
}

ImageBuffer* TunedBuild(const std::string& bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    const auto width = static_cast<int32_t>(ParseDecimal(p, end));
    const auto height = static_cast<int32_t>(ParseDecimal(p, end));
    ImageBuffer* image = CreateImage(width, height, 32, 0, 0);
    if (image == nullptr) return nullptr;
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    GetImageInfo(image, nullptr, nullptr, nullptr, &pitch, &pixels, nullptr);
    for (int32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * pitch);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t a = ParseDecimal(p, end);
            const uint32_t r = ParseDecimal(p, end);
            const uint32_t g = ParseDecimal(p, end);
            const uint32_t b = ParseDecimal(p, end);
            row[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return image;
}

void BM_BuildImage(benchmark::State& state) {
    ValueStream stream = MakeValueStream(Stream());
    for (auto _ : state) {
        Rewind(stream);
        ImageBuffer* image = BuildImage(stream);
        benchmark::DoNotOptimize(image);
        DestroyImage(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Stream().size()));
}
BENCHMARK(BM_BuildImage)->Unit(benchmark::kMillisecond);

void BM_TunedParse(benchmark::State& state) {
    for (auto _ : state) {
        ImageBuffer* image = TunedBuild(Stream());
        benchmark::DoNotOptimize(image);
        DestroyImage(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Stream().size()));
}
BENCHMARK(BM_TunedParse)->Unit(benchmark::kMillisecond);

bool SameImage(const ImageBuffer* a, const ImageBuffer* b) {
    int64_t sizeA = 0;
    int64_t sizeB = 0;
    uint8_t* pixelsA = nullptr;
    uint8_t* pixelsB = nullptr;
    GetImageInfo(a, nullptr, nullptr, nullptr, nullptr, &pixelsA, &sizeA);
    GetImageInfo(b, nullptr, nullptr, nullptr, nullptr, &pixelsB, &sizeB);
    return sizeA == sizeB && sizeA > 0 &&
           std::memcmp(pixelsA, pixelsB, static_cast<size_t>(sizeA - 32)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    headless::UseHeadlessBackend();
    if (OpenScreen(640, 480, 32) != ScreenResult::Ok || Stream().empty()) {
        std::fputs("viewer_bench: no headless screen or no stream at " VIEWER_STREAM_FILE "\n",
                   stderr);
        return 1;
    }
    ValueStream stream = MakeValueStream(Stream());
    ImageBuffer* built = BuildImage(stream);
    ImageBuffer* tuned = TunedBuild(Stream());
    const bool same = SameImage(built, tuned);
    DestroyImage(built);
    DestroyImage(tuned);
    if (!same) {
        std::fputs("viewer_bench: BuildImage and the tuned parse disagree\n", stderr);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
