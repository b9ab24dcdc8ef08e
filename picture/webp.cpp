// WebP pictures through libwebp: lossy, lossless, with alpha; an animated file gives its first
// frame on its transparent canvas, as libwebp's animation decoder composes it (as GIF gives its
// first image on its screen), decoded straight into the picture rather than through that
// decoder's canvases. libwebp decodes from memory, so the file is read whole: at most the length
// its RIFF header declares, which the probe checks against the file's.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/checked_math.h"
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
DecodeResult DecodeStill(std::span<const uint8_t> bytes, const PixelView& whole) {
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

// The first frame of an animation on its canvas, which starts transparent: the frame's pixels as
// decoded, whether it is blended or not (the animation decoder blends nothing onto a canvas that
// is all transparent).
DecodeResult DecodeFirstFrame(const std::vector<uint8_t>& bytes, const PixelView& whole) {
    WebPData data = {bytes.data(), bytes.size()};
    const Demuxer demux(WebPDemux(&data));
    WebPIterator frame;
    if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame))
        return Refusal("a damaged WebP animation");
    const int64_t x = frame.x_offset, y = frame.y_offset, width = frame.width,
                  height = frame.height;
    const WebPData fragment = frame.fragment;
    WebPDemuxReleaseIterator(&frame);
    if (x < 0 || y < 0 || width < 1 || height < 1 || x + width > whole.width ||
        y + height > whole.height)
        return Refusal("a damaged WebP animation (its first frame lies outside its canvas)");
    for (int64_t row = 0; row < whole.height; ++row) std::fill_n(whole.Row(row), whole.width, 0u);
    const PixelView part{whole.pixels + y * whole.pitch + x * 4, width, height, whole.pitch, 4};
    return DecodeStill({fragment.bytes, fragment.size}, part);
}

// What a decode holds: the file, read whole; the picture; and libwebp's own buffer of the
// picture's size for a lossless one (or an animation, whose first frame may be), or its alpha
// plane for a lossy one with alpha.
int64_t DecodeBytes(const InputFile& file, const WebPHeader& header) {
    const std::vector<uint8_t> start = ReadStart(file, HeaderBytes);
    WebPBitstreamFeatures features{};
    const bool known = WebPGetFeatures(start.data(), start.size(), &features) == VP8_STATUS_OK;
    const bool lossless = header.animated || !known || features.format != 1;
    const int64_t beside = lossless             ? PixelBytes(header.width, header.height)
                           : features.has_alpha ? PixelBytes(header.width, header.height, 1)
                                                : 0;
    return SaturatingSum(SaturatingSum(PixelBytes(header.width, header.height), beside),
                         file.Size());
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
    probe.decodeBytes = DecodeBytes(file, header);
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
