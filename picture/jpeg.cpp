#include <turbojpeg.h>

#include <memory>
#include <string>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"

namespace picture {

namespace {

constexpr uint8_t MarkerStart = 0xFF;
constexpr uint8_t StartOfScan = 0xDA;
constexpr uint8_t EndOfImage = 0xD9;

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
};

uint32_t Be16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}

// The first frame header, reached by walking the markers from the start; nullopt when the image
// data or the file's end comes first.
std::optional<JpegFrame> ReadFrame(const InputFile& file) {
    FileStream stream(file);
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
            stream.Skip(length);
            continue;
        }
        if (length < 6 || stream.Read(bytes, 6) != 6) return std::nullopt;
        return JpegFrame{marker, bytes[0], Be16(bytes + 3), Be16(bytes + 1), bytes[5]};
    }
}

std::optional<std::string> FrameProblem(const JpegFrame& f) {
    if (f.width == 0 || f.height == 0)
        return "no pixels (" + SizeText(f.width, f.height) + ")";
    if (!IsReadableFrame(f.marker)) return "lossless or hierarchical JPEG coding, not supported";
    if (f.precision != 8) return std::to_string(f.precision) + "-bit JPEG samples, not supported";
    if (f.components != 1 && f.components != 3)
        return std::to_string(f.components) + " colour components (CMYK?), not supported";
    return std::nullopt;
}

struct HandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<void, HandleDeleter>;

// Decodes the whole picture into `rows` as 0xAARRGGBB (blue, green, red, alpha 255 in memory),
// with the library's defaults: the accurate integer transform, smooth upsampling. Its warnings
// fail the decode as its errors do: it warns when data is missing or damaged, and would fill in
// what it could not read. Progressive files of unreasonably many scans are refused.
DecodeResult Decompress(void* handle, const std::vector<uint8_t>& data, const JpegFrame& f,
                        uint8_t* rows, int64_t pitch) {
    constexpr int Flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle, data.data(), data.size(), rows, static_cast<int>(f.width),
                      static_cast<int>(pitch), static_cast<int>(f.height), TJPF_BGRA, Flags) == 0) {
        DecodeResult done;
        done.wrote = true;
        return done;
    }
    return Refusal(std::string("damaged: ") + tjGetErrorStr2(handle), true);
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
    probe.storedWidth = static_cast<int32_t>(frame->width);
    probe.storedHeight = static_cast<int32_t>(frame->height);
    probe.width = frame->width;
    probe.height = frame->height;
    probe.problem = FrameProblem(*frame).value_or("");
    return probe;
}

// A destination that holds the whole picture in 4-byte pixels takes it straight from the
// decoder; any other gets the overlap of a decoded copy, once the whole decode succeeded.
DecodeResult DecodeJpeg(const InputFile& file, const PixelView& view) {
    const std::optional<JpegFrame> frame = ReadFrame(file);
    const Decompressor handle(tjInitDecompress());
    std::vector<uint8_t> data;
    if (!frame || FrameProblem(*frame) || !handle || !ReadData(file, handle.get(), *frame, data))
        return Refusal(std::string(CutShortOrUnsupportedText));
    const ColourDestination dest(view, frame->width, frame->height);
    if (!dest.Usable()) return UnusableDestination();
    int64_t pitch = 0;
    if (uint8_t* rows = dest.WholePicture(pitch))
        return Decompress(handle.get(), data, *frame, rows, pitch);
    std::vector<uint32_t> pixels(size_t{frame->width} * frame->height);
    DecodeResult result = Decompress(handle.get(), data, *frame,
                                     reinterpret_cast<uint8_t*>(pixels.data()), frame->width * 4);
    if (result.status != DecodeStatus::Decoded) {
        result.wrote = false;
        return result;
    }
    for (int64_t y = 0; y < dest.CopyHeight(); ++y)
        dest.StoreRow(y, pixels.data() + y * frame->width);
    return result;
}

}  // namespace

const Format JpegFormat = {.recognises = IsJpeg, .probe = ProbeJpeg, .decode = DecodeJpeg};

}  // namespace picture
