#include <spng.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/orientation.h"

namespace picture {

namespace {

constexpr std::array<uint8_t, 8> Signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// No side of a PNG can be longer.
constexpr uint32_t LongestSide = INT32_MAX;
// The ancillary chunks libspng is shown (transparency, orientation) are read into memory: these
// bound one of them and all of them together. The image data itself is streamed and bounded by
// the pixel limit.
constexpr size_t ChunkBytesLimit = 4 << 20;
constexpr size_t CachedChunkBytesLimit = 16 << 20;
// Deflate never packs more than 1032 bytes into one; a file shorter than its pixels' rows can
// be, at that rate, cannot hold them.
constexpr int64_t DeflateBestRatio = 1032;
constexpr int64_t ZlibOverheadBytes = 4096;

// Where each of the seven interlace passes puts its first pixel of a row, and how far apart.
constexpr std::array<int64_t, 7> PassFirstColumn = {0, 4, 0, 2, 0, 1, 0};
constexpr std::array<int64_t, 7> PassColumnStep = {8, 8, 4, 4, 2, 2, 1};

struct ContextDeleter {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The file as libspng reads it, less the ancillary chunks that have no bearing on the pixels:
// text, colour profiles and the like are never read into memory or inflated, however large or
// many, so they cannot fail a picture whose pixels are fine. Critical chunks, transparency and
// an orientation of sane size pass unchanged, checksums and all.
class PixelChunkStream {
public:
    explicit PixelChunkStream(const InputFile& file) : stream_(file), fileSize_(file.Size()) {}

    // A chunk whose length runs past the end of the file, in the file's numbers; empty if none.
    const std::string& Problem() const { return problem_; }

    int64_t Read(uint8_t* out, int64_t count) {
        int64_t done = 0;
        while (done < count) {
            if (pendingAt_ < pending_.size()) {
                const auto n = std::min<int64_t>(count - done, pending_.size() - pendingAt_);
                std::memcpy(out + done, pending_.data() + pendingAt_, static_cast<size_t>(n));
                pendingAt_ += static_cast<size_t>(n);
                done += n;
                continue;
            }
            if (passing_ == 0) {
                if (!NextKeptChunk()) break;
                continue;  // its header first
            }
            const int64_t n = stream_.Read(out + done, std::min(passing_, count - done));
            if (n < 0) return -1;
            if (n == 0) break;
            passing_ -= n;
            done += n;
            at_ += n;
        }
        return done;
    }

private:
    static bool Kept(const uint8_t* type, uint32_t length) {
        const std::string_view name(reinterpret_cast<const char*>(type), 4);
        const bool critical = (type[0] & 0x20) == 0;
        return critical || name == "tRNS" || (name == "eXIf" && length <= ChunkBytesLimit);
    }

    // Hands on the signature, then the header of the next chunk to keep, whose data and checksum
    // pass after it; false at the end of the file.
    bool NextKeptChunk() {
        if (!started_) {
            started_ = true;
            passing_ = static_cast<int64_t>(Signature.size());
            return true;
        }
        for (;;) {
            std::array<uint8_t, 8> header{};
            const int64_t got = stream_.Read(header.data(), header.size());
            if (got <= 0) return false;
            const uint32_t length = Be32(header.data());
            NoteLength(header.data() + 4, length);
            at_ += got;
            if (got < 8 || Kept(header.data() + 4, length)) {
                pending_.assign(header.begin(), header.begin() + got);
                pendingAt_ = 0;
                passing_ = got < 8 ? 0 : int64_t{length} + 4;  // the data and the checksum
                return true;
            }
            stream_.Skip(int64_t{length} + 4);
            at_ += int64_t{length} + 4;
        }
    }

    void NoteLength(const uint8_t* type, uint32_t length) {
        const int64_t left = fileSize_ - at_ - 8;
        if (!problem_.empty() || int64_t{length} <= left) return;
        std::string name;
        for (int i = 0; i < 4; ++i) name += type[i] >= 0x21 && type[i] < 0x7F ? char(type[i]) : '?';
        problem_ = "its " + name + " chunk at byte " + std::to_string(at_) + " declares " +
                   std::to_string(length) + " bytes, more than the " +
                   std::to_string(std::max<int64_t>(left, 0)) + " left in the file";
    }

