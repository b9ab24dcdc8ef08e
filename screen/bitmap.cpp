// Loading Windows BMP files (every header form; 1- to 32-bit pixels; bit fields; run-length coded
// 4- and 8-bit data) and raw image dumps into an ImageBuffer or onto the screen.
//
// Files come from anywhere, so every size in them is distrusted: sizes are 64-bit, reads are
// positioned and bounded by the file's real length, and nothing is ever written outside the
// destination's own rows or block.
#include "screen/bitmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "screen/internal.h"

namespace {

using screen_internal::Surface;

// ---------------------------------------------------------------------------------------------
// The file

// A regular file opened read-only for the length of one load.
class InputFile {
public:
    explicit InputFile(const std::string& name) {
        if (name.find('\0') != std::string::npos) return;
        // Non-blocking, so that naming a pipe cannot hang the caller; regular files ignore it.
        fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) {
            regular_ = true;
            size_ = info.st_size;
        }
    }
    ~InputFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool IsRegular() const { return regular_; }
    int64_t Size() const { return size_; }

    // Reads up to `count` bytes at `offset`: the number read (short only at the end of the
    // file), or -1 on a read error.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count) const {
        auto* out = static_cast<uint8_t*>(buffer);
        int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(count - done),
                                      static_cast<off_t>(offset + done));
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            done += n;
        }
        return done;
    }
    bool ReadExactly(int64_t offset, void* buffer, int64_t count) const {
        return ReadAt(offset, buffer, count) == count;
    }

private:
    int fd_ = -1;
    bool regular_ = false;
    int64_t size_ = 0;
};

uint32_t Le16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// ---------------------------------------------------------------------------------------------
// BMP headers

constexpr int64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kMaskHeaderBytes = 108;  // the first header size that carries an alpha mask
// The colour masks sit at this offset of the information header, or right after a shorter one.
constexpr uint32_t kMaskOffset = 40;

enum Compression : uint32_t { Plain = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// One colour channel of a pixel word: value = (pixel >> shift) & mask, `bits` wide.
struct Channel {
    uint32_t shift = 0;
    uint32_t mask = 0;
    uint32_t bits = 0;
};

Channel MakeChannel(uint32_t mask) {
    if (mask == 0) return {};
    const auto shift = static_cast<uint32_t>(std::countr_zero(mask));
    const auto top = static_cast<uint32_t>(32 - std::countl_zero(mask));
    return {shift, mask >> shift, top - shift};
}

struct ChannelMasks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    uint32_t alpha = 0;
};

struct BitmapHeader {
    uint32_t infoSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    uint32_t compression = Plain;
    int64_t dataOffset = 0;
    ChannelMasks masks;
};

// Reads the width, height, planes, bit count and compression of either header form.
bool ReadDimensions(const InputFile& file, BitmapHeader& h) {
    uint8_t info[20] = {};
    if (h.infoSize == kCoreHeaderBytes) {
        if (!file.ReadExactly(kFileHeaderBytes + 4, info, 8)) return false;
        h.width = Le16(info);
        h.height = Le16(info + 2);
        h.planes = Le16(info + 4);
        h.bitCount = Le16(info + 6);
        return true;
    }
    // 16 bytes hold the dimensions, 20 add the compression (the image size field is unused).
    const int64_t wanted = std::min<int64_t>(h.infoSize, 20) - 4;
    if (!file.ReadExactly(kFileHeaderBytes + 4, info, wanted)) return false;
    h.width = static_cast<int32_t>(Le32(info));
    const int64_t height = static_cast<int32_t>(Le32(info + 4));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    h.planes = Le16(info + 8);
    h.bitCount = Le16(info + 10);
    h.compression = Le32(info + 12);
    return true;
}

bool Acceptable(const BitmapHeader& h) {
    if (h.planes > 1 || h.width <= 0 || h.height == 0 || h.compression > BitFields) return false;
    if (h.height > INT32_MAX) return false;  // -2^31 has no positive row count
    if (h.topDown && h.compression != Plain && h.compression != BitFields) return false;
    switch (h.bitCount) {
        case 1:
        case 16:
        case 24:
        case 32:
            return h.compression == Plain || h.compression == BitFields;
        case 4:
            return h.compression != Rle8;
        case 8:
            return h.compression != Rle4;
        default:
            return false;  // the other counts have no defined layout
    }
}

