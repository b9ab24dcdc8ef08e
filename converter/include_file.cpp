#include "converter/include_file.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The text of one channel value with what follows it, in a slot copied whole: one fixed-size
// copy and an add per value instead of formatting. Locale-free by construction.
template <size_t Slot>
struct Piece {
    std::array<char, Slot> text{};
    uint8_t length = 0;
};

template <size_t Slot>
using PieceTable = std::array<Piece<Slot>, 256>;

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

struct PixelLinePieces {
    PieceTable<16> alpha = MakePieces<16>("Data ", ", ");
    PieceTable<8> red = MakePieces<8>("", ", ");
    PieceTable<8> green = MakePieces<8>("", ",");
    PieceTable<8> blue = MakePieces<8>("", "\r\n");
};

const PixelLinePieces& Pieces() {
    static const PixelLinePieces pieces;
    return pieces;
}

template <size_t Slot>
char* Put(char* out, const Piece<Slot>& piece) {
    std::memcpy(out, piece.text.data(), Slot);
    return out + piece.length;
}

char* PutPixelLine(char* out, uint32_t c, const PixelLinePieces& p) {
    out = Put(out, p.alpha[c >> 24]);
    out = Put(out, p.red[(c >> 16) & 0xFF]);
    out = Put(out, p.green[(c >> 8) & 0xFF]);
    return Put(out, p.blue[c & 0xFF]);
}

constexpr size_t kBlockBytes = size_t{1} << 20;
// Room after the block's end for one more line and the whole-slot copies that write it.
constexpr size_t kSlackBytes = 64;

}  // namespace

bool WriteIncludeFile(std::string_view label, const ImageBuffer& picture, const ByteSink& sink,
                      const ProgressReport& progress) {
    int32_t width = 0, height = 0, pitch = 0;
    uint8_t* pixels = nullptr;
    GetImageInfo(&picture, &width, &height, nullptr, &pitch, &pixels, nullptr);
    const std::string head = std::string(label) + ":\r\nData " + std::to_string(width) +
                             "\r\nData " + std::to_string(height) + "\r\n";
    if (!sink(head)) return false;

    const PixelLinePieces& pieces = Pieces();
    std::vector<char> block(kBlockBytes + kSlackBytes);
    char* out = block.data();
    const char* full = block.data() + kBlockBytes;
    const int64_t total = int64_t{width} * height;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + int64_t{y} * pitch;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c;
            std::memcpy(&c, row + int64_t{x} * 4, 4);
            out = PutPixelLine(out, c, pieces);
            if (out < full) continue;
            if (!sink(std::string_view(block.data(), out - block.data()))) return false;
            out = block.data();
            if (progress) progress(int64_t{y} * width + x + 1, total);
        }
    }
    if (!sink(std::string_view(block.data(), out - block.data()))) return false;
    if (progress) progress(total, total);
    return true;
}
