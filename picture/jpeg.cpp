#include <turbojpeg.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/checked_math.h"
#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/orientation.h"

namespace picture {

namespace {

constexpr uint8_t MarkerStart = 0xFF;
constexpr uint8_t StartOfScan = 0xDA;
constexpr uint8_t EndOfImage = 0xD9;
constexpr uint8_t App1 = 0xE1;   // EXIF
constexpr uint8_t App14 = 0xEE;  // Adobe's

// Frame headers of the codings the decoder reads: baseline, extended and progressive, with
// Huffman or arithmetic coding. Lossless and hierarchical frames are refused.
bool IsReadableFrame(uint8_t marker) {
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}
bool IsFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
// Markers that stand alone, without a length: start of image, restarts, TEM.
bool HasNoLength(uint8_t marker) {
    return marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

struct JpegFrame {
    uint8_t marker = 0;
    uint32_t precision = 0;  // bits per sample
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t components = 0;
    // From the segments before the frame header: the first EXIF block's orientation, and
    // whether Adobe's segment says CMYK values are stored inverted (as Adobe writes them).
    int orientation = Upright;
    bool exifSeen = false;
    bool adobe = false;
};

uint32_t Be16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}

// What a segment before the frame header tells: an EXIF block's orientation (the first one
// only), Adobe's segment. Reads the segment's `length` bytes.
void ReadSegment(FileStream& stream, uint8_t marker, int64_t length, JpegFrame& frame) {
    static constexpr uint8_t Exif[] = {'E', 'x', 'i', 'f', 0, 0};
    static constexpr uint8_t Adobe[] = {'A', 'd', 'o', 'b', 'e'};
    if (marker == App14 && length >= 12) {
        uint8_t start[5];
        if (stream.Read(start, 5) != 5) return;
        frame.adobe = frame.adobe || std::equal(start, start + 5, Adobe);
        stream.Skip(length - 5);
        return;
    }
    if (marker != App1 || length < 14 || frame.exifSeen) return stream.Skip(length);
    std::vector<uint8_t> block(static_cast<size_t>(length));
    if (stream.Read(block.data(), length) != length) return;
    if (!std::equal(std::begin(Exif), std::end(Exif), block.begin())) return;
    frame.exifSeen = true;
    frame.orientation = ExifOrientation(block);
}

// The first frame header, reached by walking the markers from the start; nullopt when the image
// data or the file's end comes first.
std::optional<JpegFrame> ReadFrame(const InputFile& file) {
    FileStream stream(file);
    JpegFrame frame;
    uint8_t bytes[8];
    if (stream.Read(bytes, 2) != 2) return std::nullopt;  // the start of image marker
    for (;;) {
        if (stream.Read(bytes, 2) != 2 || bytes[0] != MarkerStart) return std::nullopt;
        uint8_t marker = bytes[1];
        while (marker == MarkerStart)  // fill bytes before a marker
            if (stream.Read(&marker, 1) != 1) return std::nullopt;
        if (HasNoLength(marker)) continue;
        if (marker == StartOfScan || marker == EndOfImage) return std::nullopt;
        if (stream.Read(bytes, 2) != 2 || Be16(bytes) < 2) return std::nullopt;
        const int64_t length = Be16(bytes) - 2;
        if (!IsFrame(marker)) {
            ReadSegment(stream, marker, length, frame);
            continue;
        }
        if (length < 6 || stream.Read(bytes, 6) != 6) return std::nullopt;
        frame.marker = marker;
        frame.precision = bytes[0];
        frame.height = Be16(bytes + 1);
        frame.width = Be16(bytes + 3);
        frame.components = bytes[5];
        return frame;
    }
}

std::optional<std::string> FrameProblem(const JpegFrame& f) {
    if (f.width == 0 || f.height == 0) return "no pixels (" + SizeText(f.width, f.height) + ")";
    if (f.marker == 0xC3 || f.marker == 0xCB)
        return "a lossless JPEG, which this program does not read";
    if (!IsReadableFrame(f.marker)) return "a hierarchical JPEG, which this program does not read";
    if (f.precision != 8)
        return "a " + std::to_string(f.precision) + "-bit JPEG, which this program does not read";
    if (f.components != 1 && f.components != 3 && f.components != 4)
        return "a JPEG of " + std::to_string(f.components) +
               " colour components, which this program does not read";
    return std::nullopt;
}

// The fewest bytes the entropy-coded data of a picture this size can take: every block of every
// minimum coded unit (at most 32 x 32 pixels) takes at least a bit.
std::optional<std::string> DataProblem(const JpegFrame& f, int64_t fileSize) {
    const int64_t units = (int64_t{f.width} + 31) / 32 * ((int64_t{f.height} + 31) / 32);
    if (fileSize >= units / 8) return std::nullopt;
    return "declares " + SizeText(f.width, f.height) + " pixels, more than its " +
           std::to_string(fileSize) + " bytes can hold";
}

// Progressive files need a dozen scans or so; more than this only makes work without pixels.
constexpr int64_t MostScans = 100;

// The scans of the data, counted by walking its markers and passing over each scan's coded data
// (where 0xFF is followed by 0, a restart marker or more 0xFF).
int64_t CountScans(const std::vector<uint8_t>& data) {
    int64_t scans = 0;
    const size_t n = data.size();
    for (size_t i = 2; i + 1 < n;) {
        if (data[i] != MarkerStart || data[i + 1] == MarkerStart) {
            ++i;
            continue;
        }
        const uint8_t marker = data[i + 1];
        if (marker == EndOfImage) break;
        if (HasNoLength(marker) || i + 3 >= n) {
            i += 2;
            continue;
        }
        i += 2 + ((size_t{data[i + 2]} << 8) | data[i + 3]);
        if (marker != StartOfScan) continue;
        ++scans;
        while (i + 1 < n && !(data[i] == MarkerStart && data[i + 1] != 0 &&
                              data[i + 1] != MarkerStart && (data[i + 1] & 0xF8) != 0xD0))
            ++i;
    }
    return scans;
}

struct HandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<void, HandleDeleter>;

// a x b / 255, rounded as Pillow rounds it.
inline uint32_t MulDiv255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return ((t >> 8) + t) >> 8;
}

// CMYK pixels (as the decoder gives them: YCCK already turned into CMYK) into 0xAARRGGBB, in
// place, by the usual naive conversion that ignores any colour profile, the one libjpeg's and
// Pillow's users know: R = (255 - K) - C x (255 - K) / 255, and so on, with the ink values C, M,
// Y, K from 0 (none) to 255. A file with Adobe's segment stores them inverted (255 - ink), as
// Photoshop and ImageMagick write them; one without stores them plain.
void CmykToColours(const PixelView& whole, bool inverted) {
    const uint8_t flip = inverted ? 255 : 0;
    for (int64_t y = 0; y < whole.height; ++y) {
        uint8_t* p = whole.pixels + y * whole.pitch;
        for (int64_t x = 0; x < whole.width; ++x, p += 4) {
            const uint32_t paper = 255 - (p[3] ^ flip);
            const uint32_t r = paper - MulDiv255(p[0] ^ flip, paper);
            const uint32_t g = paper - MulDiv255(p[1] ^ flip, paper);
            const uint32_t b = paper - MulDiv255(p[2] ^ flip, paper);
            Store32(p, 0xFF000000u | (r << 16) | (g << 8) | b);
        }
    }
}

// Decodes the whole picture into `whole` as 0xAARRGGBB (blue, green, red, alpha 255 in
// memory), with the library's defaults: the accurate integer transform, smooth upsampling. Its
// warnings fail the decode as its errors do: it warns when data is missing or damaged, and would
// fill in what it could not read. Progressive files of unreasonably many scans are refused.
DecodeResult Decompress(void* handle, const std::vector<uint8_t>& data, const JpegFrame& f,
                        const PixelView& whole) {
    constexpr int Flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    const bool cmyk = f.components == 4;
    if (tjDecompress2(handle, data.data(), data.size(), whole.pixels, static_cast<int>(f.width),
                      static_cast<int>(whole.pitch), static_cast<int>(f.height),
                      cmyk ? TJPF_CMYK : TJPF_BGRA, Flags) != 0)
        return Refusal(std::string("damaged: ") + tjGetErrorStr2(handle), true);
    if (cmyk) CmykToColours(whole, f.adobe);
    DecodeResult done;
    done.wrote = true;
    return done;
}

// The compressed data, whole, as the decoder wants it; only when the library reads the same
// size from it as the frame header walk did, so that the pixel limit applied to the picture
// it decodes.
bool ReadData(const InputFile& file, void* handle, const JpegFrame& f, std::vector<uint8_t>& data) {
    data.resize(static_cast<size_t>(file.Size()));
    if (!file.ReadExactly(0, data.data(), file.Size())) return false;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    return tjDecompressHeader3(handle, data.data(), static_cast<unsigned long>(data.size()), &width,
                               &height, &subsampling, &colourSpace) == 0 &&
           static_cast<uint32_t>(width) == f.width && static_cast<uint32_t>(height) == f.height;
}

// What a decode holds: the file, read whole; the picture; and for a progressive file the
// decoder's coefficients of every block, two bytes for each sample of each component at most.
int64_t DecodeBytes(const JpegFrame& f, int64_t fileBytes) {
    const bool progressive = f.marker == 0xC2 || f.marker == 0xCA;
    const int64_t coefficients = progressive ? PixelBytes(f.width, f.height, 2 * f.components) : 0;
    return SaturatingSum(SaturatingSum(PixelBytes(f.width, f.height), coefficients), fileBytes);
}

bool IsJpeg(std::span<const uint8_t> head) {
    return head.size() >= 3 && head[0] == MarkerStart && head[1] == 0xD8 && head[2] == MarkerStart;
}

std::optional<ProbeResult> ProbeJpeg(const InputFile& file) {
    ProbeResult probe;
    probe.format = "JPEG";
    const std::optional<JpegFrame> frame = ReadFrame(file);
    if (!frame) {
        probe.problem = "no JPEG frame header before its image data";
        return probe;
    }
    SetUprightSize(probe, frame->width, frame->height, AppliedOrientation(frame->orientation));
    std::optional<std::string> problem = FrameProblem(*frame);
    if (!problem) problem = DataProblem(*frame, file.Size());
    probe.problem = problem.value_or("");
    probe.decodeBytes = DecodeBytes(*frame, file.Size());
    return probe;
}

// A destination that holds the whole upright picture in 4-byte pixels takes it straight from
// the decoder; any other gets the overlap of a decoded copy, once the whole decode succeeded.
// The picture at 1/`denominator` of its size (1, 2, 4 or 8), as the decoder's scaled inverse
// transform makes it: each side rounded up.
DecodeResult DecodeJpegReduced(const InputFile& file, const PixelView& view, int64_t denominator) {
    const std::optional<JpegFrame> frame = ReadFrame(file);
    const Decompressor handle(tjInitDecompress());
    std::vector<uint8_t> data;
    if (!frame || FrameProblem(*frame) || DataProblem(*frame, file.Size()) || !handle ||
        !ReadData(file, handle.get(), *frame, data))
        return Refusal(std::string(CutShortOrUnsupportedText));
    if (const int64_t scans = CountScans(data); scans > MostScans)
        return Refusal("has " + std::to_string(scans) + " scans, more than the " +
                       std::to_string(MostScans) + " any JPEG needs");
    JpegFrame reduced = *frame;
    reduced.width = static_cast<uint32_t>((frame->width + denominator - 1) / denominator);
    reduced.height = static_cast<uint32_t>((frame->height + denominator - 1) / denominator);
    return DecodeWhole(
        view, reduced.width, reduced.height, AppliedOrientation(frame->orientation),
        [&](const PixelView& whole) { return Decompress(handle.get(), data, reduced, whole); });
}

DecodeResult DecodeJpeg(const InputFile& file, const PixelView& view) {
    return DecodeJpegReduced(file, view, 1);
}

}  // namespace

const Format JpegFormat = {.recognises = IsJpeg,
                           .probe = ProbeJpeg,
                           .decode = DecodeJpeg,
                           .decodeReduced = DecodeJpegReduced,
                           .decodeOwnMemory = nullptr};

}  // namespace picture