int64_t PaletteEntries(const BitmapHeader& h) {
    return h.bitCount <= 8 ? 1 << h.bitCount : 0;
}
int64_t PaletteEntryBytes(const BitmapHeader& h) {
    return h.infoSize == kCoreHeaderBytes ? 3 : 4;
}

// Bit-field masks of a header shorter than the long form follow the first 40 bytes of the
// header: directly after the 40-byte header, and inside the 52- and 56-byte ones.
int64_t ShortMaskOffset(const BitmapHeader& h) {
    return kFileHeaderBytes + std::min(h.infoSize, kMaskOffset);
}

bool ReadMasks(const InputFile& file, BitmapHeader& h) {
    if (h.compression != BitFields) {
        if (h.bitCount > 16) {
            h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        } else {
            h.masks = {0x7C00, 0x03E0, 0x001F, 0};
        }
        return true;
    }
    uint8_t m[16] = {};
    if (h.infoSize >= kMaskHeaderBytes) {
        if (!file.ReadExactly(kFileHeaderBytes + kMaskOffset, m, 16)) return false;
        h.masks = {Le32(m), Le32(m + 4), Le32(m + 8), Le32(m + 12)};
    } else {
        // Bit-field files with a short header carry no alpha: the data contract says alpha 0.
        if (!file.ReadExactly(ShortMaskOffset(h), m, 12)) return false;
        h.masks = {Le32(m), Le32(m + 4), Le32(m + 8), 0};
    }
    return true;
}

// An offset of 0 means the pixels follow the palette (and the masks that a short header has
// after it).
int64_t DefaultDataOffset(const BitmapHeader& h) {
    int64_t offset = kFileHeaderBytes + h.infoSize + PaletteEntries(h) * PaletteEntryBytes(h);
    if (h.compression == BitFields && h.infoSize <= kMaskOffset) offset += 12;
    return offset;
}

std::optional<BitmapHeader> ReadBitmapHeader(const InputFile& file) {
    uint8_t head[kFileHeaderBytes + 4];
    if (!file.ReadExactly(0, head, sizeof(head))) return std::nullopt;
    if (Le16(head) != 0x4D42) return std::nullopt;
    BitmapHeader h;
    h.infoSize = Le32(head + 14);
    if (h.infoSize < kCoreHeaderBytes || (h.infoSize > kCoreHeaderBytes && h.infoSize < 16) ||
        kFileHeaderBytes + h.infoSize > file.Size())
        return std::nullopt;
    if (!ReadDimensions(file, h) || !Acceptable(h) || !ReadMasks(file, h)) return std::nullopt;
    h.dataOffset = Le32(head + 10);
    if (h.dataOffset == 0) h.dataOffset = DefaultDataOffset(h);
    return h;
}

// ---------------------------------------------------------------------------------------------
// Palettes

using Palette = std::array<uint32_t, 256>;  // 0x00BBGGRR, red in the low byte

// Entries missing from a file cut short inside its palette read as black.
Palette ReadBmpPalette(const InputFile& file, const BitmapHeader& h) {
    const int64_t entryBytes = PaletteEntryBytes(h);
    std::vector<uint8_t> bytes(static_cast<size_t>(PaletteEntries(h) * entryBytes), 0);
    file.ReadAt(kFileHeaderBytes + h.infoSize, bytes.data(), static_cast<int64_t>(bytes.size()));
    Palette entries{};
    for (int64_t i = 0; i < PaletteEntries(h); ++i) {
        const uint8_t* e = bytes.data() + i * entryBytes;
        entries[i] = e[2] | (e[1] << 8) | (e[0] << 16);
    }
    return entries;
}

// Copies the first `count` entries into the screen's palette and, if asked, hands the whole
// screen palette to the caller.
void InstallPalette(const Palette& entries, int64_t count, uint32_t* callerPalette) {
    screen_internal::ScopedScreenLock lock;
    Palette& screenPalette = screen_internal::ScreenPalette();
    std::copy_n(entries.begin(), count, screenPalette.begin());
    screen_internal::PaletteChanged();
    if (callerPalette) std::copy(screenPalette.begin(), screenPalette.end(), callerPalette);
}

