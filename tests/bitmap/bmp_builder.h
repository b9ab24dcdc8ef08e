// Writes BMP files byte by byte, so that tests can make every header form, odd layouts and
// broken files exactly as they want them.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bmp {

struct Bitmap {
    uint32_t infoSize = 40;
    int32_t width = 1;
    int32_t height = 1;  // negative: rows stored top-down
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    // Bit-field masks (red, green, blue, alpha): inside a header of 52 bytes or more, else after
    // it.
    std::vector<uint32_t> masks{};
    std::vector<uint32_t> palette{};       // 0x00RRGGBB, stored as blue, green, red (, 0)
    std::vector<uint8_t> pixels{};         // the pixel data exactly as stored
    std::optional<uint32_t> dataOffset{};  // default: right after the palette and masks
};

inline void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = v & 0xFF;
    out[at + 1] = (v >> 8) & 0xFF;
}
inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
}

inline std::vector<uint8_t> InfoHeader(const Bitmap& b) {
    std::vector<uint8_t> h(b.infoSize, 0);
    if (b.infoSize >= 4) Put32(h, 0, b.infoSize);
    if (b.infoSize == 12) {
        Put16(h, 4, static_cast<uint16_t>(b.width));
        Put16(h, 6, static_cast<uint16_t>(b.height));
        Put16(h, 8, b.planes);
        Put16(h, 10, b.bitCount);
        return h;
    }
    const uint32_t fields[] = {static_cast<uint32_t>(b.width),
                               static_cast<uint32_t>(b.height),
                               b.planes | (uint32_t{b.bitCount} << 16),
                               b.compression,
                               static_cast<uint32_t>(b.pixels.size()),
                               2835,
                               2835,
                               b.coloursUsed};
    for (size_t i = 0; i < 8 && 8 + 4 * i <= b.infoSize; ++i) Put32(h, 4 + 4 * i, fields[i]);
    for (size_t i = 0; i < b.masks.size() && 44 + 4 * i <= b.infoSize; ++i)
        Put32(h, 40 + 4 * i, b.masks[i]);
    return h;
}

inline std::vector<uint8_t> Encode(const Bitmap& b) {
    std::vector<uint8_t> out(14, 0);
    const std::vector<uint8_t> info = InfoHeader(b);
    out.insert(out.end(), info.begin(), info.end());
    if (b.infoSize < 52) {
        for (uint32_t m : b.masks) {
            out.resize(out.size() + 4);
            Put32(out, out.size() - 4, m);
        }
    }
    for (uint32_t c : b.palette) {
        out.push_back(c & 0xFF);
        out.push_back((c >> 8) & 0xFF);
        out.push_back((c >> 16) & 0xFF);
        if (b.infoSize != 12) out.push_back(0);
    }
    const uint32_t offset = b.dataOffset.value_or(static_cast<uint32_t>(out.size()));
    if (out.size() < offset) out.resize(offset, 0);
    out.insert(out.end(), b.pixels.begin(), b.pixels.end());
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, offset);
    return out;
}

// Stores rows of pixel values (palette indices or packed pixels, little-endian) as a BMP keeps
// them: packed most significant bits first, each row padded to 4 bytes, the given first row
// stored last unless `topDown`.
inline std::vector<uint8_t> StoreRows(const std::vector<std::vector<uint32_t>>& rows, int bitCount,
                                      bool topDown = false) {
    std::vector<uint8_t> out;
    for (size_t n = 0; n < rows.size(); ++n) {
        const std::vector<uint32_t>& row = rows[topDown ? n : rows.size() - 1 - n];
        std::vector<uint8_t> bytes((row.size() * bitCount + 31) / 32 * 4, 0);
        for (size_t x = 0; x < row.size(); ++x) {
            if (bitCount >= 8) {
                for (int i = 0; i < bitCount / 8; ++i)
                    bytes[x * bitCount / 8 + i] = (row[x] >> (8 * i)) & 0xFF;
            } else {
                const size_t bit = x * bitCount;
                bytes[bit / 8] |= row[x] << (8 - bitCount - bit % 8);
            }
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

// A run-length coded bitmap of 8 or 4 bits, palette entry i grey i, its `stream` as given.
inline Bitmap RunLength(int bits, int32_t width, int32_t height, std::vector<uint8_t> stream) {
    Bitmap b{.width = width,
             .height = height,
             .bitCount = static_cast<uint16_t>(bits),
             .compression = bits == 8 ? 1u : 2u,
             .palette = std::vector<uint32_t>(size_t{1} << bits),
             .pixels = std::move(stream)};
    for (uint32_t i = 0; i < b.palette.size(); ++i) b.palette[i] = 0x010101 * i;
    return b;
}

// A 24-bit bottom-up BMP of `rows` (0x00RRGGBB values, top row first).
inline std::vector<uint8_t> Encode24(const std::vector<std::vector<uint32_t>>& rows) {
    return Encode({.width = static_cast<int32_t>(rows[0].size()),
                   .height = static_cast<int32_t>(rows.size()),
                   .pixels = StoreRows(rows, 24)});
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace bmp
