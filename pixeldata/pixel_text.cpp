#include "pixeldata/pixel_text.h"

#include <string>

namespace pixel_text {

namespace {

template <size_t Slot>
PieceTable<Slot> MakePieces(std::string_view before, std::string_view after) {
    PieceTable<Slot> table;
    for (int value = 0; value < 256; ++value) {
        const std::string text = std::string(before) + std::to_string(value) + std::string(after);
        std::memcpy(table[value].text.data(), text.data(), text.size());
        table[value].length = static_cast<uint8_t>(text.size());
    }
    return table;
}

PixelPieces MakePixelPieces(std::string_view before, std::string_view separator,
                            std::string_view lastSeparator, std::string_view after) {
    return {MakePieces<16>(before, separator), MakePieces<8>("", separator),
            MakePieces<8>("", lastSeparator), MakePieces<8>("", after)};
}

}  // namespace

const PixelPieces& LinePieces() {
    static const PixelPieces pieces = MakePixelPieces("Data ", ", ", ",", "\r\n");
    return pieces;
}

const PixelPieces& SpacedPieces() {
    static const PixelPieces pieces = MakePixelPieces("", ", ", ",", "");
    return pieces;
}

const PixelPieces& CompactPieces() {
    static const PixelPieces pieces = MakePixelPieces("", ",", ",", "");
    return pieces;
}

const HexTable& HexDigits() {
    static const HexTable table = [] {
        constexpr char digits[] = "0123456789ABCDEF";
        HexTable t;
        for (size_t value = 0; value < t.size(); ++value)
            t[value] = {digits[value >> 4], digits[value & 15]};
        return t;
    }();
    return table;
}

const PieceTable<4>& Numbers() {
    static const PieceTable<4> table = MakePieces<4>("", "");
    return table;
}

}  // namespace pixel_text
