// ImageBuffer creation and release, and PutImage with its colour-keyed Blend.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

// Images are capped so that every size fits the header's signed 32-bit fields.
constexpr int64_t MaxImageBytes = std::numeric_limits<int32_t>::max() - 64;
// Room before the header for the block's own address, plus slack for 16-byte alignment.
constexpr size_t BlockOverhead = sizeof(void*) + 15 + sizeof(ImageBuffer);

// The colour bits of a 4-byte pixel (all but alpha), and the value they have in a pixel that
// Blend skips.
constexpr uint32_t ColourBits = 0x00FFFFFF;
constexpr uint32_t MaskKey = MaskColour & ColourBits;
// The fill of a 2-byte image created without a colour, skipped by PutImage on 2-byte pixels:
// MaskColour in 5-6-5.
constexpr uint16_t MaskColour565 = 0xF81F;
// Blend works on two channels at once: red and blue in one word, alpha and green in the other.
constexpr uint32_t RedBlueBits = 0x00FF00FF;
constexpr uint32_t AlphaGreenBits = 0xFF00FF00;

uint32_t DefaultFill(int32_t bytesPerPixel) {
    switch (bytesPerPixel) {
        case 4:
            return MaskColour;
        case 2:
            return MaskColour565;
        default:
            return 0;
    }
}

uint32_t ToRgb565(uint32_t rgb) {
    return ((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x001F);
}

// Fills every row including its padding, which belongs to the image.
void FillImage(ImageBuffer* image, uint32_t fill) {
    Surface whole = ImageSurface(image);
    whole.width = image->pitch / image->bytesPerPixel;
    for (int32_t y = 0; y < image->height; ++y) StoreSpan(whole, y, 0, whole.width - 1, fill);
}

// Blend at alpha 255, the case every caller uses: copy each pixel that is not the mask colour.
// Eight or four pixels at a time; the result is the same as the scalar rule.
__attribute__((target("avx2"))) void CopyUnmaskedRowAvx2(const uint32_t* src, uint32_t* dst,
                                                         int32_t count) {
    int32_t i = 0;
    const __m256i rgbMask = _mm256_set1_epi32(ColourBits);
    const __m256i key = _mm256_set1_epi32(MaskKey);
    for (; i + 8 <= count; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i masked = _mm256_cmpeq_epi32(_mm256_and_si256(s, rgbMask), key);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_blendv_epi8(s, d, masked));
    }
    for (; i < count; ++i) {
        if ((src[i] & ColourBits) != MaskKey) dst[i] = src[i];
    }
}

void CopyUnmaskedRowSse2(const uint32_t* src, uint32_t* dst, int32_t count) {
    int32_t i = 0;
    const __m128i rgbMask = _mm_set1_epi32(ColourBits);
    const __m128i key = _mm_set1_epi32(MaskKey);
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i masked = _mm_cmpeq_epi32(_mm_and_si128(s, rgbMask), key);
        const __m128i out = _mm_or_si128(_mm_and_si128(masked, d), _mm_andnot_si128(masked, s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
    }
    for (; i < count; ++i) {
        if ((src[i] & ColourBits) != MaskKey) dst[i] = src[i];
    }
}

using RowCopier = void (*)(const uint32_t*, uint32_t*, int32_t);

const RowCopier CopyUnmaskedRow =
    __builtin_cpu_supports("avx2") ? CopyUnmaskedRowAvx2 : CopyUnmaskedRowSse2;

void BlendRow(const uint32_t* src, uint32_t* dst, int32_t count, uint32_t alpha) {
    const uint32_t k = alpha + 1;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t s = src[i];
        if ((s & ColourBits) == MaskKey) continue;
        const uint32_t d = dst[i];
        const uint32_t rb =
            (((((s & RedBlueBits) - (d & RedBlueBits)) * k) >> 8) + (d & RedBlueBits)) &
            RedBlueBits;
        const uint32_t ag =
            (((((s & AlphaGreenBits) - (d & AlphaGreenBits)) >> 8) * k) + (d & AlphaGreenBits)) &
            AlphaGreenBits;
        dst[i] = rb | ag;
    }
}

// 1- and 2-byte pixels have no blend of their own: non-key pixels are copied.
void CopyNarrowRow(const uint8_t* src, uint8_t* dst, int32_t count, int32_t bytesPerPixel) {
    if (bytesPerPixel == 2) {
        for (int32_t i = 0; i < count; ++i) {
            uint16_t s;
            std::memcpy(&s, src + i * 2, 2);
            if (s != MaskColour565) std::memcpy(dst + i * 2, &s, 2);
        }
        return;
    }
    std::memcpy(dst, src, count);
}

struct SourceRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

SourceRect ChooseSourceRect(const Surface& src, int32_t sx1, int32_t sy1, int32_t sx2, int32_t sy2,
                            int32_t coordMode) {
    if (sx1 == ArgDefault) return {0, 0, src.width, src.height};
    const auto mode = static_cast<uint32_t>(coordMode);
    if (mode == SecondRelative || mode == BothRelative) {
        sx2 += sx1;
        sy2 += sy1;
    }
    if (sx1 > sx2) std::swap(sx1, sx2);
    if (sy1 > sy2) std::swap(sy1, sy2);
    sx1 = std::clamp(sx1, 0, src.width - 1);
    sx2 = std::clamp(sx2, 0, src.width - 1);
    sy1 = std::clamp(sy1, 0, src.height - 1);
    sy2 = std::clamp(sy2, 0, src.height - 1);
    return {sx1, sy1, sx2 - sx1 + 1, sy2 - sy1 + 1};
}

}  // namespace

}  // namespace screen_internal

using namespace screen_internal;

