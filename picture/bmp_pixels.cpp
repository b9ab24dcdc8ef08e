#include "picture/bmp_pixels.h"

#include <algorithm>
#include <bit>

namespace picture {

namespace {

constexpr int64_t ReadChunkBytes = 256 * 1024;

Channel MakeChannel(uint32_t mask) {
    if (mask == 0) return {};
    const auto shift = static_cast<uint32_t>(std::countr_zero(mask));
    const auto top = static_cast<uint32_t>(32 - std::countl_zero(mask));
    return {shift, mask >> shift, top - shift};
}

uint32_t OpaqueColour(uint32_t entry) {
    return 0xFF000000u | ((entry & 0xFF) << 16) | (entry & 0xFF00) | ((entry >> 16) & 0xFF);
}

// Widens (or narrows) an n-bit channel value to 8 bits, repeating its top bits below it.
uint32_t Widen(uint32_t v, uint32_t n) {
    if (n > 8) return v >> (n - 8);
    if (n >= 4) return ((v << (8 - n)) | (v >> (2 * n - 8))) & 0xFF;
    return v << (8 - n);
}

uint32_t ChannelValue(uint32_t pixel, const Channel& c) {
    return c.bits == 0 ? 0 : Widen((pixel >> c.shift) & c.mask, c.bits);
}

uint32_t MaskedPixel(const RowFormat& f, uint32_t v) {
    const uint32_t a = f.hasAlpha ? ChannelValue(v, f.alpha) : 0xFF;
    return (a << 24) | (ChannelValue(v, f.red) << 16) | (ChannelValue(v, f.green) << 8) |
           ChannelValue(v, f.blue);
}

bool IsStandard(const Channel& c, uint32_t shift) {
    return c.shift == shift && c.mask == 0xFF;
}
bool HasStandardColours(const RowFormat& f) {
    return IsStandard(f.red, 16) && IsStandard(f.green, 8) && IsStandard(f.blue, 0);
}

// Blue, green, red bytes to opaque pixels, four at a time from three 32-bit loads.
void Convert24(const uint8_t* in, int64_t count, uint8_t* out) {
    int64_t x = 0;
    for (; x + 4 <= count; x += 4, in += 12, out += 16) {
        uint32_t w[3];
        std::memcpy(w, in, 12);
        Store32(out, 0xFF000000u | (w[0] & 0xFFFFFF));
        Store32(out + 4, 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFF) << 8));
        Store32(out + 8, 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFF) << 16));
        Store32(out + 12, 0xFF000000u | (w[2] >> 8));
    }
    for (; x < count; ++x, in += 3, out += 4)
        Store32(out, 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16));
}

void ConvertMasked(const RowFormat& f, const uint8_t* in, int64_t count, uint8_t* out) {
    const int64_t step = f.bitCount / 8;
    for (int64_t x = 0; x < count; ++x, in += step, out += 4) {
        uint32_t v = 0;
        std::memcpy(&v, in, static_cast<size_t>(step));  // little-endian host
        Store32(out, MaskedPixel(f, v));
    }
}

void ConvertTrueColour(const RowFormat& f, const uint8_t* in, int64_t count, uint8_t* out) {
    if (HasStandardColours(f)) {
        if (f.bitCount == 24) return Convert24(in, count, out);
        if (f.bitCount == 32 && IsStandard(f.alpha, 24)) {
            std::memcpy(out, in, static_cast<size_t>(count * 4));  // already 0xAARRGGBB
            return;
        }
    }
    ConvertMasked(f, in, count, out);
}

// Indices of `Bits` bits, most significant bits first within each byte, a whole byte at a time.
template <uint32_t Bits>
void UnpackPacked(const uint8_t* in, int64_t count, uint8_t* out) {
    constexpr int64_t PerByte = 8 / Bits;
    constexpr uint32_t Mask = (1u << Bits) - 1;
    int64_t x = 0;
    for (; x + PerByte <= count; x += PerByte, ++in) {
        const uint8_t byte = *in;
        for (int64_t i = 0; i < PerByte; ++i) out[x + i] = (byte >> (8 - Bits * (i + 1))) & Mask;
    }
    const uint8_t last = x < count ? *in : 0;
    for (int64_t i = 0; x < count; ++x, ++i) out[x] = (last >> (8 - Bits * (i + 1))) & Mask;
}

