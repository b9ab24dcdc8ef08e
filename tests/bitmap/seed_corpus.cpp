// Writes the fuzz target's seed corpus: one small file of every kind the loader knows, so that
// fuzzing starts from each decoding path.
//
// Usage: bitmap_seed_corpus OUTDIR
#include <cstdio>
#include <string>

#include "tests/bitmap/bmp_builder.h"

namespace {

bmp::Bitmap Base(int bits, uint32_t infoSize = 40, uint32_t compression = 0) {
    bmp::Bitmap b{.infoSize = infoSize,
                  .width = 5,
                  .height = 3,
                  .bitCount = static_cast<uint16_t>(bits),
                  .compression = compression};
    if (bits <= 8) {
        b.palette.assign(size_t{1} << bits, 0);
        for (size_t i = 0; i < b.palette.size(); ++i) b.palette[i] = 0x3A1F07 * (i + 1);
    }
    std::vector<std::vector<uint32_t>> rows(3, std::vector<uint32_t>(5));
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            rows[y][x] = bits <= 8 ? (x + y) % (1u << bits) : 0x9E3779B9u * (y * 5 + x + 1);
    b.pixels = bmp::StoreRows(rows, bits);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        bmp::WriteFile(dir + "/" + name, bytes);
    };
    for (int bits : {1, 4, 8, 16, 24, 32})
        write("plain" + std::to_string(bits) + ".bmp", bmp::Encode(Base(bits)));
    write("core8.bmp", bmp::Encode(Base(8, 12)));
    write("core24.bmp", bmp::Encode(Base(24, 12)));

    bmp::Bitmap fields16 = Base(16, 40, 3);
    fields16.masks = {0xF800, 0x07E0, 0x001F};
    write("fields16.bmp", bmp::Encode(fields16));
    bmp::Bitmap fields32 = Base(32, 108, 3);
    fields32.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    write("fields32_v4.bmp", bmp::Encode(fields32));
    fields32.infoSize = 56;
    write("fields32_v3.bmp", bmp::Encode(fields32));
    bmp::Bitmap topDown = Base(24, 124);
    topDown.height = -3;
    write("topdown24.bmp", bmp::Encode(topDown));

    bmp::Bitmap rle8 = Base(8, 40, 1);
    rle8.pixels = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 9, 0, 0, 200, 4, 0, 1};
    write("rle8.bmp", bmp::Encode(rle8));
    bmp::Bitmap rle4 = Base(4, 40, 2);
    rle4.pixels = {5, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 1, 0, 2, 0xFF, 0, 1};
    write("rle4.bmp", bmp::Encode(rle4));

    std::vector<uint8_t> cut = bmp::Encode(Base(24));
    cut.resize(cut.size() - 7);
    write("truncated24.bmp", cut);

    // Raw image files: a 2 x 2 image block with its 32-byte header, in both length forms.
    std::vector<uint8_t> block(32 + 2 * 16, 0x5A);
    const uint32_t header[5] = {7, 4, 2, 2, 16};
    for (int i = 0; i < 5; ++i) bmp::Put32(block, 4 * i, header[i]);
    std::vector<uint8_t> fe = {0xFE, 0, 0, 0, 0};
    bmp::Put32(fe, 1, static_cast<uint32_t>(block.size()));
    fe.insert(fe.end(), block.begin(), block.end());
    write("raw_fe.bin", fe);
    std::vector<uint8_t> fd = {0xFD, 0, 0, 0, 0, 0, 0};
    bmp::Put16(fd, 5, static_cast<uint32_t>(block.size()));
    fd.insert(fd.end(), block.begin(), block.end());
    fd.insert(fd.end(), {63, 0, 0, 0, 63, 0});  // a palette after the dump
    write("raw_fd.bin", fd);
    return 0;
}
