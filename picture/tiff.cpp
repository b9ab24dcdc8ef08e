// TIFF pictures through libtiff, read through its client procedures from the open file (or
// memory): the first image of the file, whatever its layout (strips or tiles, contiguous or
// separate planes), depth (1 to 16 bits), colours (bilevel, grey, palette, RGB, CMYK, YCbCr,
// CIE Lab) and compression, as libtiff's RGBA reader gives it: 16-bit samples become
// (v + 128) / 257, CMYK the naive R = (255 - C) x (255 - K) / 255. Associated alpha is turned into
// straight alpha (c x 255 / a, as Pillow does); unassociated alpha stays as stored.
//
// Before any pixel is decoded, every strip or tile must hold enough bytes for what it decodes to
// (tiff_strips.h). CMYK with alpha and 16-bit associated alpha are read sample by sample
// (tiff_samples.h), as libtiff's RGBA reader would lose the alpha or the colours under it.
//
// libtiff's messages never reach the terminal. Errors in tags that it recovered from while
// opening the file (an Orientation of 9) are passed over, as its own tools pass over them; its
// errors while it reads the pixels, and its warnings then (where they mean damaged data, unlike
// a strip's byte count that exceeds what it needs) refuse the file with the first message.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/checked_math.h"
#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/orientation.h"
#include "picture/tiff_library.h"
#include "picture/tiff_samples.h"
#include "picture/tiff_strips.h"

namespace picture {

namespace {

const std::optional<TiffApi>& Library() {
    return TiffLibrary();
}

const TiffApi& Api() {
    return Tiff();
}

// What libtiff reads through: the file, a position in it, and the first message it gave.
struct Client {
    const InputFile* file = nullptr;
    int64_t position = 0;
    std::string error;
    bool warningsAreErrors = false;
    std::vector<uint8_t> mapped;  // the whole file, where libtiff must read it mapped
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* client = static_cast<Client*>(handle);
    const int64_t got = client->file->ReadAt(client->position, buffer, size);
    if (got < 0) return -1;
    client->position += got;
    return got;
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* client = static_cast<Client*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = client->position;
    if (whence == SEEK_END) base = client->file->Size();
    const int64_t to = base + static_cast<int64_t>(offset);
    if (to < 0) return static_cast<toff_t>(-1);
    client->position = to;
    return static_cast<toff_t>(to);
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<toff_t>(static_cast<Client*>(handle)->file->Size());
}

int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* client = static_cast<Client*>(handle);
    if (client->mapped.empty()) return 0;
    *base = client->mapped.data();
    *size = static_cast<toff_t>(client->mapped.size());
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

void Keep(Client& client, const char* module, const char* format, va_list arguments) {
    if (!client.error.empty()) return;
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    client.error = module && *module ? std::string(module) + ": " + text : std::string(text);
}

// A strip or tile with more bytes than it needs (as tiffcp writes tiles) is no damage, whether
// libtiff calls it an error or a warning: the check before decoding has made sure that none has
// too few.
bool PassedOver(const char* format) {
    return std::string_view(format).find("byte count") != std::string_view::npos;
}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    if (!PassedOver(format)) Keep(*static_cast<Client*>(user), module, format, arguments);
    return 1;  // handled: the process-wide handlers (which print) are not called
}

int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto& client = *static_cast<Client*>(user);
    if (client.warningsAreErrors && !PassedOver(format)) Keep(client, module, format, arguments);
    return 1;
}

struct TiffDeleter {
    void operator()(TIFF* tiff) const { Api().TIFFClose(tiff); }
};
struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { Api().TIFFOpenOptionsFree(options); }
};

// No allocation libtiff makes for a picture within the pixel limit needs more than a strip or
// tile of 16-bit RGBA samples of that many pixels.
tmsize_t AllocationLimit() {
    return static_cast<tmsize_t>(std::min<int64_t>(PixelLimit(), INT32_MAX / 8) * 8 + (16 << 20));
}

// The one reader of a TIFF's header, for the probe and the loader.
class TiffReader {
public:
    explicit TiffReader(const InputFile& file) {
        client_.file = &file;
        if (!Library()) return;
        Open("rm");
        if (!tiff_) return;
        strips_ = CheckStrips(tiff_.get());
        if (strips_.rawTiles && file.Size() <= AllocationLimit()) {
            client_.mapped.resize(static_cast<size_t>(file.Size()));
            if (!file.ReadExactly(0, client_.mapped.data(), file.Size())) client_.mapped.clear();
            if (!client_.mapped.empty()) Open("r");
        }
    }

    // Why its first image cannot be read, if it cannot.
    std::optional<std::string> Problem() {
        if (!Library()) return "libtiff cannot be opened (" TIFF_SONAME ")";
        if (!tiff_) return "a damaged TIFF header (" + Message() + ")";
        if (width_ < 1 || height_ < 1) return "no pixels (" + SizeText(width_, height_) + ")";
        char message[1024] = "";
        if (!Api().TIFFRGBAImageOK(tiff_.get(), message))
            return std::string("a kind of TIFF picture that is not read (") + message + ")";
        if (!strips_.problem.empty()) return strips_.problem;
        return std::nullopt;
    }

    // The picture, and a strip or tile beside it twice over (libtiff's, and one of ours where
    // the samples are read here), and the file where libtiff reads it mapped.
    int64_t DecodeBytes() const {
        const int64_t strips = SaturatingProduct(strips_.largestBytes, 2);
        return SaturatingSum(SaturatingSum(PixelBytes(width_, height_), strips),
                             static_cast<int64_t>(client_.mapped.size()));
    }

