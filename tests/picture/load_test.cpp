// Loading: files made to cost far more than their pixels, refused before the work with the
// reason; reduced loads.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <webp/encode.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "picture/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A progressive JPEG of a `side` x `side` gradient, as TurboJPEG writes it.
Bytes ProgressiveJpeg(int side = 64) {
    std::vector<uint8_t> rgb(static_cast<size_t>(side * side * 3));
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), side, 0, side, TJPF_RGB, &out, &size, TJSAMP_420, 90,
                TJFLAG_PROGRESSIVE);
    Bytes jpeg(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

// The same file with its last scan repeated until it has `scans` more.
Bytes WithScansRepeated(Bytes jpeg, int scans) {
    const uint8_t sos[] = {0xFF, 0xDA};
    const auto last = std::find_end(jpeg.begin(), jpeg.end(), sos, sos + 2);
    const Bytes scan(last, jpeg.end() - 2);  // up to the end-of-image marker
    for (int i = 0; i < scans; ++i) jpeg.insert(jpeg.end() - 2, scan.begin(), scan.end());
    return jpeg;
}

// A frame header claiming 10000 x 10000 pixels in the file's few bytes.
Bytes WithHugeFrame(Bytes jpeg) {
    const uint8_t sof[] = {0xFF, 0xC2};
    const auto frame = std::search(jpeg.begin(), jpeg.end(), sof, sof + 2);
    for (const int at : {5, 7}) frame[at] = 10000 >> 8, frame[at + 1] = 10000 & 0xFF;
    return jpeg;
}

// A GIF whose first image claims 10000 x 10000 pixels and holds a few bytes of data.
Bytes HugeGif() {
    return {'G',  'I', 'F',  '8',  '9', 'a',  0x10, 0x27, 0x10, 0x27, 0x80, 0, 0,  // screen
            0,    0,   0,    255,  255, 255,                                       // two colours
            0x2C, 0,   0,    0,    0,   0x10, 0x27, 0x10, 0x27, 0,                 // image
            2,    2,   0x4C, 0x01, 0,   0x3B};                                     // data, end
}

TEST(HostilePictures, RefusedBeforeTheWorkWithTheReason) {
    const Bytes jpeg = ProgressiveJpeg();
    ASSERT_TRUE(picture::LoadMemory(jpeg).pixels);
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"a JPEG of 150 scans more", WithScansRepeated(jpeg, 150), "has 1"},
        {"a JPEG frame too large for its data", WithHugeFrame(jpeg),
         "declares 10000 x 10000 pixels, more than its "},
        {"a GIF image too large for its data", HugeGif(),
         "declares 10000 x 10000 pixels, more than its 35 bytes can hold"},
    };
    for (const auto& [what, bytes, problem] : cases) {
        const picture::LoadedPicture loaded = picture::LoadMemory(bytes);
        EXPECT_EQ(picture::ProbeMemory(bytes).problem.empty(), problem.starts_with("has")) << what;
        EXPECT_EQ(loaded.problem.rfind(problem, 0), 0u) << what << ": " << loaded.problem;
        EXPECT_FALSE(loaded.pixels) << what;
    }
}

// A lossless WebP of one colour, 0 bits a pixel, as libwebp writes it.
Bytes LosslessWebP(int width, int height) {
    const std::vector<uint8_t> rgba(size_t(width) * height * 4, 0x80);
    uint8_t* out = nullptr;
    const size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &out);
    Bytes webp(out, out + size);
    WebPFree(out);
    return webp;
}

Bytes LossyWebP(int width, int height) {
    const std::vector<uint8_t> rgb(size_t(width) * height * 3, 0x80);
    uint8_t* out = nullptr;
    const size_t size = WebPEncodeRGB(rgb.data(), width, height, width * 3, 80, &out);
    Bytes webp(out, out + size);
    WebPFree(out);
    return webp;
}