    FileStream stream_;
    int64_t fileSize_ = 0;
    int64_t at_ = 0;  // in the file, of what the stream reads next
    std::string problem_;
    bool started_ = false;
    std::vector<uint8_t> pending_;  // a chunk header read to judge it, for libspng
    size_t pendingAt_ = 0;
    int64_t passing_ = 0;  // bytes of the kept chunk still to pass
};

int ReadFromStream(spng_ctx*, void* user, void* out, size_t length) {
    const int64_t got = static_cast<PixelChunkStream*>(user)->Read(static_cast<uint8_t*>(out),
                                                                   static_cast<int64_t>(length));
    if (got < 0) return SPNG_IO_ERROR;
    return got == static_cast<int64_t>(length) ? 0 : SPNG_IO_EOF;
}

// The one reader of a PNG's header, for the probe and the loader; afterwards its context goes on
// to the pixels.
class PngReader {
public:
    explicit PngReader(const InputFile& file) : stream_(file) {}

    // 0, or libspng's error for a signature or header chunk it refuses. Sides longer than
    // `sideLimit` are refused too.
    int ReadHeader(uint32_t sideLimit) {
        context_.reset(spng_ctx_new(0));  // the data's checksums are checked
        if (!context_) return SPNG_EMEM;
        spng_ctx* c = context_.get();
        int error = spng_set_png_stream(c, ReadFromStream, &stream_);
        if (!error) error = spng_set_image_limits(c, sideLimit, sideLimit);
        if (!error) error = spng_set_chunk_limits(c, ChunkBytesLimit, CachedChunkBytesLimit);
        // A damaged critical chunk fails the file; a damaged ancillary one is left out.
        if (!error) error = spng_set_crc_action(c, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
        if (!error) error = spng_get_ihdr(c, &header_);
        return error;
    }
    spng_ctx* Context() const { return context_.get(); }
    const std::string& StreamProblem() const { return stream_.Problem(); }
    const spng_ihdr& Header() const { return header_; }
    // The orientation of an eXIf chunk before the image data, as it applies.
    int Orientation() const {
        spng_exif exif{};
        if (spng_get_exif(context_.get(), &exif) != 0 || !exif.data) return Upright;
        return AppliedOrientation(
            ExifOrientation({reinterpret_cast<const uint8_t*>(exif.data), exif.length}));
    }

private:
    PixelChunkStream stream_;
    std::unique_ptr<spng_ctx, ContextDeleter> context_;
    spng_ihdr header_{};
};

int64_t Channels(uint8_t colourType) {
    switch (colourType) {
        case SPNG_COLOR_TYPE_TRUECOLOR:
            return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            return 2;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            return 4;
        default:
            return 1;
    }
}

std::optional<std::string> DataProblem(const spng_ihdr& h, int64_t fileSize) {
    const int64_t rowBytes = 1 + (int64_t{h.width} * Channels(h.color_type) * h.bit_depth + 7) / 8;
    if (int64_t{h.height} <= (DeflateBestRatio * fileSize + ZlibOverheadBytes) / rowBytes)
        return std::nullopt;
    return "declares " + SizeText(h.width, h.height) + " pixels, more than its " +
           std::to_string(fileSize) + " bytes can hold";
}

// What libspng decodes a row to: RGB bytes for 8-bit colour without transparency (the most common
// kind, saving the library a pass), else RGBA bytes, 16-bit channels reduced to their high byte
// by the library. Channels come red first.
struct RowForm {
    int format = SPNG_FMT_RGBA8;
    int64_t pixelBytes = 4;
};

RowForm FormOf(const PngReader& png) {
    const spng_ihdr& h = png.Header();
    spng_trns transparency{};
    if (h.color_type == SPNG_COLOR_TYPE_TRUECOLOR &&
        spng_get_trns(png.Context(), &transparency) == SPNG_ECHUNKAVAIL)
        return {SPNG_FMT_RGB8, 3};
    return {};
}

template <int64_t PixelBytes>
uint32_t Colour(const uint8_t* p) {
    if constexpr (PixelBytes == 3) {
        return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    } else {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return (v & 0xFF00FF00u) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
    }
}

template <int64_t PixelBytes>
void ConvertRow(const uint8_t* row, int64_t first, int64_t step, int64_t end, uint32_t* colours) {
    if (step == 1) {  // a loop the compiler can widen
        for (int64_t x = first; x < end; ++x) colours[x] = Colour<PixelBytes>(row + x * PixelBytes);
        return;
    }
    for (int64_t x = first; x < end; x += step)
        colours[x] = Colour<PixelBytes>(row + x * PixelBytes);
}

// Columns first, first + step, ... below `end` of a decoded row as colours, at the same places.
void ToColours(const uint8_t* row, RowForm form, int64_t first, int64_t step, int64_t end,
               uint32_t* colours) {
    if (form.pixelBytes == 3) return ConvertRow<3>(row, first, step, end, colours);
    ConvertRow<4>(row, first, step, end, colours);
}

// A row libspng decoded into a destination row, made 0xAARRGGBB where it lies. RGB pixels widen
// from the last one back, so that none is overwritten before it is read.
void ToColoursInPlace(uint8_t* row, RowForm form, int64_t width) {
    if (form.pixelBytes == 4) {
        for (int64_t x = 0; x < width; ++x) std::swap(row[x * 4], row[x * 4 + 2]);
        return;
    }
    for (int64_t x = width - 1; x >= 0; --x) {
        const uint8_t red = row[x * 3], green = row[x * 3 + 1], blue = row[x * 3 + 2];
        row[x * 4] = blue;
        row[x * 4 + 1] = green;
        row[x * 4 + 2] = red;
        row[x * 4 + 3] = 0xFF;
    }
}

// Every row is decoded, so that damage anywhere in the file fails the load, and those in the
// destination are stored as they come: an interlaced picture's passes go straight to their
// places, with no buffer of the whole picture. Then the chunks after the image data, through
// the end chunk, must be whole.
DecodeResult Damaged(const PngReader& png, int error) {
    if (!png.StreamProblem().empty()) return Refusal(png.StreamProblem(), true);
    return Refusal(std::string("damaged: ") + spng_strerror(error), true);
}

// Where each interlace pass starts its rows, and how far apart they are.
constexpr std::array<int64_t, 7> PassFirstRow = {0, 0, 4, 0, 2, 0, 1};
constexpr std::array<int64_t, 7> PassRowStep = {8, 8, 8, 4, 4, 2, 2};

// The rows libspng hands out one by one: every row once, or the rows of each interlace pass
// that has pixels.
int64_t RowCount(const spng_ihdr& h) {
    if (h.interlace_method == SPNG_INTERLACE_NONE) return h.height;
    int64_t rows = 0;
    for (size_t pass = 0; pass < PassRowStep.size(); ++pass) {
        if (int64_t{h.width} <= PassFirstColumn[pass]) continue;  // a pass without columns
        if (int64_t{h.height} > PassFirstRow[pass])
            rows += (h.height - PassFirstRow[pass] + PassRowStep[pass] - 1) / PassRowStep[pass];
    }
    return rows;
}

// A decoded row into its places in the destination, if they lie there.
void StoreDecodedRow(const uint8_t* row, RowForm form, const spng_row_info& info, bool interlaced,
                     const ColourDestination& dest, uint32_t* colours) {
    if (info.row_num >= dest.CopyHeight()) return;
    if (!interlaced) {
        ToColours(row, form, 0, 1, dest.CopyWidth(), colours);
        dest.StoreRow(info.row_num, colours);
        return;
    }
    const size_t pass = std::min<size_t>(info.pass, PassColumnStep.size() - 1);
    const int64_t first = PassFirstColumn[pass], step = PassColumnStep[pass];
    ToColours(row, form, first, step, dest.CopyWidth(), colours);
    dest.StoreEvery(info.row_num, colours, first, dest.CopyWidth(), step);
}

// Memory beside the destination only where the rows cannot go straight into it: an interlaced
// picture, a destination of another size or pixel format. Nothing is filled before libspng
// writes it.
struct RowBuffers {
    std::unique_ptr<uint8_t[]> row;
    std::unique_ptr<uint32_t[]> colours;
    size_t rowBytes = 0;
    uint8_t* straight = nullptr;  // the destination's rows, when rows go there directly
    int64_t pitch = 0;

