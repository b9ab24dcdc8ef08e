#include "picture/other_formats.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace picture {

namespace {

struct Signature {
    int64_t offset;
    std::string_view bytes;
    std::string_view name;
};

using namespace std::string_view_literals;

constexpr Signature Signatures[] = {
    {4, "ftypavif"sv, "an AVIF picture"sv},
    {4, "ftypavis"sv, "an AVIF picture"sv},
    {4, "ftypheic"sv, "a HEIC picture"sv},
    {4, "ftypheix"sv, "a HEIC picture"sv},
    {4, "ftypmif1"sv, "a HEIF picture"sv},
    {4, "ftypmsf1"sv, "a HEIF picture"sv},
    {0, "\xFF\x0A"sv, "a JPEG XL picture"sv},
    {4, "JXL \r\n\x87\n"sv, "a JPEG XL picture"sv},
    {4, "jP  \r\n\x87\n"sv, "a JPEG 2000 picture"sv},
    {0, "8BPS"sv, "a PSD file"sv},
    {0, "v/1\1"sv, "an OpenEXR picture"sv},
    {0, "#?RADIANCE"sv, "a Radiance HDR picture"sv},
    {0, "#?RGBE"sv, "a Radiance HDR picture"sv},
    {0, "II\xBC"sv, "a JPEG XR picture"sv},
    {0, "icns"sv, "a macOS icon"sv},
    {0, "FORM"sv, "an IFF picture"sv},
    {0, "AT&TFORM"sv, "a DjVu document"sv},
    {0, "BPG\xFB"sv, "a BPG picture"sv},
    {0, "FUJIFILMCCD-RAW"sv, "a Fujifilm raw photo"sv},
    {0, "\xFF\x4F\xFF\x51"sv, "a JPEG 2000 code stream"sv},
    {0, "%PDF"sv, "a PDF document"sv},
    {0, "%!PS"sv, "a PostScript document"sv},
    {0, "\0\0\1\0"sv, "a Windows icon"sv},
    {0, "\0\0\2\0"sv, "a Windows cursor"sv},
    {0, "qoif"sv, "a QOI picture"sv},
    {0, "gimp xcf"sv, "a GIMP picture"sv},
    {0, "PK\3\4"sv, "a ZIP archive"sv},
    {0, "\x1F\x8B"sv, "a gzip archive"sv},
    {0,
     "\x7F"
     "ELF"sv,
     "a program"sv},
};

bool Matches(std::span<const uint8_t> head, const Signature& s) {
    if (s.offset + static_cast<int64_t>(s.bytes.size()) > static_cast<int64_t>(head.size()))
        return false;
    return std::equal(s.bytes.begin(), s.bytes.end(), head.begin() + s.offset,
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

// HEIF files that libheif does not take as pictures (image sequences without a still image, other
// brands), and WebP or TIFF files are read by their own units; these come here only when those
// refuse them as no such picture.
// Pictures written as text: SVG drawings and the portable any-map family.
std::string TextKind(std::span<const uint8_t> head) {
    std::string text(head.begin(), head.end());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t start = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (start == std::string::npos) return {};
    text.erase(0, start);
    if (text.starts_with("<svg") || text.starts_with("<?xml")) return "an SVG drawing or other XML";
    if (text.size() >= 3 && text[0] == 'p' && text[1] >= '1' && text[1] <= '6' &&
        std::isspace(static_cast<unsigned char>(text[2])))
        return "a PBM, PGM or PPM picture";
    return {};
}

}  // namespace

std::string OtherFormatName(std::span<const uint8_t> head) {
    for (const Signature& s : Signatures)
        if (Matches(head, s)) return std::string(s.name);
    return TextKind(head);
}

}  // namespace picture
