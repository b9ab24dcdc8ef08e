#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"

namespace picture {

namespace {

// The rows of an interlaced image come in four passes: every eighth from row 0, every eighth
// from row 4, every fourth from row 2, every second from row 1.
constexpr std::array<int64_t, 4> PassFirstRow = {0, 4, 2, 1};
constexpr std::array<int64_t, 4> PassRowStep = {8, 8, 4, 2};

constexpr uint32_t Opaque = 0xFF000000u;

struct GifDeleter {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

// The file as giflib reads it, and how far it has read.
struct CountedStream {
    FileStream stream;
    int64_t consumed = 0;
};

int ReadFromStream(GifFileType* gif, GifByteType* out, int count) {
    auto* counted = static_cast<CountedStream*>(gif->UserData);
    const int64_t got = counted->stream.Read(out, count);
    counted->consumed += std::max<int64_t>(got, 0);
    return got < 0 ? 0 : static_cast<int>(got);
}

// giflib decodes LZW codes that start at most this wide.
constexpr int LargestCodeSize = 8;

// The one reader of a GIF's headers, for the probe and the loader: the logical screen, then the
// records up to the first image's descriptor, keeping the transparent index that the graphic
// control extension before it gives. Afterwards giflib goes on to that image's pixels.
class GifReader {
public:
    explicit GifReader(const InputFile& file) : stream_{FileStream(file)}, file_(file) {
        int error = 0;
        gif_.reset(DGifOpen(&stream_, ReadFromStream, &error));
        foundImage_ = gif_ && ReadToFirstImage();
    }
    bool HasScreen() const { return gif_ != nullptr; }
    const GifFileType& Gif() const { return *gif_; }
    GifFileType* Handle() const { return gif_.get(); }
    const GifImageDesc& Image() const { return gif_->Image; }
    int Transparent() const { return transparent_; }
    // Why the first image cannot be shown on the screen, if it cannot.
    std::optional<std::string> Problem() const;

private:
    bool ReadToFirstImage();
    bool ReadExtension();

    CountedStream stream_;
    const InputFile& file_;
    int codeSize_ = 0;  // of the first image, when giflib refused it for that
    std::unique_ptr<GifFileType, GifDeleter> gif_;
    int transparent_ = NO_TRANSPARENT_COLOR;
    bool foundImage_ = false;
};

bool GifReader::ReadExtension() {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif_.get(), &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent_ = control.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif_.get(), &block) == GIF_ERROR) return false;
    return true;
}

bool GifReader::ReadToFirstImage() {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif_.get(), &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif_.get()) == GIF_OK) return true;
            // The descriptor read, giflib's last byte is the pixel data's LZW code size.
            uint8_t size = 0;
            if (gif_->Image.Width > 0 && file_.ReadExactly(stream_.consumed - 1, &size, 1) &&
                size > LargestCodeSize)
                codeSize_ = size;
            return false;
        }
        if (type != EXTENSION_RECORD_TYPE || !ReadExtension()) return false;
    }
}

std::optional<std::string> GifReader::Problem() const {
    if (!gif_) return "a damaged GIF header";
    const GifFileType& g = *gif_;
    if (g.SWidth < 1 || g.SHeight < 1) return "no pixels (" + SizeText(g.SWidth, g.SHeight) + ")";
    if (codeSize_ > 0)
        return "a GIF whose first image has an LZW code size of " + std::to_string(codeSize_) +
               ", which giflib does not decode (at most " + std::to_string(LargestCodeSize) + ")";
    if (!foundImage_) return "no image in it, or cut short before its first image";
    const GifImageDesc& i = g.Image;
    if (i.Width < 1 || i.Height < 1) return "an empty first image";
    if (i.Left < 0 || i.Top < 0 || int64_t{i.Left} + i.Width > g.SWidth ||
        int64_t{i.Top} + i.Height > g.SHeight)
        return "its first image (" + SizeText(i.Width, i.Height) + " at " + std::to_string(i.Left) +
               ", " + std::to_string(i.Top) + ") lies outside its " +
               SizeText(g.SWidth, g.SHeight) + " screen";
    if (!i.ColorMap && !g.SColorMap) return "no colour table";
    // A code of the image data stands for at most 4096 pixels and takes at least 3 bits.
    const int64_t pixels = int64_t{i.Width} * i.Height;
    if (file_.Size() < (pixels + 4095) / 4096 * 3 / 8)
        return "declares " + SizeText(i.Width, i.Height) + " pixels, more than its " +
               std::to_string(file_.Size()) + " bytes can hold";
    return std::nullopt;
}

