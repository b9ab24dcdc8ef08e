#include "picture/orientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"

namespace picture {

namespace {

std::atomic<bool> OrientationApplied = true;

constexpr uint8_t ExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
// More than any EXIF block of a JPEG (one segment) holds; larger blocks elsewhere are not read.
constexpr size_t ExifBytesLimit = 1 << 20;

struct ExifDeleter {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// Where pixel (x, y) of the upright picture lies in the stored one, `width` x `height`.
struct Source {
    int64_t x0, y0;    // of the upright picture's pixel (0, 0)
    int64_t dxX, dxY;  // the step in the stored picture for one pixel to the right
    int64_t dyX, dyY;  // and for one row down
};

Source SourceOf(int orientation, int64_t w, int64_t h) {
    switch (orientation) {
        case 2:
            return {w - 1, 0, -1, 0, 0, 1};
        case 3:
            return {w - 1, h - 1, -1, 0, 0, -1};
        case 4:
            return {0, h - 1, 1, 0, 0, -1};
        case 5:
            return {0, 0, 0, 1, 1, 0};
        case 6:
            return {0, h - 1, 0, -1, 1, 0};
        case 7:
            return {w - 1, h - 1, 0, -1, -1, 0};
        case 8:
            return {w - 1, 0, 0, 1, -1, 0};
        default:
            return {0, 0, 1, 0, 0, 1};
    }
}

// The stored picture `from` turned upright into the overlap of `dest`.
void CopyUpright(const PixelView& from, int orientation, const ColourDestination& dest) {
    const Source s = SourceOf(orientation, from.width, from.height);
    std::vector<uint32_t> row(static_cast<size_t>(dest.CopyWidth()));
    const int64_t step = s.dxY * (from.pitch / 4) + s.dxX;
    const auto* pixels = reinterpret_cast<const uint32_t*>(from.pixels);
    for (int64_t y = 0; y < dest.CopyHeight(); ++y) {
        const uint32_t* p = pixels + (s.y0 + y * s.dyY) * (from.pitch / 4) + s.x0 + y * s.dyX;
        for (int64_t x = 0; x < dest.CopyWidth(); ++x, p += step) row[x] = *p;
        dest.StoreRow(y, row.data());
    }
}

}  // namespace

void SetApplyOrientation(bool apply) {
    OrientationApplied = apply;
}

bool ApplyOrientation() {
    return OrientationApplied;
}

int ExifOrientation(std::span<const uint8_t> exif) {
    if (exif.size() < 8 || exif.size() > ExifBytesLimit) return Upright;
    // libexif takes the block behind its JPEG header.
    std::vector<uint8_t> block;
    if (!std::equal(std::begin(ExifHeader), std::end(ExifHeader), exif.begin()))
        block.assign(std::begin(ExifHeader), std::end(ExifHeader));
    block.insert(block.end(), exif.begin(), exif.end());
    const std::unique_ptr<ExifData, ExifDeleter> data(exif_data_new());
    if (!data) return Upright;
    // Read as it is: no tags added, none corrected, no maker notes interpreted.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), block.data(), static_cast<unsigned int>(block.size()));
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data ||
        entry->size < 2)
        return Upright;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return value >= 1 && value <= 8 ? value : Upright;
}

int AppliedOrientation(int tagged) {
    return ApplyOrientation() && tagged >= 1 && tagged <= 8 ? tagged : Upright;
}

void SetUprightSize(ProbeResult& probe, int64_t width, int64_t height, int orientation) {
    if (SwapsSides(orientation)) std::swap(width, height);
    probe.width = width;
    probe.height = height;
    probe.storedWidth = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
    probe.storedHeight = static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX));
}

DecodeResult DecodeWhole(const PixelView& dest, int64_t width, int64_t height, int orientation,
                         const WholeDecoder& decode, bool packedRows) {
    const bool swaps = SwapsSides(orientation);
    const ColourDestination out(dest, swaps ? height : width, swaps ? width : height);
    if (!out.Usable()) return UnusableDestination();
    int64_t pitch = 0;
    uint8_t* rows = out.WholePicture(pitch);
    if (orientation == Upright && rows && (!packedRows || pitch == width * 4))
        return decode(PixelView{rows, width, height, pitch, 4});
    const Pixels stored = Pixels::Allocate(width, height);
    if (!stored)
        return Refusal("too large for this machine's memory (" + SizeText(width, height) + ")");
    DecodeResult result = decode(stored.View());
    if (result.status != DecodeStatus::Decoded) {
        result.wrote = false;
        return result;
    }
    CopyUpright(stored.View(), orientation, out);
    result.wrote = true;
    return result;
}

}  // namespace picture