void UnpackIndices(uint32_t bitCount, const uint8_t* in, int64_t count, uint8_t* out) {
    if (bitCount == 8) {
        std::memcpy(out, in, static_cast<size_t>(count));
    } else if (bitCount == 4) {
        UnpackPacked<4>(in, count, out);
    } else {
        UnpackPacked<1>(in, count, out);
    }
}

struct RowPlan {
    int64_t rowBytes = 0;     // one stored row with its padding
    int64_t neededBytes = 0;  // the part of a row that holds the copied pixels
    int64_t copyWidth = 0;
    int64_t copyHeight = 0;
    int64_t firstRow = 0;  // file rows [firstRow, endRow) land in the destination
    int64_t endRow = 0;
    bool complete = false;  // every row of the picture is in the file
};

RowPlan PlanRows(const BmpLayout& h, const PixelView& dest, int64_t fileSize) {
    RowPlan p;
    p.rowBytes = StoredRowBytes(h.width, h.bitCount);
    p.copyWidth = std::min<int64_t>(h.width, dest.width);
    p.copyHeight = std::min<int64_t>(h.height, dest.height);
    p.neededBytes = (p.copyWidth * h.bitCount + 7) / 8;
    const int64_t present = RowsPresent(h.width, h.height, h.bitCount, fileSize - h.dataOffset);
    p.complete = present == h.height;
    p.firstRow = h.topDown ? 0 : h.height - p.copyHeight;
    p.endRow = std::min(p.firstRow + p.copyHeight, present);
    return p;
}

}  // namespace

RowFormat MakeRowFormat(const BmpLayout& h, const Palette& palette) {
    RowFormat f;
    f.bitCount = h.bitCount;
    f.red = MakeChannel(h.masks.red);
    f.green = MakeChannel(h.masks.green);
    f.blue = MakeChannel(h.masks.blue);
    f.alpha = MakeChannel(h.masks.alpha);
    f.hasAlpha = h.bitCount == 32;
    std::transform(palette.begin(), palette.end(), f.colours.begin(), OpaqueColour);
    return f;
}

void StoreFileRow(RowSink& sink, const uint8_t* in, int64_t count, int64_t y) {
    const PixelView& d = sink.dest;
    uint8_t* row = d.pixels + y * d.pitch;
    if (sink.format.bitCount <= 8) {
        UnpackIndices(sink.format.bitCount, in, count, sink.scratch.data());
        StoreIndices(sink, sink.scratch.data(), count, row);
    } else if (d.bytesPerPixel == 4) {
        ConvertTrueColour(sink.format, in, count, row);
    } else {
        ConvertTrueColour(sink.format, in, count, sink.scratch.data());
        for (int64_t x = 0; x < count; ++x) {
            uint32_t c;
            std::memcpy(&c, sink.scratch.data() + x * 4, 4);
            Store16(row + x * 2, To565(c));
        }
    }
}

DecodeResult LoadPlainRows(const InputFile& file, const BmpLayout& h, RowSink& sink) {
    const RowPlan plan = PlanRows(h, sink.dest, file.Size());
    // Rows short enough are read many at a time; for longer ones only the used part is read.
    // The buffer holds no more rows than the picture has to read: a sprite's is a few bytes.
    const int64_t rowsPerRead = std::clamp<int64_t>(
        ReadChunkBytes / plan.rowBytes, 1, std::max<int64_t>(1, plan.endRow - plan.firstRow));
    std::vector<uint8_t> buffer(
        static_cast<size_t>((rowsPerRead - 1) * plan.rowBytes + plan.neededBytes));
    for (int64_t row = plan.firstRow; row < plan.endRow; row += rowsPerRead) {
        const int64_t rows = std::min(rowsPerRead, plan.endRow - row);
        const int64_t bytes = (rows - 1) * plan.rowBytes + plan.neededBytes;
        if (!file.ReadExactly(h.dataOffset + row * plan.rowBytes, buffer.data(), bytes))
            return Refusal("a read error inside its pixel data", true);
        for (int64_t i = 0; i < rows; ++i) {
            const int64_t y = h.topDown ? row + i : h.height - 1 - (row + i);
            StoreFileRow(sink, buffer.data() + i * plan.rowBytes, plan.copyWidth, y);
        }
    }
    if (plan.complete) return {};
    return Refusal("cut short inside its pixel data", true);
}

}  // namespace picture