// The budget of a batch counts what each decoder keeps beside the picture: the estimate is at
// least the picture and that, and no more than the picture and twice that.
TEST(DecodeEstimates, ThePictureAndWhatItsDecoderKeeps) {
    const int64_t picture = 1000 * 800 * 4;
    const Bytes jpeg = ProgressiveJpeg();
    const std::tuple<const char*, Bytes, int64_t> cases[] = {
        {"a lossless WebP: libwebp's buffer of the picture's size", LosslessWebP(1000, 800),
         2 * picture},
        {"a lossy WebP without alpha: none", LossyWebP(1000, 800), picture},
        {"a progressive JPEG: its coefficients, 2 bytes each", WithHugeFrame(jpeg),
         int64_t{10000} * 10000 * (4 + 3 * 2)},
    };
    for (const auto& [what, bytes, least] : cases) {
        const picture::ProbeResult probe = picture::ProbeMemory(bytes);
        EXPECT_GE(probe.decodeBytes, least) << what;
        EXPECT_LE(probe.decodeBytes, least + int64_t(bytes.size()) + (16 << 20)) << what;
    }
}

// A JPEG may come at 1/2, 1/4 or 1/8 of its size, the largest reduction that keeps the fraction
// asked for; other formats come whole.
TEST(ReducedLoads, TheLargestReductionThatKeepsTheFraction) {
    const std::string path = testing::TempDir() + "reduced.jpg";
    const Bytes jpeg = ProgressiveJpeg();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file && std::fwrite(jpeg.data(), 1, jpeg.size(), file) == jpeg.size());
    std::fclose(file);
    for (const auto& [fraction, side] :
         {std::pair{1.0, 64}, {0.6, 64}, {0.5, 32}, {0.3, 32}, {0.25, 16}, {0.01, 8}}) {
        const picture::LoadedPicture loaded =
            picture::Load(path, {[f = fraction](int64_t, int64_t) { return f; }});
        ASSERT_TRUE(loaded.pixels) << loaded.problem;
        EXPECT_EQ(loaded.pixels.Width(), side) << fraction;
        EXPECT_EQ(loaded.pixels.Height(), side) << fraction;
        EXPECT_EQ(loaded.fullWidth, 64);
    }
}

// An opened picture loads from the file it probed, whatever is put under its name meanwhile; its
// reads come whole, from the head kept at the open, from the file or from both.
TEST(OpenedPictures, LoadTheFileTheyProbed) {
    const std::string path = testing::TempDir() + "opened.jpg";
    const Bytes jpeg = ProgressiveJpeg(256);
    ASSERT_GT(jpeg.size(), 4096u + 100);
    const auto write = [](const std::string& to, const Bytes& bytes) {
        std::FILE* file = std::fopen(to.c_str(), "wb");
        ASSERT_TRUE(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        std::fclose(file);
    };
    write(path, jpeg);
    const picture::OpenedPicture opened(path);
    for (const auto& [offset, count] : {std::pair<int64_t, int64_t>{0, 32},
                                        {4090, 12},
                                        {0, 5000},
                                        {4096, 7},
                                        {100, 0},
                                        {int64_t(jpeg.size()) - 3, 10}}) {
        Bytes read(static_cast<size_t>(count));
        const auto expected = std::min<int64_t>(count, int64_t(jpeg.size()) - offset);
        ASSERT_EQ(opened.File().ReadAt(offset, read.data(), count), expected) << offset;
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + expected, jpeg.begin() + offset));
    }
    write(path + ".new", HugeGif());
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_FALSE(picture::Load(path).pixels);
    const picture::LoadedPicture loaded =
        picture::Load(opened, {[](int64_t, int64_t) { return 0.5; }});
    ASSERT_TRUE(loaded.pixels) << loaded.problem;
    EXPECT_EQ(loaded.pixels.Width(), 128);
    EXPECT_EQ(loaded.fullWidth, opened.Probe().width);

    const picture::OpenedPicture missing(path + ".missing");
    EXPECT_EQ(missing.Probe().problem, "cannot read: No such file or directory");
    EXPECT_EQ(picture::Load(missing).openError, ENOENT);
}

}  // namespace
