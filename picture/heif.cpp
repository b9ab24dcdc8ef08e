// HEIC and AVIF pictures through libheif (HEVC decoded by libde265, AV1 by dav1d or libaom): the
// primary image with its alpha, its transforms (rotation, mirroring, cropping) applied unless
// orientations are not, samples of more than 8 bits reduced to their high 8 bits. libheif reads
// the file through a reader of ours, so memory input works alike and nothing past the file is
// read; its own limit on picture sides is set from the pixel limit, and its strict decoding makes
// what it would only warn about (damaged data) an error.
#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "picture/destination.h"
#include "picture/formats.h"
#include "picture/orientation.h"
#include "picture/shared_library.h"

namespace picture {

namespace {

// libheif, opened the first time a HEIF file comes (shared_library.h).
#define HEIF_FUNCTIONS(X)                        \
    X(heif_check_filetype)                       \
    X(heif_context_alloc)                        \
    X(heif_context_free)                         \
    X(heif_context_get_primary_image_handle)     \
    X(heif_context_read_from_reader)             \
    X(heif_context_set_maximum_image_size_limit) \
    X(heif_decode_image)                         \
    X(heif_decoding_options_alloc)               \
    X(heif_decoding_options_free)                \
    X(heif_get_file_mime_type)                   \
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

std::string Text(const heif_error& error) {
    return error.message && *error.message ? error.message : "unreadable";
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
        context_.reset(Api().heif_context_alloc());
        if (!context_) {
            problem_ = "libheif cannot be used";
            return;
        }
        const auto sideLimit = static_cast<int>(std::min<int64_t>(PixelLimit(), INT32_MAX));
        Api().heif_context_set_maximum_image_size_limit(context_.get(), sideLimit);
        heif_error error =
            Api().heif_context_read_from_reader(context_.get(), &Reader, &client_, nullptr);
        heif_image_handle* handle = nullptr;
        if (!error.code)
            error = Api().heif_context_get_primary_image_handle(context_.get(), &handle);
        handle_.reset(handle);
        if (error.code) {
            problem_ = "a damaged HEIF file (" + Text(error) + ")";
            return;
        }
        // The stored size is that of the coded image; the upright one, that after its
        // transforms.
        const bool applied = ApplyOrientation();
        width_ = applied ? Api().heif_image_handle_get_width(handle)
                         : Api().heif_image_handle_get_ispe_width(handle);
        height_ = applied ? Api().heif_image_handle_get_height(handle)
                          : Api().heif_image_handle_get_ispe_height(handle);
        if (width_ < 1 || height_ < 1) problem_ = "no pixels (" + SizeText(width_, height_) + ")";
    }

    const std::string& Problem() const { return problem_; }
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
    if (bits < 1 || bits > 16) {
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
    if (error.code) {
        out.result = Refusal("cut short or damaged inside its pixel data (" + Text(error) + ")");
        return out;
    }
    out.plane = Api().heif_image_get_plane(decoded, heif_channel_interleaved, &out.stride);
    if (!out.plane || Api().heif_image_get_width(decoded, heif_channel_interleaved) != width_ ||
        Api().heif_image_get_height(decoded, heif_channel_interleaved) != height_) {
        out.result = Refusal("a HEIF picture whose decoded size differs from its header's");
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

// Every HEIF file starts with its file type box; only such a file opens the library.
bool IsHeif(std::span<const uint8_t> head) {
    return head.size() >= 12 && std::memcmp(head.data() + 4, "ftyp", 4) == 0 && Library() &&
           Api().heif_check_filetype(head.data(), static_cast<int>(head.size())) ==
               heif_filetype_yes_supported;
}

// "HEIC", "AVIF" or "HEIF", from the brands of the file type box.
std::string KindOf(const InputFile& file) {
    uint8_t head[64] = {};
    const int64_t got = std::max<int64_t>(file.ReadAt(0, head, sizeof head), 0);
    const char* type = Api().heif_get_file_mime_type(head, static_cast<int>(got));
    const std::string mime = type ? type : "";
    if (mime == "image/avif" || mime == "image/avif-sequence") return "AVIF";
    if (mime == "image/heic" || mime == "image/heic-sequence") return "HEIC";
    return "HEIF";
}

std::optional<ProbeResult> ProbeHeif(const InputFile& file) {
    const HeifReader reader(file);
    ProbeResult probe;
    probe.format = KindOf(file);
    probe.problem = reader.Problem();
    SetUprightSize(probe, reader.Width(), reader.Height(), Upright);
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
