// The viewer's picture build: BuildImage over the viewer's own value stream against a parse of
// the same texts tuned for exactly what the shipped stream holds (plain decimal values, writing
// pixels straight into the image). Both must make the same image.
//
// Then a picture given on the command line: a 1920 x 1080 include file read from disk into the
// image, against BuildImage of the same values from the embedded stream form, for a photograph
// and a drawing; the ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "pixeldata/reader.h"
#include "pixeldata/value_stream.h"
#include "screen/screen.h"
#include "screen/window/headless.h"
#include "viewer/build_image.h"
#include "viewer/picture_file.h"

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

// The two 1920 x 1080 pictures: a photograph's values vary from pixel to pixel like noise, a
// drawing's follow smooth patterns, whose digit counts a processor predicts well.
enum FullHdKind { Photo, Drawing };
constexpr const char* FullHdNames[] = {"photo", "drawing"};

// The picture as the conversion writes it, with values of one to three digits.
std::string FullHdIncludeFile(FullHdKind kind) {
    std::string text = "FullHd_bi:\r\nData 1920\r\nData 1080\r\n";
    uint32_t noise = 12345;
    const auto next = [&noise] { return (noise = noise * 1103515245 + 12345) >> 8 & 0xFF; };
    char line[64];
    for (uint32_t y = 0; y < 1080; ++y) {
        for (uint32_t x = 0; x < 1920; ++x) {
            const bool photo = kind == Photo;
            const int n = std::snprintf(
                line, sizeof line, "Data 255, %u, %u,%u\r\n", photo ? next() : (x * 7 + y) & 0xFF,
                photo ? next() : (x ^ y) & 0xFF, photo ? next() : (x * y / 64) & 0xFF);
            text.append(line, static_cast<size_t>(n));
        }
    }
    return text;
}

struct FullHd {
    std::string path;
    std::string stream;
};

const FullHd& FullHdPicture(FullHdKind kind) {
    static const std::string folder = [] {
        char name[] = "/tmp/viewer_bench-XXXXXX";
        return mkdtemp(name) != nullptr ? std::string(name) : std::string();
    }();
    static FullHd pictures[2];
    FullHd& picture = pictures[kind];
    if (picture.path.empty()) {
        picture.path = folder + "/" + FullHdNames[kind] + ".bi";
        const std::string text = FullHdIncludeFile(kind);
        std::ofstream(picture.path, std::ios::binary).write(text.data(), text.size());
        IncludeFileStream stream;
        IncludeFileError error;
        if (ReadIncludeFile(text, stream, error)) picture.stream = std::move(stream.bytes);
    }
    return picture;
}

void BM_FullHdFromStream(benchmark::State& state) {
    ValueStream stream = MakeValueStream(FullHdPicture(FullHdKind(state.range(0))).stream);
    for (auto _ : state) {
        Rewind(stream);
        ImageBuffer* image = BuildImage(stream);
        benchmark::DoNotOptimize(image);
        DestroyImage(image);
    }
}
BENCHMARK(BM_FullHdFromStream)
    ->Arg(Photo)
    ->Arg(Drawing)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(12);

void BM_FullHdFromIncludeFile(benchmark::State& state) {
    const std::string& path = FullHdPicture(FullHdKind(state.range(0))).path;
    for (auto _ : state) {
        PictureFile file = ReadPictureFile(path);
        benchmark::DoNotOptimize(file.pixels.Row(0));
    }
}
BENCHMARK(BM_FullHdFromIncludeFile)
    ->Arg(Photo)
    ->Arg(Drawing)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(12);

// The console report, keeping each benchmark's shortest time per iteration over its repetitions
// for the ratio: on a machine shared with other work the shortest is the least disturbed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const auto [entry, added] =
                best_.try_emplace(run.run_name.function_name + "/" + run.run_name.args, 0.0);
            const double time = run.GetAdjustedRealTime();
            if (added || time < entry->second) entry->second = time;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Best(const std::string& name) const {
        const auto found = best_.find(name);
        return found == best_.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> best_;
};

bool SamePixels(const ImageBuffer* a, const picture::Pixels& b) {
    int32_t width = 0, height = 0, pitch = 0;
    uint8_t* rows = nullptr;
    GetImageInfo(a, &width, &height, nullptr, &pitch, &rows, nullptr);
    if (!b || width != b.Width() || height != b.Height()) return false;
    for (int32_t y = 0; y < height; ++y)
        if (std::memcmp(rows + int64_t{y} * pitch, b.Row(y), static_cast<size_t>(b.Pitch())) != 0)
            return false;
    return true;
}

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

bool FullHdPathsAgree(FullHdKind kind) {
    ValueStream stream = MakeValueStream(FullHdPicture(kind).stream);
    ImageBuffer* fromStream = BuildImage(stream);
    const PictureFile fromFile = ReadPictureFile(FullHdPicture(kind).path);
    const bool same = SamePixels(fromStream, fromFile.pixels);
    DestroyImage(fromStream);
    return same;
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
    if (!FullHdPathsAgree(Photo) || !FullHdPathsAgree(Drawing)) {
        std::fputs("viewer_bench: the include file and its stream give different images\n", stderr);
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const FullHdKind kind : {Photo, Drawing}) {
        const std::string arg = "/" + std::to_string(kind);
        const double fromStream = reporter.Best("BM_FullHdFromStream" + arg);
        const double fromFile = reporter.Best("BM_FullHdFromIncludeFile" + arg);
        if (fromStream <= 0 || fromFile <= 0) continue;
        std::printf(
            "1920 x 1080 %s, best of each: include file from disk %.1f ms, embedded "
            "stream %.1f ms, ratio %.2f\n",
            FullHdNames[kind], fromFile, fromStream, fromFile / fromStream);
    }
    std::filesystem::remove_all(std::filesystem::path(FullHdPicture(Photo).path).parent_path());
    return 0;
}
