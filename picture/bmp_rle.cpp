#include "picture/bmp_rle.h"

#include <algorithm>
#include <array>

namespace picture {

namespace {

// Bytes of a file read front to back through a buffer.
class ByteStream {
public:
    ByteStream(const InputFile& file, int64_t offset) : file_(file), offset_(offset) {}
    bool Next(uint8_t& byte) {
        if (pos_ == end_ && !Refill()) return false;
        byte = buffer_[pos_++];
        return true;
    }
    bool Skip(int64_t count) {
        uint8_t ignored;
        for (int64_t i = 0; i < count; ++i)
            if (!Next(ignored)) return false;
        return true;
    }

private:
    bool Refill() {
        const int64_t n = file_.ReadAt(offset_, buffer_.data(), buffer_.size());
        if (n <= 0) return false;
        offset_ += n;
        pos_ = 0;
        end_ = n;
        return true;
    }
    const InputFile& file_;
    int64_t offset_;
    std::array<uint8_t, 64 * 1024> buffer_{};
    int64_t pos_ = 0;
    int64_t end_ = 0;
};

// The decoder's position: x in the row, and the row counted from the bottom of the picture.
struct RlePen {
    RowSink& sink;
    int64_t width;
    int64_t height;
    int64_t x = 0;
    int64_t row = 0;
};

// Sets pixel x of the current row to a palette index, if it lies in the copied rectangle.
void PutIndex(RlePen& pen, int64_t x, uint8_t index) {
    const PixelView& d = pen.sink.dest;
    const int64_t y = pen.height - 1 - pen.row;
    if (x >= std::min<int64_t>(pen.width, d.width) || y >= d.height) return;
    StoreIndices(pen.sink, &index, 1, d.pixels + y * d.pitch + x * d.bytesPerPixel);
}

// A run of `count` pixels: 8-bit runs repeat `value`, 4-bit runs alternate its two halves.
void PutRun(RlePen& pen, int64_t count, uint8_t value, bool fourBit) {
    const int64_t end = std::min(pen.x + count, pen.width);
    for (int64_t i = 0; pen.x + i < end; ++i) {
        const uint8_t index = !fourBit ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F);
        PutIndex(pen, pen.x + i, index);
    }
    pen.x += count;
}

// An absolute run: `count` indices stored in the stream, padded to a 16-bit boundary.
bool PutAbsolute(RlePen& pen, ByteStream& in, int64_t count, bool fourBit) {
    const int64_t bytes = fourBit ? (count + 1) / 2 : count;
    uint8_t byte = 0;
    for (int64_t i = 0; i < count; ++i) {
        if ((!fourBit || i % 2 == 0) && !in.Next(byte)) return false;
        const uint8_t index = !fourBit ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0x0F);
        if (pen.x + i < pen.width) PutIndex(pen, pen.x + i, index);
    }
    pen.x += count;
    return in.Skip(bytes % 2);
}

enum class Escape { Continue, Finished, Incomplete };

// The commands after a 0 byte: end of line, end of bitmap, delta, absolute run. The end of the
// bitmap counts only once the top row is reached.
Escape RunEscape(RlePen& pen, ByteStream& in, uint8_t code, bool fourBit) {
    switch (code) {
        case 0:
            pen.x = 0;
            ++pen.row;
            break;
        case 1:
            return pen.row >= pen.height - 1 ? Escape::Finished : Escape::Incomplete;
        case 2: {
            uint8_t dx, dy;
            if (!in.Next(dx) || !in.Next(dy)) return Escape::Incomplete;
            pen.x += dx;
            pen.row += dy;
            break;
        }
        default:
            if (!PutAbsolute(pen, in, code, fourBit)) return Escape::Incomplete;
    }
    return pen.row >= pen.height ? Escape::Finished : Escape::Continue;
}

// Each delta moves at most this many rows up.
constexpr int64_t MaxDeltaRows = 255;
constexpr int64_t DeltaBytes = 4;
constexpr int64_t EndBytes = 2;  // an end of line or of the bitmap

DecodeResult CutShortRunLength() {
    return Refusal("its run-length data ends before its top row", true);
}

}  // namespace

int64_t RunLengthMinimumBytes(int64_t rows) {
    return EndBytes + DeltaBytes * ((rows - 1) / MaxDeltaRows);
}

DecodeResult LoadRunLengthRows(const InputFile& file, const BmpLayout& h, RowSink& sink) {
    const bool fourBit = h.compression == Rle4;
    ByteStream in(file, h.dataOffset);
    RlePen pen{sink, h.width, h.height};
    for (;;) {
        uint8_t count, value;
        if (!in.Next(count) || !in.Next(value)) return CutShortRunLength();
        if (count > 0) {
            PutRun(pen, count, value, fourBit);
            continue;
        }
        const Escape e = RunEscape(pen, in, value, fourBit);
        if (e == Escape::Finished) return {};
        if (e == Escape::Incomplete) return CutShortRunLength();
    }
}

}  // namespace picture
