// HEIC and AVIF pictures through libheif (HEVC decoded by libde265, AV1 by dav1d or libaom): the
// primary image with its alpha, its transforms (rotation, mirroring, cropping) applied unless
// orientations are not, samples of more than 8 bits reduced to their high 8 bits. libheif reads
// the file through a reader of ours, so memory input works alike and nothing past the file is
// read. Before libheif sees a file, its boxes are read here (heif_layout.h): the size the decode
// will give, grids and their tiles, crops; libheif's own limit on sides is set to what that file
// needs, and its strict decoding makes what it would only warn about (damaged data) an error.
#include <libheif/heif.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/heif_layout.h"
#include "picture/orientation.h"
#include "picture/shared_library.h"

namespace picture {

namespace {

// libheif, opened the first time a HEIF file comes (shared_library.h).
#define HEIF_FUNCTIONS(X)                        \
    X(heif_context_alloc)                        \
    X(heif_context_free)                         \
    X(heif_context_get_primary_image_handle)     \
    X(heif_context_read_from_reader)             \
    X(heif_context_set_maximum_image_size_limit) \
    X(heif_decode_image)                         \
    X(heif_decoding_options_alloc)               \
    X(heif_decoding_options_free)                \
    X(heif_get_version)                          \
    X(heif_image_get_bits_per_pixel_range)       \
    X(heif_image_get_height)                     \
    X(heif_image_get_plane)                      \
    X(heif_image_get_width)                      \
    X(heif_image_handle_get_height)              \
    X(heif_image_handle_get_ispe_height)         \
    X(heif_image_handle_get_ispe_width)          \
    X(heif_image_handle_get_luma_bits_per_pixel) \
    X(heif_image_handle_get_width)               \
    X(heif_image_handle_is_premultiplied_alpha)  \
    X(heif_image_handle_release)                 \
    X(heif_image_release)                        \
    X(heif_init)

struct HeifApi {
    HEIF_FUNCTIONS(DECLARE_LIBRARY_FUNCTION)
};

const std::optional<HeifApi>& Library() {
    static const std::optional<HeifApi> api =
        OpenLibrary<HeifApi>(HEIF_SONAME, [](void* library, HeifApi& api) {
            bool complete = true;
            HEIF_FUNCTIONS(BIND_LIBRARY_FUNCTION)
            if (complete) api.heif_init(nullptr);
            return complete;
        });
    return api;
}

// Called only once Library() has been found: every reader checks it first.
const HeifApi& Api() {
    return *Library();
}

struct Client {
    const InputFile* file = nullptr;
    int64_t position = 0;
};

int64_t Position(void* user) {
    return static_cast<Client*>(user)->position;
}

int Read(void* data, size_t size, void* user) {
    auto* client = static_cast<Client*>(user);
    if (!client->file->ReadExactly(client->position, data, static_cast<int64_t>(size))) return -1;
    client->position += static_cast<int64_t>(size);
    return 0;
}

int Seek(int64_t position, void* user) {
    auto* client = static_cast<Client*>(user);
    if (position < 0 || position > client->file->Size()) return -1;
    client->position = position;
    return 0;
}

heif_reader_grow_status WaitForSize(int64_t size, void* user) {
    return size > static_cast<Client*>(user)->file->Size() ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
}

constexpr heif_reader Reader = {.reader_api_version = 1,
                                .get_position = Position,
                                .read = Read,
                                .seek = Seek,
                                .wait_for_file_size = WaitForSize};

struct ContextDeleter {
    void operator()(heif_context* context) const { Api().heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { Api().heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { Api().heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const {
        Api().heif_decoding_options_free(options);
    }
};

// libheif's message, without the line ends (real, or written out as \n) some of its texts
// carry.
std::string Text(const heif_error& error) {
    std::string text = error.message && *error.message ? error.message : "unreadable";
    for (;;) {
        if (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
            text.pop_back();
        } else if (text.ends_with("\\n")) {
            text.resize(text.size() - 2);
        } else {
            return text;
        }
    }
}

// libheif's side limit, which refuses a side as long as itself: one more than the longest side
// this file's decode reads, never more than the pixel limit allows.
int SideLimit(const HeifLayout& layout) {
    const int64_t longest = std::max({layout.longestSide, layout.width, layout.height}) + 1;
    return static_cast<int>(
        std::clamp<int64_t>(longest, 1, std::min<int64_t>(PixelLimit(), INT32_MAX)));
}

std::string ReadProblem(const heif_error& error, const HeifLayout& layout) {
    if (error.code == heif_error_Unsupported_filetype ||
        error.code == heif_error_Unsupported_feature)
        return "a HEIF file of brand '" + layout.majorBrand + "' that libheif " +
               Api().heif_get_version() + " does not read (" + Text(error) + ")";
    return "a damaged HEIF file (" + Text(error) + ")";
}

// The one reader of a HEIF file's header, for the probe and the loader.
class HeifReader {
public:
    explicit HeifReader(const InputFile& file) {
        client_.file = &file;
        if (!Library()) {
            problem_ = "libheif cannot be opened (" HEIF_SONAME ")";
            return;
        }
        layout_ = ReadHeifLayout(file, ApplyOrientation());
        width_ = layout_.width;
        height_ = layout_.height;
        // Over the pixel limit or larger than any picture: the probe's sizes say so, and libheif
        // never reads it.
        problem_ = layout_.problem;
        if (!problem_.empty() || OverPixelLimit(width_, height_) ||
            PixelBytes(width_, height_) > MaxPictureBytes)
            return;
        context_.reset(Api().heif_context_alloc());
        if (!context_) {
            problem_ = "libheif cannot be used";
            return;
        }
        Api().heif_context_set_maximum_image_size_limit(context_.get(), SideLimit(layout_));
        heif_error error =
            Api().heif_context_read_from_reader(context_.get(), &Reader, &client_, nullptr);
        heif_image_handle* handle = nullptr;
        if (!error.code)
            error = Api().heif_context_get_primary_image_handle(context_.get(), &handle);
        handle_.reset(handle);
        if (error.code) problem_ = ReadProblem(error, layout_);
    }

    const std::string& Problem() const { return problem_; }
    const HeifLayout& Layout() const { return layout_; }
    // What a decode holds for each pixel: libheif's planes (at most three full ones and alpha)
    // and its interleaved picture, which a load adopts; for deeper samples, of two bytes each,
    // and the 8-bit copy besides.
    int64_t BytesPerPixelHeld() const {
        const bool deep =
            handle_ && Api().heif_image_handle_get_luma_bits_per_pixel(handle_.get()) > 8;
        return deep ? 8 + 8 + 4 : 4 + 4;
    }
    int64_t Width() const { return width_; }
    int64_t Height() const { return height_; }
    DecodeResult Decode(const PixelView& whole) const;
    // The whole picture in libheif's own memory where it can be, for a load.
    DecodeResult DecodeOwn(Pixels& pixels) const;

private:
    struct Decoded {
        std::unique_ptr<heif_image, ImageDeleter> image;
        uint8_t* plane = nullptr;
        int stride = 0;
        int bits = 8;  // of each sample in the plane
        bool premultiplied = false;
        DecodeResult result;
    };
    Decoded DecodeImage() const;

    Client client_;
    HeifLayout layout_;
    std::unique_ptr<heif_context, ContextDeleter> context_;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle_;
    std::string problem_;
    int64_t width_ = 0;
    int64_t height_ = 0;
};

// Interleaved RGBA of 8 bits, or of 16-bit little-endian samples of `bits` bits, as 0xAARRGGBB.
void CopyRows(const uint8_t* plane, int64_t stride, int bits, bool premultiplied,
              const PixelView& whole) {
    for (int64_t y = 0; y < whole.height; ++y) {
        const uint8_t* from = plane + y * stride;
        uint32_t* to = whole.Row(y);
        for (int64_t x = 0; x < whole.width; ++x) {
            uint32_t c[4];
            for (int i = 0; i < 4; ++i)
                c[i] =
                    bits <= 8
                        ? from[x * 4 + i]
                        : ((from[x * 8 + i * 2] | (from[x * 8 + i * 2 + 1] << 8)) >> (bits - 8)) &
                              0xFF;
            if (premultiplied && c[3] != 0 && c[3] != 255)
                for (int i = 0; i < 3; ++i) c[i] = std::min<uint32_t>(c[i] * 255 / c[3], 255);
            to[x] = (c[3] << 24) | (c[0] << 16) | (c[1] << 8) | c[2];
        }
    }
}

HeifReader::Decoded HeifReader::DecodeImage() const {
    Decoded out;
    heif_image_handle* handle = handle_.get();
    const int bits = Api().heif_image_handle_get_luma_bits_per_pixel(handle);
    if (bits < 1) {
        out.result = Refusal("a HEIF picture whose coded image gives no sample depth (no " +
                             std::string(layout_.primaryKind == "av01" ? "av1C" : "decoder") +
                             " configuration)");
        return out;
    }
    if (bits > 16) {
        out.result =
            Refusal("a HEIF picture of " + std::to_string(bits) + "-bit samples, not supported");
        return out;
    }
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(
        Api().heif_decoding_options_alloc());
    if (!options) {
        out.result = Refusal("libheif cannot be used");
        return out;
    }
    options->ignore_transformations = ApplyOrientation() ? 0 : 1;
    options->strict_decoding = 1;
    heif_image* decoded = nullptr;
    const heif_chroma chroma =
        bits <= 8 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RRGGBBAA_LE;
    const heif_error error =
        Api().heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, options.get());
    out.image.reset(decoded);
    if (error.code == heif_error_Unsupported_feature ||
        error.code == heif_error_Unsupported_filetype) {
        out.result =
            Refusal("a kind of HEIF picture that libheif does not decode (" + Text(error) + ")");
        return out;
    }
    if (error.code == heif_error_Memory_allocation_error) {
        out.result = Refusal("a HEIF picture whose coded image is larger than the " +
                             SizeText(layout_.storedWidth, layout_.storedHeight) +
                             " its boxes give (" + Text(error) + ")");
        return out;
    }
    if (error.code) {
        out.result = Refusal("cut short or damaged inside its pixel data (" + Text(error) + ")");
        return out;
    }
    out.plane = Api().heif_image_get_plane(decoded, heif_channel_interleaved, &out.stride);
    const int width = Api().heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = Api().heif_image_get_height(decoded, heif_channel_interleaved);
    if (!out.plane || width != width_ || height != height_) {
        out.result = Refusal("a HEIF picture whose boxes give " + SizeText(width_, height_) +
                             " pixels but whose coded image decodes to " + SizeText(width, height));
        return out;
    }
    out.bits = bits <= 8
                   ? 8
                   : Api().heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
    out.premultiplied = Api().heif_image_handle_is_premultiplied_alpha(handle) != 0;
    return out;
}

DecodeResult HeifReader::Decode(const PixelView& whole) const {
    const Decoded decoded = DecodeImage();
    if (decoded.result.status != DecodeStatus::Decoded) return decoded.result;
    CopyRows(decoded.plane, decoded.stride, decoded.bits, decoded.premultiplied, whole);
    DecodeResult done;
    done.wrote = true;
    return done;
}

void ReleaseImage(void* image) {
    Api().heif_image_release(static_cast<heif_image*>(image));
}

// 8-bit samples become 0xAARRGGBB where libheif put them (each pixel is read before its place is
// written, and rows only move towards the start), and that memory is adopted.
DecodeResult HeifReader::DecodeOwn(Pixels& pixels) const {
    Decoded decoded = DecodeImage();
    if (decoded.result.status != DecodeStatus::Decoded) return decoded.result;
    if (decoded.bits == 8) {
        const PixelView packed{decoded.plane, width_, height_, width_ * 4, 4};
        CopyRows(decoded.plane, decoded.stride, 8, decoded.premultiplied, packed);
        pixels =
            Pixels::Adopt(decoded.plane, width_, height_, ReleaseImage, decoded.image.release());
        return decoded.result;
    }
    pixels = Pixels::Allocate(width_, height_);
    if (!pixels) return Refusal("too large for this machine's memory");
    CopyRows(decoded.plane, decoded.stride, decoded.bits, decoded.premultiplied, pixels.View());
    return decoded.result;
}

// Every HEIF file starts with its file type box, naming a HEIF brand among its own (a main
// brand of 'mif1' with 'heic' among the others, as much as 'heic' itself); only such a file
// opens the library.
bool IsHeif(std::span<const uint8_t> head) {
    return HasHeifBrand(head) && Library();
}

// "HEIC", "AVIF" or "HEIF", from the brands of the file type box: its main brand where that
// tells, else the first compatible one that does ('mif1' files list 'heic' or 'avif').
std::string KindOf(const HeifLayout& layout) {
    std::vector<std::string> brands = {layout.majorBrand};
    brands.insert(brands.end(), layout.brands.begin(), layout.brands.end());
    for (const std::string& brand : brands) {
        if (brand == "avif" || brand == "avis") return "AVIF";
        if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis") return "HEIC";
    }
    return "HEIF";
}

std::optional<ProbeResult> ProbeHeif(const InputFile& file) {
    const HeifReader reader(file);
    ProbeResult probe;
    probe.format = KindOf(reader.Layout());
    probe.problem = reader.Problem();
    SetUprightSize(probe, reader.Width(), reader.Height(), Upright);
    probe.decodeBytes = PixelBytes(reader.Width(), reader.Height(), reader.BytesPerPixelHeld());
    return probe;
}

DecodeResult DecodeHeif(const InputFile& file, const PixelView& view) {
    const HeifReader reader(file);
    if (!reader.Problem().empty()) return Refusal(reader.Problem());
    return DecodeWhole(view, reader.Width(), reader.Height(), Upright,
                       [&](const PixelView& whole) { return reader.Decode(whole); });
}

DecodeResult DecodeHeifOwnMemory(const InputFile& file, Pixels& pixels) {
    const HeifReader reader(file);
    if (!reader.Problem().empty()) return Refusal(reader.Problem());
    return reader.DecodeOwn(pixels);
}

}  // namespace

const Format HeifFormat = {.recognises = IsHeif,
                           .probe = ProbeHeif,
                           .decode = DecodeHeif,
                           .decodeReduced = nullptr,
                           .decodeOwnMemory = DecodeHeifOwnMemory};

}  // namespace picture
