// The picture files this library reads, each recognised by its first bytes: one unit per format
// and one line in the table below.
//
// Files come from anywhere, so every size in them is distrusted: sizes are 64-bit, reads are
// positioned and bounded by the file's real length, pictures above the pixel limit are refused
// before anything is allocated for them, and nothing is ever written outside the destination's
// own rows.
#include "picture/formats.h"

#include <algorithm>
#include <atomic>

#include "base/checked_math.h"
#include "picture/other_formats.h"

namespace picture {

namespace {

constexpr const Format* Formats[] = {&BmpFormat,  &PngFormat,  &JpegFormat, &GifFormat,
                                     &WebPFormat, &TiffFormat, &HeifFormat};

// As many first bytes as any format needs to be recognised, here or among the formats not read.
constexpr size_t SignatureBytes = 32;
static_assert(InputFile::KeptHeadBytes >= SignatureBytes);

// The first bytes of a file, which tell its format: read when it was opened.
using Head = std::span<const uint8_t>;

Head HeadOf(const InputFile& file) {
    const Head kept = file.Head();
    return kept.first(std::min(kept.size(), SignatureBytes));
}

const Format* FormatOf(Head head) {
    for (const Format* format : Formats)
        if (format->recognises(head)) return format;
    return nullptr;
}

std::atomic<int64_t> CurrentPixelLimit = DefaultPixelLimit;

// What a file that no unit reads seems to be.
ProbeResult Unrecognised(Head head) {
    ProbeResult probe;
    if (head.empty()) {
        probe.problem = "an empty file";
        return probe;
    }
    probe.format = OtherFormatName(head);
    probe.problem =
        probe.format.empty()
            ? "not a picture file this program reads (BMP, PNG, JPEG, GIF, WebP, TIFF, HEIC, AVIF)"
            : probe.format + ", which this program does not read";
    return probe;
}

// The one place where the limit is checked, for every format.
ProbeResult ProbeAs(const Format& format, const InputFile& file, Head head) {
    std::optional<ProbeResult> probe = format.probe(file);
    if (!probe) return Unrecognised(head);
    probe->recognised = true;
    probe->overPixelLimit = OverPixelLimit(probe->width, probe->height);
    // Formats whose libraries keep nothing large beside the picture leave the estimate to this.
    probe->decodeBytes = std::max(probe->decodeBytes, PixelBytes(probe->width, probe->height));
    return *probe;
}

}  // namespace

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

bool OverPixelLimit(int64_t width, int64_t height) {
    return SaturatingProduct(width, height) > PixelLimit();
}

int64_t PixelBytes(int64_t width, int64_t height, int64_t bytesPerPixel) {
    return SaturatingProduct(std::max<int64_t>(width, 0), std::max<int64_t>(height, 0),
                             bytesPerPixel);
}

std::string OverLimitText(int64_t width, int64_t height) {
    return SizeText(width, height) + " pixels, more than the limit of " +
           std::to_string(PixelLimit());
}

void SetPixelLimit(int64_t pixels) {
    CurrentPixelLimit = std::max<int64_t>(pixels, 1);
}

int64_t PixelLimit() {
    return CurrentPixelLimit;
}

ProbeResult Probe(const InputFile& file) {
    if (!file.IsRegular()) {
        ProbeResult probe;
        probe.problem = "not a regular file";
        return probe;
    }
    const Head head = HeadOf(file);
    const Format* format = FormatOf(head);
    return format ? ProbeAs(*format, file, head) : Unrecognised(head);
}

const Format* FormatOfFile(const InputFile& file) {
    return file.IsRegular() ? FormatOf(HeadOf(file)) : nullptr;
}

DecodeResult Decode(const InputFile& file, const PixelView& dest) {
    return DecodeReduced(file, dest, 1);
}

DecodeResult DecodeReduced(const InputFile& file, const PixelView& dest, int64_t denominator) {
    if (!file.IsOpen()) {
        DecodeResult result;
        result.status = DecodeStatus::CannotOpen;
        result.problem = "cannot be opened";
        return result;
    }
    const Head head = HeadOf(file);
    const Format* format = file.IsRegular() ? FormatOf(head) : nullptr;
    if (!format) return Refusal(Unrecognised(head).problem);
    const ProbeResult probe = ProbeAs(*format, file, head);
    if (probe.overPixelLimit) return Refusal(OverLimitText(probe.width, probe.height));
    return DecodeProbed(file, *format, dest, denominator);
}

DecodeResult DecodeProbed(const InputFile& file, const Format& format, const PixelView& dest,
                          int64_t denominator) {
    if (denominator > 1 && format.decodeReduced)
        return format.decodeReduced(file, dest, denominator);
    return format.decode(file, dest);
}

}  // namespace picture
