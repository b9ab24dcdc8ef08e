#include <algorithm>
#include <string>
#include <vector>

#include "picture/bmp_header.h"
#include "picture/bmp_pixels.h"
#include "picture/bmp_rle.h"
#include "picture/destination.h"
#include "picture/formats.h"

namespace picture {

namespace {

// Entries missing from a file cut short inside its palette read as black.
Palette ReadBmpPalette(const InputFile& file, const BmpLayout& h) {
    const int64_t count = PaletteEntries(h.bitCount);
    const int64_t entryBytes = PaletteEntryBytes(h.infoSize);
    std::vector<uint8_t> bytes(static_cast<size_t>(count * entryBytes), 0);
    file.ReadAt(FileHeaderBytes + h.infoSize, bytes.data(), static_cast<int64_t>(bytes.size()));
    Palette entries{};
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + i * entryBytes;
        entries[i] = e[2] | (e[1] << 8) | (e[0] << 16);
    }
    return entries;
}

bool SupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// What the fields themselves rule out, before the layout is worked out.
std::optional<std::string> FieldProblem(const BmpHeader& h, int64_t fileSize) {
    if (HeaderCutShort(h, fileSize))
        return "cut short inside its header (" + std::to_string(fileSize) + " bytes)";
    if (h.width < 1 || h.height == 0) return "no pixels (" + SizeText(h.width, h.height) + ")";
    if (!SupportedBitCount(h.bitCount))
        return "unsupported bit count (" + std::to_string(h.bitCount) + ")";
    if (h.compression > BitFields)
        return "unknown compression (" + std::to_string(h.compression) + ")";
    if (h.compression == BitFields && h.bitCount < 16)
        return "bit fields at " + std::to_string(h.bitCount) +
               " bits, a kind of BMP that is not "
               "supported";
    return std::nullopt;
}

// Uncompressed rows must all be in the file; run-length data must be long enough to reach the
// top row. Either way a tiny file declaring a huge picture is refused before the picture is made.
std::optional<std::string> DataProblem(const BmpLayout& h, const ProbeResult& p, int64_t fileSize) {
    const int64_t available = std::max<int64_t>(fileSize - h.dataOffset, 0);
    const std::string declared =
        "declares " + SizeText(p.storedWidth, p.storedHeight) + " pixels, more ";
    if (h.compression == Rle8 || h.compression == Rle4) {
        if (available >= RunLengthMinimumBytes(h.height)) return std::nullopt;
        return declared + "rows than its " + std::to_string(available) +
               " bytes of run-length data can reach";
    }
    if (RowsPresent(h.width, h.height, h.bitCount, available) == h.height) return std::nullopt;
    return declared + "than its " + std::to_string(fileSize) + " bytes hold";
}

// A file whose first byte is "B" is taken for a BMP; the header decides the rest.
bool IsBmp(std::span<const uint8_t> head) {
    return !head.empty() && head[0] == 'B';
}

DecodeResult DecodeBmp(const InputFile& file, const PixelView& dest) {
    const std::optional<BmpHeader> header = ReadBmpHeader(file);
    const std::optional<BmpLayout> layout = header ? ResolveBmpLayout(file, *header) : std::nullopt;
    if (!layout) return Refusal(std::string(CutShortOrUnsupportedText));
    const BmpLayout& h = *layout;
    // Indices fit a 1-byte destination; true colour has no sensible 8-bit form.
    if (!Writable(dest) || (dest.bytesPerPixel == 1 && h.bitCount > 8))
        return UnusableDestination();
    Palette entries{};
    if (h.bitCount <= 8) entries = ReadBmpPalette(file, h);
    const int64_t copyWidth = std::min<int64_t>(h.width, dest.width);
    RowSink sink{dest, MakeRowFormat(h, entries), std::vector<uint8_t>(copyWidth * 4)};
    const bool runLength = h.compression == Rle8 || h.compression == Rle4;
    DecodeResult result =
        runLength ? LoadRunLengthRows(file, h, sink) : LoadPlainRows(file, h, sink);
    result.wrote = true;
    if (h.bitCount <= 8) {
        result.palette = entries;
        result.paletteEntries = static_cast<int32_t>(PaletteEntries(h.bitCount));
    }
    return result;
}

// The sizes as stored and, for a header the decoder refuses or pixel data too short for the
// declared picture, why; nullopt when the file does not begin with "BM".
std::optional<ProbeResult> ProbeBmp(const InputFile& file) {
    const std::optional<BmpHeader> header = ReadBmpHeader(file);
    if (!header) return std::nullopt;
    ProbeResult probe;
    probe.format = "BMP";
    probe.width = std::max<int64_t>(header->width, 0);
    probe.height = header->height < 0 ? -int64_t{header->height} : header->height;
    // Rows stored top-down are a picture of that many rows all the same; -2^31 has no such count.
    probe.storedWidth = header->width;
    probe.storedHeight =
        header->height == INT32_MIN ? header->height : static_cast<int32_t>(probe.height);
    probe.coversWhole = header->compression != Rle8 && header->compression != Rle4;
    std::optional<std::string> problem = FieldProblem(*header, file.Size());
    if (!problem) {
        const std::optional<BmpLayout> layout = ResolveBmpLayout(file, *header);
        problem = layout ? DataProblem(*layout, probe, file.Size())
                         : std::string(CutShortOrUnsupportedText);
    }
    probe.problem = problem.value_or("");
    return probe;
}

}  // namespace

const Format BmpFormat = {.recognises = IsBmp,
                          .probe = ProbeBmp,
                          .decode = DecodeBmp,
                          .decodeReduced = nullptr,
                          .decodeOwnMemory = nullptr};

}  // namespace picture
