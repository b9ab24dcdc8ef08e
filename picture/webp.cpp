// WebP pictures through libwebp: lossy, lossless, with alpha; an animated file gives its first
// frame on its canvas (libwebp's animation decoder, as GIF gives its first image on its screen).
// libwebp decodes from memory, so the file is read whole: at most the length its RIFF header
// declares, which the probe checks against the file's.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/orientation.h"

namespace picture {

namespace {

// Enough of the file's start for its canvas and flags (the VP8X chunk, or the first frame's
// header).
constexpr int64_t HeaderBytes = 4096;
constexpr int64_t RiffHeaderBytes = 8;

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// The bytes of the file up to `count`, or the whole RIFF container (its declared length, no
// more than the file has).
std::vector<uint8_t> ReadStart(const InputFile& file, int64_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::clamp<int64_t>(file.Size(), 0, count)));
    if (!file.ReadExactly(0, bytes.data(), static_cast<int64_t>(bytes.size()))) bytes.clear();
    return bytes;
}

int64_t RiffLength(const InputFile& file) {
    uint8_t header[RiffHeaderBytes];
    if (!file.ReadExactly(0, header, RiffHeaderBytes)) return 0;
    return RiffHeaderBytes + Le32(header + 4);
}

// What the file's header says, from its first bytes or from all of it.
struct WebPHeader {
    int64_t width = 0;
    int64_t height = 0;
    bool animated = false;
    bool exif = false;
    std::string problem;
};

WebPHeader ReadHeader(const std::vector<uint8_t>& bytes, bool whole) {
    WebPHeader header;
    WebPData data = {bytes.data(), bytes.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const Demuxer demux(WebPDemuxPartial(&data, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR || state == WEBP_DEMUX_PARSING_HEADER) {
        header.problem = "a damaged WebP header";
        return header;
    }
    if (whole && state != WEBP_DEMUX_DONE) {
        header.problem = "cut short or damaged inside its image data";
        return header;
    }
    header.width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    header.height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    header.animated = (flags & ANIMATION_FLAG) != 0;
    header.exif = (flags & EXIF_FLAG) != 0;
    if (header.width < 1 || header.height < 1)
        header.problem = "no pixels (" + SizeText(header.width, header.height) + ")";
    return header;
}

// The orientation of the file's EXIF chunk, read from the whole file.
int Orientation(const std::vector<uint8_t>& bytes) {
    WebPData data = {bytes.data(), bytes.size()};
    const Demuxer demux(WebPDemux(&data));
    if (!demux) return Upright;
    WebPChunkIterator chunk;
    int orientation = Upright;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk))
        orientation = ExifOrientation({chunk.chunk.bytes, chunk.chunk.size});
    WebPDemuxReleaseChunkIterator(&chunk);
    return AppliedOrientation(orientation);
}

// The whole file, as libwebp wants it: up to the end of the RIFF container.
bool ReadWhole(const InputFile& file, std::vector<uint8_t>& bytes) {
    const int64_t length = RiffLength(file);
    if (length > file.Size() || length <= RiffHeaderBytes) return false;
    bytes = ReadStart(file, length);
    return static_cast<int64_t>(bytes.size()) == length;
}

// 0xAARRGGBB is blue, green, red, alpha in memory: libwebp's BGRA, straight alpha.
DecodeResult DecodeStill(const std::vector<uint8_t>& bytes, const PixelView& whole) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Refusal("the WebP decoder cannot be used");
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = whole.pixels;
    config.output.u.RGBA.stride = static_cast<int>(whole.pitch);
    config.output.u.RGBA.size =
        static_cast<size_t>(whole.pitch * (whole.height - 1) + whole.width * 4);
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OK) {
        DecodeResult done;
        done.wrote = true;
        return done;
    }
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        return Refusal("cut short inside its pixel data", true);
    if (status == VP8_STATUS_UNSUPPORTED_FEATURE)
        return Refusal("a kind of WebP picture that is not supported", true);
    return Refusal("damaged inside its pixel data", true);
}

// The first frame of an animation on its canvas.
DecodeResult DecodeFirstFrame(const std::vector<uint8_t>& bytes, const PixelView& whole) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return Refusal("the WebP decoder cannot be used");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data = {bytes.data(), bytes.size()};
    const std::unique_ptr<WebPAnimDecoder, AnimDeleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) ||
        info.canvas_width != whole.width || info.canvas_height != whole.height)
        return Refusal("a damaged WebP animation");
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return Refusal("cut short or damaged inside its first frame");
    for (int64_t y = 0; y < whole.height; ++y)
        std::memcpy(whole.pixels + y * whole.pitch, canvas + y * whole.width * 4,
                    static_cast<size_t>(whole.width * 4));
    DecodeResult done;
    done.wrote = true;
    return done;
}

bool IsWebP(std::span<const uint8_t> head) {
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

std::optional<ProbeResult> ProbeWebP(const InputFile& file) {
    ProbeResult probe;
    probe.format = "WebP";
    const WebPHeader header = ReadHeader(ReadStart(file, HeaderBytes), false);
    probe.problem = header.problem;
    if (RiffLength(file) > file.Size()) probe.problem = "cut short inside its image data";
    int orientation = Upright;
    // The EXIF chunk mostly follows the image data: read the whole file for it only when there
    // is one, and the picture is one that may be loaded.
    if (probe.problem.empty() && header.exif && ApplyOrientation() &&
        header.width * header.height <= PixelLimit()) {
        std::vector<uint8_t> bytes;
        if (ReadWhole(file, bytes)) orientation = Orientation(bytes);
    }
    SetUprightSize(probe, header.width, header.height, orientation);
    return probe;
}

DecodeResult DecodeWebP(const InputFile& file, const PixelView& view) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(file, bytes)) return Refusal("cut short inside its image data");
    const WebPHeader header = ReadHeader(bytes, true);
    if (!header.problem.empty()) return Refusal(header.problem);
    const int orientation = header.exif ? Orientation(bytes) : Upright;
    return DecodeWhole(view, header.width, header.height, orientation, [&](const PixelView& whole) {
        return header.animated ? DecodeFirstFrame(bytes, whole) : DecodeStill(bytes, whole);
    });
}

}  // namespace

const Format WebPFormat = {.recognises = IsWebP,
                           .probe = ProbeWebP,
                           .decode = DecodeWebP,
                           .decodeReduced = nullptr,
                           .decodeOwnMemory = nullptr};

}  // namespace picture