ImageBuffer* CreateImage(int32_t width, int32_t height, uint32_t colour, int32_t depth,
                         uint32_t flags) {
    if (width < 1 || height < 1) return nullptr;
    int32_t screenBytesPerPixel = 0;
    {
        ScopedScreenLock lock;
        if (const ScreenState* screen = Screen()) screenBytesPerPixel = screen->bytesPerPixel;
    }
    if (screenBytesPerPixel == 0) return nullptr;
    const int32_t bytesPerPixel = depth < 1 ? screenBytesPerPixel : (depth + 7) / 8;
    if (bytesPerPixel != 1 && bytesPerPixel != 2 && bytesPerPixel != 4) return nullptr;
    const int64_t pitch = ((int64_t{width} * bytesPerPixel + 15) / 16) * 16;
    if (pitch > MaxImageBytes || pitch * height > MaxImageBytes) return nullptr;

    // The image block: the header sits 16-byte aligned inside it, with the block's own address
    // stored just before the header so that DestroyImage can release it.
    const size_t blockSize = static_cast<size_t>(pitch * height) + BlockOverhead;
    auto* block = static_cast<uint8_t*>(std::malloc(blockSize));
    if (!block) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(block) + sizeof(void*);
    auto* image = reinterpret_cast<ImageBuffer*>((start + 15) & ~uintptr_t{15});
    std::memcpy(reinterpret_cast<uint8_t*>(image) - sizeof(void*), &block, sizeof(void*));

    image->type = ImageBufferType;
    image->bytesPerPixel = bytesPerPixel;
    image->width = width;
    image->height = height;
    image->pitch = static_cast<int32_t>(pitch);
    image->reserved1 = 0;
    uint32_t fill = colour;
    if (flags & DefaultColourFlag)
        fill = DefaultFill(bytesPerPixel);
    else if (bytesPerPixel == 2)
        fill = ToRgb565(colour);
    FillImage(image, fill);
    return image;
}

void DestroyImage(ImageBuffer* image) {
    if (!image) return;
    void* block;
    std::memcpy(&block, reinterpret_cast<uint8_t*>(image) - sizeof(void*), sizeof(void*));
    std::free(block);
}

ScreenResult GetImageInfo(const void* image, int32_t* width, int32_t* height,
                          int32_t* bytesPerPixel, int32_t* pitch, uint8_t** pixels, int64_t* size) {
    const Surface s = ImageSurface(image);
    const bool valid = s.pixels != nullptr;
    const bool legacy = valid && static_cast<const ImageBuffer*>(image)->type != ImageBufferType;
    if (width) *width = valid ? s.width : -1;
    if (height) *height = valid ? s.height : -1;
    if (bytesPerPixel) *bytesPerPixel = valid ? s.bytesPerPixel : -1;
    if (pitch) *pitch = valid ? s.pitch : -1;
    if (pixels) *pixels = valid ? s.pixels : nullptr;
    if (size) *size = valid ? (legacy ? 4 : 32) + int64_t{s.height} * s.pitch : -1;
    return valid ? ScreenResult::Ok : ScreenResult::IllegalCall;
}

ScreenResult PutImage(ImageBuffer* target, float x, float y, const void* source, int32_t sx1,
                      int32_t sy1, int32_t sx2, int32_t sy2, int32_t coordMode, PutMode /*mode*/,
                      int32_t alpha) {
    if (!ScreenIsOpen() || !source) return ScreenResult::IllegalCall;
    const Surface src = ImageSurface(source);
    if (!src.pixels) return ScreenResult::IllegalCall;
    const auto mode = static_cast<uint32_t>(coordMode);
    if (mode == FirstRelativeToLast || mode == BothRelative)
        ResolvePoint(FirstRelativeToLast, x, y);

    ScopedScreenLock lock;
    const Surface dst = ResolveTarget(target);
    if (!dst.pixels || src.bytesPerPixel != dst.bytesPerPixel) return ScreenResult::IllegalCall;
    // A corner that is not a number puts the image nowhere, as one far off the target.
    if (std::isnan(x) || std::isnan(y)) return ScreenResult::Ok;
    const SourceRect rect = ChooseSourceRect(src, sx1, sy1, sx2, sy2, coordMode);
    int64_t dx = ToPixel(x);
    int64_t dy = ToPixel(y);
    int64_t left = rect.x;
    int64_t top = rect.y;
    int64_t w = rect.width;
    int64_t h = rect.height;
    // Clip to the target, advancing the source start past what is cut off above or left.
    if (dx < 0) {
        left -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        top -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min<int64_t>(w, dst.width - dx);
    h = std::min<int64_t>(h, dst.height - dy);
    const uint32_t a = static_cast<uint32_t>(alpha) & 0xFF;
    if (w <= 0 || h <= 0 || a == 0) return ScreenResult::Ok;

    const int32_t bpp = src.bytesPerPixel;
    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* s = src.pixels + (top + row) * src.pitch + left * bpp;
        uint8_t* d = dst.pixels + (dy + row) * dst.pitch + dx * bpp;
        if (bpp != 4) {
            CopyNarrowRow(s, d, static_cast<int32_t>(w), bpp);
        } else if (a == 255) {
            CopyUnmaskedRow(reinterpret_cast<const uint32_t*>(s), reinterpret_cast<uint32_t*>(d),
                            static_cast<int32_t>(w));
        } else {
            BlendRow(reinterpret_cast<const uint32_t*>(s), reinterpret_cast<uint32_t*>(d),
                     static_cast<int32_t>(w), a);
        }
    }
    if (dst.isScreen) lock.MarkDirty(static_cast<int32_t>(dy), static_cast<int32_t>(dy + h - 1));
    return ScreenResult::Ok;
}
