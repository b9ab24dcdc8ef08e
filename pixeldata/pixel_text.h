// The texts of pixel values, made by copying prepared pieces: one fixed-size copy and an add per
// value instead of formatting. Locale-free by construction. Every Put writes whole slots, so up
// to 16 bytes past the text's end may be overwritten.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pixel_text {

// The text of one value with what comes before and after it, in a slot copied whole.
template <size_t Slot>
struct Piece {
    std::array<char, Slot> text{};
    uint8_t length = 0;
};

template <size_t Slot>
using PieceTable = std::array<Piece<Slot>, 256>;

template <size_t Slot>
char* Put(char* out, const Piece<Slot>& piece) {
    std::memcpy(out, piece.text.data(), Slot);
    return out + piece.length;
}

// The four values of a pixel, "A, R, G,B" with what the tables add before A and after B.
struct PixelPieces {
    PieceTable<16> alpha;
    PieceTable<8> red;
    PieceTable<8> green;
    PieceTable<8> blue;
};

// A whole unpacked line, "Data A, R, G,B" and CR LF.
const PixelPieces& LinePieces();
// "A, R, G,B" alone.
const PixelPieces& SpacedPieces();
// "A,R,G,B" alone, as the numbered dialect writes it.
const PixelPieces& CompactPieces();

inline char* PutPixel(char* out, uint32_t c, const PixelPieces& p) {
    out = Put(out, p.alpha[c >> 24]);
    out = Put(out, p.red[(c >> 16) & 0xFF]);
    out = Put(out, p.green[(c >> 8) & 0xFF]);
    return Put(out, p.blue[c & 0xFF]);
}

using HexTable = std::array<std::array<char, 2>, 256>;
const HexTable& HexDigits();

// "&HAARRGGBB": always 10 bytes.
inline char* PutPacked(char* out, uint32_t c, const HexTable& hex) {
    std::memcpy(out, "&H", 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        std::memcpy(out + 2 + (24 - shift) / 4, hex[(c >> shift) & 0xFF].data(), 2);
    return out + 10;
}

// "0" to "255".
const PieceTable<4>& Numbers();

}  // namespace pixel_text