    int64_t Width() const { return width_; }
    int64_t Height() const { return height_; }
    int Orientation() const { return orientation_; }
    DecodeResult Decode(const PixelView& whole);

private:
    // Opens the file's first image, `mode` "rm" reading it, "r" reading it from the mapping.
    void Open(const char* mode) {
        tiff_.reset();
        const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(
            Api().TIFFOpenOptionsAlloc());
        if (!options) return;
        Api().TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), AllocationLimit());
        Api().TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &client_);
        Api().TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &client_);
        client_.position = 0;
        tiff_.reset(Api().TIFFClientOpenExt("TIFF", mode, &client_, ReadProc, WriteProc, SeekProc,
                                            CloseProc, SizeProc, MapProc, UnmapProc,
                                            options.get()));
        if (!tiff_) return;
        client_.error.clear();  // what libtiff recovered from while reading the tags
        Api().TIFFGetField(tiff_.get(), TIFFTAG_IMAGEWIDTH, &width_);
        Api().TIFFGetField(tiff_.get(), TIFFTAG_IMAGELENGTH, &height_);
        uint16_t orientation = ORIENTATION_TOPLEFT;
        Api().TIFFGetFieldDefaulted(tiff_.get(), TIFFTAG_ORIENTATION, &orientation);
        orientation_ = AppliedOrientation(orientation);
    }

    std::string Message() const { return client_.error.empty() ? "unreadable" : client_.error; }

    Client client_;
    std::unique_ptr<TIFF, TiffDeleter> tiff_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int orientation_ = Upright;
    StripCheck strips_;
};

// libtiff's raster (red, green, blue, alpha in memory) as 0xAARRGGBB, alpha made straight.
void ToColours(const PixelView& whole, bool premultiplied) {
    for (int64_t y = 0; y < whole.height; ++y) {
        uint32_t* row = whole.Row(y);
        for (int64_t x = 0; x < whole.width; ++x) {
            uint32_t r = TIFFGetR(row[x]), g = TIFFGetG(row[x]), b = TIFFGetB(row[x]);
            const uint32_t a = TIFFGetA(row[x]);
            if (premultiplied && a != 0 && a != 255) {
                r = std::min<uint32_t>(r * 255 / a, 255);
                g = std::min<uint32_t>(g * 255 / a, 255);
                b = std::min<uint32_t>(b * 255 / a, 255);
            }
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

// The pixels as stored, top row first, into `whole` (rows packed, as libtiff writes them).
DecodeResult TiffReader::Decode(const PixelView& whole) {
    TIFF* tiff = tiff_.get();
    if (ReadsOwnSamples(tiff)) {
        client_.warningsAreErrors = true;
        DecodeResult result = DecodeOwnSamples(tiff, whole);
        if (result.status == DecodeStatus::Decoded && !client_.error.empty())
            return Refusal("cut short or damaged inside its pixel data (" + Message() + ")", true);
        if (result.status != DecodeStatus::Decoded && !client_.error.empty())
            result.problem += " (" + Message() + ")";
        return result;
    }
    // Unassociated alpha is declared associated for the reader, which then leaves it alone
    // instead of multiplying the colours by it: the values come as stored.
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    bool premultiplied = false;
    if (Api().TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount >= 1) {
        premultiplied = extra[0] == EXTRASAMPLE_ASSOCALPHA;
        if (extra[0] == EXTRASAMPLE_UNASSALPHA) {
            std::vector<uint16_t> kinds(extra, extra + extraCount);
            kinds[0] = EXTRASAMPLE_ASSOCALPHA;
            Api().TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, extraCount, kinds.data());
        }
    }
    char message[1024] = "";
    TIFFRGBAImage image{};
    if (!Api().TIFFRGBAImageBegin(&image, tiff, 1, message))
        return Refusal(std::string("a kind of TIFF picture that is not read (") + message + ")");
    image.req_orientation = image.orientation;  // no flips: rows as stored
    client_.warningsAreErrors = true;
    const int ok = Api().TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t*>(whole.pixels),
                                          static_cast<uint32_t>(whole.width),
                                          static_cast<uint32_t>(whole.height));
    Api().TIFFRGBAImageEnd(&image);
    if (!ok || !client_.error.empty())
        return Refusal("cut short or damaged inside its pixel data (" + Message() + ")", true);
    ToColours(whole, premultiplied);
    DecodeResult done;
    done.wrote = true;
    return done;
}

bool IsTiff(std::span<const uint8_t> head) {
    static constexpr uint8_t Intel[] = {'I', 'I', 42, 0}, Motorola[] = {'M', 'M', 0, 42};
    static constexpr uint8_t BigIntel[] = {'I', 'I', 43, 0}, BigMotorola[] = {'M', 'M', 0, 43};
    for (const uint8_t* start : {Intel, Motorola, BigIntel, BigMotorola})
        if (head.size() >= 4 && std::equal(start, start + 4, head.begin())) return true;
    return false;
}

std::optional<ProbeResult> ProbeTiff(const InputFile& file) {
    TiffReader reader(file);
    ProbeResult probe;
    probe.format = "TIFF";
    probe.problem = reader.Problem().value_or("");
    SetUprightSize(probe, reader.Width(), reader.Height(), reader.Orientation());
    probe.decodeBytes = reader.DecodeBytes();
    return probe;
}

DecodeResult DecodeTiff(const InputFile& file, const PixelView& view) {
    TiffReader reader(file);
    if (std::optional<std::string> problem = reader.Problem()) return Refusal(*problem);
    return DecodeWhole(
        view, reader.Width(), reader.Height(), reader.Orientation(),
        [&](const PixelView& whole) { return reader.Decode(whole); }, true);
}

}  // namespace

const Format TiffFormat = {.recognises = IsTiff,
                           .probe = ProbeTiff,
                           .decode = DecodeTiff,
                           .decodeReduced = nullptr,
                           .decodeOwnMemory = nullptr};

}  // namespace picture