// Index to 0xAARRGGBB: the image's own table or else the file's; the transparent index keeps its
// colour with alpha 0. Indices past the table are opaque black.
std::array<uint32_t, 256> Colours(const GifReader& reader) {
    const ColorMapObject* map =
        reader.Image().ColorMap ? reader.Image().ColorMap : reader.Gif().SColorMap;
    std::array<uint32_t, 256> colours;
    colours.fill(Opaque);
    for (int i = 0; i < map->ColorCount && i < 256; ++i) {
        const GifColorType& c = map->Colors[i];
        colours[i] = Opaque | (c.Red << 16) | (c.Green << 8) | c.Blue;
    }
    const int transparent = reader.Transparent();
    if (transparent >= 0 && transparent < 256) colours[transparent] &= 0x00FFFFFF;
    return colours;
}

// The image's rows into their places on the screen, in the order the file holds them. Pixels of
// the screen outside the image keep the destination's values.
bool DecodeImage(const GifReader& reader, const ColourDestination& dest) {
    const GifImageDesc& image = reader.Image();
    const std::array<uint32_t, 256> colours = Colours(reader);
    std::vector<GifPixelType> indices(static_cast<size_t>(image.Width));
    std::vector<uint32_t> row(static_cast<size_t>(image.Left + image.Width));
    const int64_t passes = image.Interlace ? 4 : 1;
    for (int64_t pass = 0; pass < passes; ++pass) {
        const int64_t first = image.Interlace ? PassFirstRow[pass] : 0;
        const int64_t step = image.Interlace ? PassRowStep[pass] : 1;
        for (int64_t r = first; r < image.Height; r += step) {
            if (DGifGetLine(reader.Handle(), indices.data(), image.Width) == GIF_ERROR)
                return false;
            const int64_t y = image.Top + r;
            if (y >= dest.CopyHeight()) continue;
            for (int64_t x = 0; x < image.Width; ++x) row[image.Left + x] = colours[indices[x]];
            dest.StoreEvery(y, row.data(), image.Left, image.Left + image.Width, 1);
        }
    }
    return true;
}

bool IsGif(std::span<const uint8_t> head) {
    const std::string_view start(reinterpret_cast<const char*>(head.data()),
                                 std::min<size_t>(head.size(), 6));
    return start == "GIF87a" || start == "GIF89a";
}

std::optional<ProbeResult> ProbeGif(const InputFile& file) {
    const GifReader reader(file);
    ProbeResult probe;
    probe.format = "GIF";
    if (reader.HasScreen()) {
        const GifFileType& g = reader.Gif();
        probe.storedWidth = g.SWidth;
        probe.storedHeight = g.SHeight;
        probe.width = g.SWidth;
        probe.height = g.SHeight;
        const GifImageDesc& i = g.Image;
        probe.coversWhole =
            i.Left == 0 && i.Top == 0 && i.Width == g.SWidth && i.Height == g.SHeight;
    }
    probe.problem = reader.Problem().value_or("");
    return probe;
}

DecodeResult DecodeGif(const InputFile& file, const PixelView& view) {
    const GifReader reader(file);
    if (std::optional<std::string> problem = reader.Problem()) return Refusal(*problem);
    const ColourDestination dest(view, reader.Gif().SWidth, reader.Gif().SHeight);
    if (!dest.Usable()) return UnusableDestination();
    if (!DecodeImage(reader, dest))
        return Refusal("cut short or damaged inside its pixel data", true);
    DecodeResult done;
    done.wrote = true;
    return done;
}

}  // namespace

const Format GifFormat = {.recognises = IsGif,
                          .probe = ProbeGif,
                          .decode = DecodeGif,
                          .decodeReduced = nullptr,
                          .decodeOwnMemory = nullptr};

}  // namespace picture