    RowBuffers(const spng_ihdr& h, RowForm form, const ColourDestination& dest) {
        straight = h.interlace_method == SPNG_INTERLACE_NONE ? dest.WholePicture(pitch) : nullptr;
        rowBytes = static_cast<size_t>(h.width * form.pixelBytes);
        if (straight) return;
        row = std::make_unique_for_overwrite<uint8_t[]>(rowBytes);
        colours = std::make_unique_for_overwrite<uint32_t[]>(static_cast<size_t>(dest.CopyWidth()));
    }
    uint8_t* RowFor(int64_t y) const { return straight ? straight + y * pitch : row.get(); }
};

DecodeResult DecodeRows(const PngReader& png, const ColourDestination& dest) {
    spng_ctx* c = png.Context();
    const RowForm form = FormOf(png);
    const bool interlaced = png.Header().interlace_method != SPNG_INTERLACE_NONE;
    if (const int error = spng_decode_image(c, nullptr, 0, form.format,
                                            SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE))
        return Damaged(png, error);
    const RowBuffers buffers(png.Header(), form, dest);
    int64_t rowsLeft = RowCount(png.Header());
    for (;;) {
        spng_row_info info{};
        // libspng enters its end-of-image state after the last row of the last pass that has
        // pixels, but says so (SPNG_EOI from spng_decode_row) only when that pass is the seventh:
        // an interlaced picture of one row, whose seventh pass is empty, reports it here.
        if (const int infoError = spng_get_row_info(c, &info)) {
            if (infoError == SPNG_EOI && rowsLeft == 0) break;
            return Damaged(png, infoError);
        }
        uint8_t* row = buffers.RowFor(info.row_num);
        const int error = spng_decode_row(c, row, buffers.rowBytes);
        if (error != 0 && error != SPNG_EOI) return Damaged(png, error);
        --rowsLeft;
        if (error == SPNG_EOI && rowsLeft != 0) return Damaged(png, error);
        if (buffers.straight) {
            ToColoursInPlace(row, form, png.Header().width);
        } else {
            StoreDecodedRow(row, form, info, interlaced, dest, buffers.colours.get());
        }
        if (error == SPNG_EOI) break;
    }
    if (const int chunkError = spng_decode_chunks(c)) return Damaged(png, chunkError);
    DecodeResult done;
    done.wrote = true;
    return done;
}

bool IsPng(std::span<const uint8_t> head) {
    return head.size() >= Signature.size() &&
           std::equal(Signature.begin(), Signature.end(), head.begin());
}

std::optional<ProbeResult> ProbePng(const InputFile& file) {
    PngReader png(file);
    ProbeResult probe;
    probe.format = "PNG";
    if (const int error = png.ReadHeader(LongestSide)) {
        probe.problem = std::string("a damaged PNG header: ") + spng_strerror(error);
        return probe;
    }
    const spng_ihdr& h = png.Header();
    SetUprightSize(probe, h.width, h.height, png.Orientation());
    probe.problem = DataProblem(h, file.Size()).value_or("");
    return probe;
}

DecodeResult DecodePng(const InputFile& file, const PixelView& view) {
    PngReader png(file);
    const auto sideLimit = static_cast<uint32_t>(std::min<int64_t>(PixelLimit(), LongestSide));
    if (const int error = png.ReadHeader(sideLimit))
        return Refusal(std::string("a damaged PNG header: ") + spng_strerror(error));
    if (std::optional<std::string> problem = DataProblem(png.Header(), file.Size()))
        return Refusal(*problem);
    const spng_ihdr& h = png.Header();
    if (const int orientation = png.Orientation(); orientation != Upright)
        return DecodeWhole(view, h.width, h.height, orientation, [&](const PixelView& whole) {
            return DecodeRows(png, ColourDestination(whole, h.width, h.height));
        });
    const ColourDestination dest(view, h.width, h.height);
    if (!dest.Usable()) return UnusableDestination();
    return DecodeRows(png, dest);
}

}  // namespace

const Format PngFormat = {.recognises = IsPng,
                          .probe = ProbePng,
                          .decode = DecodePng,
                          .decodeReduced = nullptr,
                          .decodeOwnMemory = nullptr};

}  // namespace picture
