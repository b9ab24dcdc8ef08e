// Writes an 8-bit RGBA PNG file of 0xAARRGGBB pixels with libspng's encoder.
#pragma once

#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

inline bool WritePng(const std::string& path, uint32_t width, uint32_t height,
                     const std::vector<uint32_t>& pixels) {
    std::vector<uint8_t> rgba;
    for (const uint32_t p : pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER),
                                                             spng_ctx_free);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                               std::fclose);
    spng_ihdr header{width, height, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    return ctx && file && spng_set_png_file(ctx.get(), file.get()) == 0 &&
           spng_set_ihdr(ctx.get(), &header) == 0 &&
           spng_encode_image(ctx.get(), rgba.data(), rgba.size(), SPNG_FMT_PNG,
                             SPNG_ENCODE_FINALIZE) == 0;
}
