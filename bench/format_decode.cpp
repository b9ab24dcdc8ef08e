// One picture file decoded to 0xAARRGGBB pixels in memory, timed: by the picture library's Load,
// or by the format's own library called directly the plain way (libwebp's WebPDecodeBGRAInto,
// libheif's decode to interleaved RGBA). Prints the best of N runs in milliseconds.
// Usage: format_decode loader|library FILE [RUNS]
#include <libheif/heif.h>
#include <webp/decode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace {

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The file read and decoded by libwebp into a buffer of its size.
bool WebPDirect(const std::string& path) {
    std::vector<uint8_t> data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        data.resize(static_cast<size_t>(std::ftell(f)));
        std::rewind(f);
        const size_t got = std::fread(data.data(), 1, data.size(), f);
        std::fclose(f);
        if (got != data.size()) return false;
    }
    int w = 0, h = 0;
    if (!WebPGetInfo(data.data(), data.size(), &w, &h)) return false;
    std::vector<uint8_t> pixels(size_t(w) * h * 4);
    return WebPDecodeBGRAInto(data.data(), data.size(), pixels.data(), pixels.size(), w * 4);
}

// libheif's own file reading and decoding to interleaved RGBA.
bool HeifDirect(const std::string& path) {
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    bool ok = heif_context_read_from_file(context, path.c_str(), nullptr).code == 0 &&
              heif_context_get_primary_image_handle(context, &handle).code == 0 &&
              heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                                nullptr)
                      .code == 0;
    if (image) heif_image_release(image);
    if (handle) heif_image_handle_release(handle);
    heif_context_free(context);
    return ok;
}

bool Decode(const std::string& mode, const std::string& path) {
    if (mode == "loader") return picture::Load(path).failure == picture::LoadFailure::None;
    return EndsWith(path, ".webp") ? WebPDirect(path) : HeifDirect(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: format_decode loader|library FILE [RUNS]\n", stderr);
        return 2;
    }
    heif_init(nullptr);
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!Decode(argv[1], argv[2])) {
            std::fprintf(stderr, "format_decode: cannot decode %s\n", argv[2]);
            return 1;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    std::printf("%.1f\n", best);
    return 0;
}