uint32_t OpaqueColour(uint32_t entry) {
    return 0xFF000000u | ((entry & 0xFF) << 16) | (entry & 0xFF00) | ((entry >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------------------------
// Pixel conversion

void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
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

// How one file row turns into 0xAARRGGBB pixels.
struct RowFormat {
    uint32_t bitCount = 0;
    Channel red, green, blue, alpha;
    bool hasAlpha = false;  // 32-bit pixels take alpha from their mask, others are opaque
    std::array<uint32_t, 256> colours{};  // palette formats: index -> 0xAARRGGBB
};

RowFormat MakeRowFormat(const BitmapHeader& h, const Palette& palette) {
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

// Palette indices, most significant bits first within each byte.
void UnpackIndices(uint32_t bitCount, const uint8_t* in, int64_t count, uint8_t* out) {
    if (bitCount == 8) {
        std::memcpy(out, in, static_cast<size_t>(count));
    } else if (bitCount == 4) {
        for (int64_t x = 0; x < count; ++x) out[x] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    } else {
        for (int64_t x = 0; x < count; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

uint16_t To565(uint32_t c) {
    return static_cast<uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
}
void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}

// Where decoded pixels go: one row of the destination in its own pixel format.
struct RowSink {
    const Surface& dest;
    RowFormat format;
    std::vector<uint8_t> scratch;  // 0xAARRGGBB or index row for narrower destinations
};

void StoreIndices(const RowSink& sink, const uint8_t* indices, int64_t count, uint8_t* row) {
    const std::array<uint32_t, 256>& colours = sink.format.colours;
    switch (sink.dest.bytesPerPixel) {
        case 1:
            std::memcpy(row, indices, static_cast<size_t>(count));
            break;
        case 2:
            for (int64_t x = 0; x < count; ++x) Store16(row + x * 2, To565(colours[indices[x]]));
            break;
        default:
            for (int64_t x = 0; x < count; ++x) Store32(row + x * 4, colours[indices[x]]);
    }
}

// Converts the first `count` pixels of the file row `in` into destination row `y`.
void StoreFileRow(RowSink& sink, const uint8_t* in, int64_t count, int64_t y) {
    const Surface& d = sink.dest;
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

// ---------------------------------------------------------------------------------------------
// Uncompressed rows

constexpr int64_t kReadChunkBytes = 256 * 1024;

struct RowPlan {
    int64_t rowBytes = 0;     // one stored row with its padding
    int64_t neededBytes = 0;  // the part of a row that holds the copied pixels
    int64_t copyWidth = 0;
    int64_t copyHeight = 0;
    int64_t firstRow = 0;  // file rows [firstRow, endRow) land in the destination
    int64_t endRow = 0;
    bool complete = false;  // every row of the picture is in the file
};

RowPlan PlanRows(const BitmapHeader& h, const Surface& dest, int64_t fileSize) {
    RowPlan p;
    p.rowBytes = (h.width * h.bitCount + 31) / 32 * 4;
    p.copyWidth = std::min<int64_t>(h.width, dest.width);
    p.copyHeight = std::min<int64_t>(h.height, dest.height);
    p.neededBytes = (p.copyWidth * h.bitCount + 7) / 8;
    // Rows count as present when their pixels are; the last row's padding may be missing.
    const int64_t pixelBytes = (h.width * h.bitCount + 7) / 8;
    const int64_t available = fileSize - h.dataOffset;
    const int64_t present =
        available < pixelBytes ? 0 : std::min(h.height, 1 + (available - pixelBytes) / p.rowBytes);
    p.complete = present == h.height;
    p.firstRow = h.topDown ? 0 : h.height - p.copyHeight;
    p.endRow = std::min(p.firstRow + p.copyHeight, present);
    return p;
}

ScreenResult LoadPlainRows(const InputFile& file, const BitmapHeader& h, RowSink& sink) {
    const RowPlan plan = PlanRows(h, sink.dest, file.Size());
    // Rows short enough are read many at a time; for longer ones only the used part is read.
    const int64_t rowsPerRead = std::max<int64_t>(1, kReadChunkBytes / plan.rowBytes);
    std::vector<uint8_t> buffer(
        static_cast<size_t>((rowsPerRead - 1) * plan.rowBytes + plan.neededBytes));
    for (int64_t row = plan.firstRow; row < plan.endRow; row += rowsPerRead) {
        const int64_t rows = std::min(rowsPerRead, plan.endRow - row);
        const int64_t bytes = (rows - 1) * plan.rowBytes + plan.neededBytes;
        if (!file.ReadExactly(h.dataOffset + row * plan.rowBytes, buffer.data(), bytes))
            return ScreenResult::FileIO;
        for (int64_t i = 0; i < rows; ++i) {
            const int64_t y = h.topDown ? row + i : h.height - 1 - (row + i);
            StoreFileRow(sink, buffer.data() + i * plan.rowBytes, plan.copyWidth, y);
        }
    }
    return plan.complete ? ScreenResult::Ok : ScreenResult::FileIO;
}

// ---------------------------------------------------------------------------------------------
// Run-length coded rows

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
    const Surface& d = pen.sink.dest;
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

enum class Escape { Continue, Finished, Truncated };

// The commands after a 0 byte: end of line, end of bitmap, delta, absolute run.
Escape RunEscape(RlePen& pen, ByteStream& in, uint8_t code, bool fourBit) {
    switch (code) {
        case 0:
            pen.x = 0;
            ++pen.row;
            break;
        case 1:
            return Escape::Finished;
        case 2: {
            uint8_t dx, dy;
            if (!in.Next(dx) || !in.Next(dy)) return Escape::Truncated;
            pen.x += dx;
            pen.row += dy;
            break;
        }
        default:
            if (!PutAbsolute(pen, in, code, fourBit)) return Escape::Truncated;
    }
    return pen.row >= pen.height ? Escape::Finished : Escape::Continue;
}

// Decodes until the end-of-bitmap code or the top of the picture; a stream that stops before
// either is cut short. Pixels the stream never sets keep their previous value.
ScreenResult LoadRunLengthRows(const InputFile& file, const BitmapHeader& h, RowSink& sink) {
    const bool fourBit = h.compression == Rle4;
    ByteStream in(file, h.dataOffset);
    RlePen pen{sink, h.width, h.height};
    for (;;) {
        uint8_t count, value;
        if (!in.Next(count) || !in.Next(value)) return ScreenResult::FileIO;
        if (count > 0) {
            PutRun(pen, count, value, fourBit);
            continue;
        }
        const Escape e = RunEscape(pen, in, value, fourBit);
        if (e == Escape::Finished) return ScreenResult::Ok;
        if (e == Escape::Truncated) return ScreenResult::FileIO;
    }
}

// ---------------------------------------------------------------------------------------------
// BMP

// A destination whose header promises more than its rows can hold is never written.
bool Writable(const Surface& s) {
    const int32_t bpp = s.bytesPerPixel;
    return s.pixels && (bpp == 1 || bpp == 2 || bpp == 4) && s.pitch >= int64_t{s.width} * bpp;
}

ScreenResult LoadBmp(const InputFile& file, ImageBuffer* image, uint32_t* palette) {
    if (!ScreenIsOpen()) return ScreenResult::IllegalCall;
    const std::optional<BitmapHeader> header = ReadBitmapHeader(file);
    if (!header) return ScreenResult::FileIO;
    const BitmapHeader& h = *header;

    screen_internal::ScopedScreenLock lock;
    const Surface dest = screen_internal::ResolveTarget(image);
    // Indices fit a 1-byte destination; true colour has no sensible 8-bit form.
    if (!Writable(dest) || (dest.bytesPerPixel == 1 && h.bitCount > 8))
        return ScreenResult::IllegalCall;
    Palette entries{};
    if (h.bitCount <= 8) {
        entries = ReadBmpPalette(file, h);
        InstallPalette(entries, PaletteEntries(h), palette);
    }
    const int64_t copyWidth = std::min<int64_t>(h.width, dest.width);
    RowSink sink{dest, MakeRowFormat(h, entries), std::vector<uint8_t>(copyWidth * 4)};
    const bool runLength = h.compression == Rle8 || h.compression == Rle4;
    const ScreenResult result =
        runLength ? LoadRunLengthRows(file, h, sink) : LoadPlainRows(file, h, sink);
    if (dest.isScreen) lock.MarkDirty(0, dest.height - 1);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Raw image files

struct RawData {
    int64_t offset = 0;  // first byte of the image memory
    int64_t length = 0;  // as the file's length field says
};

std::optional<RawData> ReadRawLength(const InputFile& file, uint8_t kind) {
    uint8_t field[6];
    if (kind == 0xFE) {
        if (!file.ReadExactly(1, field, 4)) return std::nullopt;
        return RawData{5, Le32(field)};
    }
    if (!file.ReadExactly(1, field, 6)) return std::nullopt;
    return RawData{7, Le16(field + 4)};
}

// The byte size an image header claims for itself, or 0 if it is no valid header.
int64_t ClaimedImageBytes(const uint8_t* header) {
    const Surface s = screen_internal::ImageSurface(header);
    if (!s.pixels) return 0;
    const int32_t bpp = s.bytesPerPixel;
    if ((bpp != 1 && bpp != 2 && bpp != 4) || s.pitch < int64_t{s.width} * bpp) return 0;
    return (s.pixels - header) + int64_t{s.height} * s.pitch;
}

// The file replaces the image block's header and pixels. Only a header that describes an image
// fitting the block is taken, so the image stays safe to draw; nothing is copied past the block.
ScreenResult LoadRawIntoImage(const InputFile& file, RawData raw, ImageBuffer* image) {
    int64_t blockBytes = 0;
    if (GetImageInfo(image, nullptr, nullptr, nullptr, nullptr, nullptr, &blockBytes) !=
        ScreenResult::Ok)
        return ScreenResult::IllegalCall;
    std::array<uint8_t, sizeof(ImageBuffer)> header{};
    const int64_t got = file.ReadAt(raw.offset, header.data(), header.size());
    if (got < 0) return ScreenResult::FileIO;
    const int64_t claimed = ClaimedImageBytes(header.data());
    const int64_t headerBytes = Le32(header.data()) == ImageBufferType ? 32 : 4;
    if (claimed == 0 || claimed > blockBytes || got < headerBytes || raw.length < headerBytes)
        return ScreenResult::FileIO;

    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(raw.length, blockBytes)));
    const int64_t n = file.ReadAt(raw.offset, bytes.data(), static_cast<int64_t>(bytes.size()));
    if (n < 0) return ScreenResult::FileIO;
    screen_internal::ScopedScreenLock lock;
    std::memcpy(image, bytes.data(), static_cast<size_t>(n));
    return ScreenResult::Ok;
}

// A frame-buffer dump, optionally followed by a palette of 6-bit red, green, blue triples.
ScreenResult LoadRawOntoScreen(const InputFile& file, RawData raw, uint32_t* palette) {
    {
        screen_internal::ScopedScreenLock lock;
        const Surface screen = screen_internal::ScreenSurface();
        if (!screen.pixels) return ScreenResult::IllegalCall;
        const int64_t frameBytes = int64_t{screen.height} * screen.pitch;
        if (file.ReadAt(raw.offset, screen.pixels, std::min(raw.length, frameBytes)) < 0)
            return ScreenResult::FileIO;
        lock.MarkDirty(0, screen.height - 1);
    }
    std::array<uint8_t, 256 * 3> bytes{};
    const int64_t n = file.ReadAt(raw.offset + raw.length, bytes.data(), bytes.size());
    if (n < 0) return ScreenResult::FileIO;
    if (n >= 3) {
        Palette entries{};
        for (int64_t i = 0; i < n / 3; ++i) {
            const uint8_t* e = bytes.data() + i * 3;
            entries[i] = ((e[0] & 63) << 2) | ((e[1] & 63) << 10) | ((e[2] & 63) << 18);
        }
        InstallPalette(entries, n / 3, palette);
    }
    return ScreenResult::Ok;
}

ScreenResult LoadRaw(const InputFile& file, uint8_t kind, ImageBuffer* image, uint32_t* palette) {
    const std::optional<RawData> raw = ReadRawLength(file, kind);
    if (!raw) return ScreenResult::FileIO;
    return image ? LoadRawIntoImage(file, *raw, image) : LoadRawOntoScreen(file, *raw, palette);
}

}  // namespace

ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image, uint32_t* palette) {
    if (!image && !ScreenIsOpen()) return ScreenResult::IllegalCall;
    const InputFile file(fileName);
    if (!file.IsOpen()) return ScreenResult::FileNotFound;
    uint8_t kind = 0;
    if (!file.IsRegular() || !file.ReadExactly(0, &kind, 1)) return ScreenResult::FileIO;
    if (kind == 0xFD || kind == 0xFE) return LoadRaw(file, kind, image, palette);
    if (kind == 'B') return LoadBmp(file, image, palette);
    return ScreenResult::FileIO;
}
