// What a HEIF file's boxes make of its primary image, as libheif decodes it.
#include "picture/heif_layout.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>

#include "picture/formats.h"
#include "picture/heif_boxes.h"

namespace picture {

namespace {

using heif::Box;
using heif::Fields;
using heif::Meta;

// A meta box larger than this is no picture's: 10,000 items take 450 KB.
constexpr int64_t MetaBytesLimit = 16 << 20;
constexpr int TopLevelBoxesLimit = 1000;

// A four-character code as a message may show it: bytes outside ASCII's printable ones as "?".
std::string Printable(const std::string& kind) {
    std::string printable;
    for (const char c : kind) printable += c >= 0x20 && c < 0x7F ? c : '?';
    return printable;
}

std::string Quoted(const std::string& kind) {
    return "'" + Printable(kind) + "'";
}

// A clean aperture's side n / d, rounded as libheif rounds it: (n + d / 2) / d.
int64_t RoundedSide(int64_t n, int64_t d) {
    return (n + d / 2) / d;
}

struct Size {
    int64_t width = 0;
    int64_t height = 0;
};

// The first and last pixel a crop keeps of one side of the picture, as libheif 1.15 crops: the
// aperture of n / d pixels centred offsetN / offsetD from the centre, whose first pixel is
// offset + centre - (n / d - 1) / 2 cut towards zero, where the centre is (side - 1) / 2 across
// and side / 2 down; then cut to the picture.
std::optional<std::pair<int64_t, int64_t>> CropSide(int64_t side, bool across, int64_t n, int64_t d,
                                                    int64_t offsetN, int64_t offsetD) {
    const int64_t centreTwice = across ? side - 1 : side;
    const __int128 denominator = __int128{2} * d * offsetD;
    const __int128 numerator =
        __int128{2} * offsetN * d + __int128{centreTwice} * d * offsetD - __int128{n - d} * offsetD;
    const auto first = static_cast<int64_t>(numerator / denominator);
    const int64_t last = first + RoundedSide(n, d) - 1;
    const int64_t from = std::max<int64_t>(first, 0), to = std::min(last, side - 1);
    if (to < from) return std::nullopt;
    return std::pair{from, to};
}

// The size a clean aperture leaves, or why it leaves none.
std::string Crop(const Box& clap, Size& size) {
    Fields f(clap.payload);
    int64_t v[8];
    for (int64_t& value : v) value = static_cast<int64_t>(f.Read(4));
    if (f.Damaged()) return "a crop (clap) box cut short";
    for (const int i : {4, 6}) v[i] = static_cast<int32_t>(v[i]);  // the offsets are signed
    for (const int i : {1, 3, 5, 7})
        if (v[i] == 0 || v[i] > INT32_MAX)
            return "a crop (clap) with a denominator of " + std::to_string(v[i]);
    for (const int i : {0, 2})
        if (v[i] > INT32_MAX)
            return "a crop (clap) of side " + std::to_string(v[i]) + "/" + std::to_string(v[i + 1]);
    const auto across = CropSide(size.width, true, v[0], v[1], v[4], v[5]);
    const auto down = CropSide(size.height, false, v[2], v[3], v[6], v[7]);
    const int64_t width = RoundedSide(v[0], v[1]), height = RoundedSide(v[2], v[3]);
    if (width < 1 || height < 1 || !across || !down)
        return "a crop (clap) of " + SizeText(width, height) + " that leaves nothing of its " +
               SizeText(size.width, size.height) + " picture";
    size = {across->second - across->first + 1, down->second - down->first + 1};
    return {};
}

// The item's crop, turns and mirrors, in the order it lists them.
std::string Transform(const Meta& meta, uint32_t item, Size& size) {
    for (const Box* p : heif::PropertiesOf(meta, item)) {
        if (p->kind == "clap") {
            if (std::string problem = Crop(*p, size); !problem.empty()) return problem;
        } else if (p->kind == "irot" && !p->payload.empty() && (p->payload[0] & 1)) {
            std::swap(size.width, size.height);
        }
    }
    return {};
}

// An item's bytes, at most `limit` of them, from the file or the idat box.
std::vector<uint8_t> ItemData(const InputFile& file, const Meta& meta, uint32_t item,
                              size_t limit) {
    const auto it = meta.locations.find(item);
    if (it == meta.locations.end()) return {};
    const heif::Location& l = it->second;
    const uint64_t length = std::min<uint64_t>(l.length == 0 ? limit : l.length, limit);
    if (l.method == 1) {
        if (l.offset > meta.idat.size()) return {};
        const auto part = meta.idat.subspan(l.offset);
        return {part.begin(), part.begin() + std::min<size_t>(part.size(), length)};
    }
    if (l.method != 0 || l.offset > INT64_MAX) return {};
    std::vector<uint8_t> bytes(length);
    const int64_t got =
        file.ReadAt(static_cast<int64_t>(l.offset), bytes.data(), static_cast<int64_t>(length));
    bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    return bytes;
}

// A grid's or an overlay's output size, and a grid's rows and columns.
struct Derived {
    int64_t rows = 1, columns = 1;
    Size size;
    bool read = false;
};

Derived ReadDerived(const std::vector<uint8_t>& data, bool grid) {
    Fields f(data);
    Derived d;
    f.Read(1);
    const bool wide = f.Read(1) & 1;
    if (grid) {
        d.rows = static_cast<int64_t>(f.Read(1)) + 1;
        d.columns = static_cast<int64_t>(f.Read(1)) + 1;
    } else {
        f.Read(8);  // the fill colour
    }
    d.size.width = static_cast<int64_t>(f.Read(wide ? 4 : 2));
    d.size.height = static_cast<int64_t>(f.Read(wide ? 4 : 2));
    d.read = !f.Damaged();
    return d;
}

std::string GridProblem(const Derived& grid, int64_t tiles, Size tile) {
    const std::string size = SizeText(grid.size.width, grid.size.height);
    if (tiles > MaxGridTiles)
        return "a grid of " + std::to_string(tiles) + " tiles, more than the " +
               std::to_string(MaxGridTiles) + " this program reads";
    if (tiles < grid.rows * grid.columns)
        return "a grid of " + std::to_string(grid.rows) + " x " + std::to_string(grid.columns) +
               " tiles that holds " + std::to_string(tiles);
    if (tile.width < 1 || tile.height < 1)
        return "a grid whose tiles have no size (" + SizeText(tile.width, tile.height) + ")";
    if (grid.columns * tile.width < grid.size.width || grid.rows * tile.height < grid.size.height)
        return "a " + size + " grid of " + std::to_string(grid.rows) + " x " +
               std::to_string(grid.columns) + " tiles of " + SizeText(tile.width, tile.height) +
               ", which cannot cover it";
    return {};
}

// The primary item as coded: its own size, or that of the grid or overlay it is made of.
std::string StoredSize(const InputFile& file, const Meta& meta, HeifLayout& layout) {
    const uint32_t item = meta.primary;
    const auto extent = heif::SpatialExtent(meta, item);
    const std::string& kind = layout.primaryKind;
    const std::vector<uint32_t> sources =
        meta.derivedFrom.count(item) ? meta.derivedFrom.at(item) : std::vector<uint32_t>{};
    if (kind == "grid" || kind == "iovl") {
        const Derived d = ReadDerived(ItemData(file, meta, item, 64), kind == "grid");
        if (!d.read) return "a " + Quoted(kind) + " image whose description is cut short";
        layout.tiles = static_cast<int64_t>(sources.size());
        const auto first = sources.empty() ? std::nullopt : heif::SpatialExtent(meta, sources[0]);
        layout.tileWidth = first ? first->first : 0;
        layout.tileHeight = first ? first->second : 0;
        layout.storedWidth = d.size.width;
        layout.storedHeight = d.size.height;
        if (kind == "iovl" && layout.tiles > MaxGridTiles)
            return "an overlay of " + std::to_string(layout.tiles) + " images, more than the " +
                   std::to_string(MaxGridTiles) + " this program reads";
        return kind == "grid" ? GridProblem(d, layout.tiles, {layout.tileWidth, layout.tileHeight})
                              : std::string();
    }
    if (kind == "iden" && !extent && sources.size() == 1) {
        const auto source = heif::SpatialExtent(meta, sources[0]);
        if (source) layout.storedWidth = source->first, layout.storedHeight = source->second;
        return source ? std::string() : "its primary image has no size (no ispe)";
    }
    if (!extent) return "its primary image has no size (no ispe)";
    layout.storedWidth = extent->first;
    layout.storedHeight = extent->second;
    return {};
}

constexpr std::array<std::string_view, 6> DecodedKinds = {"hvc1", "av01", "grid",
                                                          "iden", "iovl", "jpeg"};

std::string PrimaryProblem(const InputFile& file, const Meta& meta, bool apply,
                           HeifLayout& layout) {
    if (meta.primary == 0 || !meta.kinds.count(meta.primary))
        return "no primary image (a damaged 'meta' box)";
    layout.primaryKind = meta.kinds.at(meta.primary);
    if (std::find(DecodedKinds.begin(), DecodedKinds.end(), layout.primaryKind) ==
        DecodedKinds.end())
        return "a HEIF picture coded as " + Quoted(layout.primaryKind) +
               ", which this program does not read";
    if (std::string problem = StoredSize(file, meta, layout); !problem.empty()) return problem;
    Size size{layout.storedWidth, layout.storedHeight};
    if (size.width < 1 || size.height < 1)
        return "no pixels (" + SizeText(size.width, size.height) + ")";
    if (apply)
        if (std::string problem = Transform(meta, meta.primary, size); !problem.empty())
            return problem;
    layout.width = size.width;
    layout.height = size.height;
    layout.longestSide =
        std::max({layout.storedWidth, layout.storedHeight, layout.tileWidth, layout.tileHeight});
    return {};
}

constexpr std::array<std::string_view, 11> HeifBrands = {
    "mif1", "msf1", "mif2", "mif3", "heic", "heix", "heim", "heis", "avif", "avis", "miaf"};

bool IsHeifBrand(std::string_view brand) {
    return std::find(HeifBrands.begin(), HeifBrands.end(), brand) != HeifBrands.end();
}

// The file type box at the start: its major brand and compatible ones.
bool ReadBrands(std::span<const uint8_t> ftyp, HeifLayout& layout) {
    Fields f(ftyp);
    layout.majorBrand = Printable(f.Kind());
    f.Read(4);
    while (f.Left() >= 4) layout.brands.push_back(f.Kind());
    return !layout.majorBrand.empty();
}

}  // namespace

bool HasHeifBrand(std::span<const uint8_t> head) {
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return false;
    const size_t end = std::min<size_t>(head.size(), Fields(head).Read(4));
    for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4)
        if (IsHeifBrand({reinterpret_cast<const char*>(head.data() + at), 4})) return true;
    return false;
}

HeifLayout ReadHeifLayout(const InputFile& file, bool applyTransforms) {
    HeifLayout layout;
    int64_t at = 0;
    for (int count = 0; count < TopLevelBoxesLimit && at + 8 <= file.Size(); ++count) {
        std::array<uint8_t, 16> header{};
        if (!file.ReadExactly(at, header.data(), std::min<int64_t>(16, file.Size() - at))) break;
        Fields f(header);
        uint64_t size = f.Read(4);
        const std::string kind = f.Kind();
        int64_t headerBytes = 8;
        if (size == 1) size = f.Read(8), headerBytes = 16;
        if (size == 0) size = static_cast<uint64_t>(file.Size() - at);
        if (size < static_cast<uint64_t>(headerBytes)) break;
        if (size > static_cast<uint64_t>(file.Size() - at)) {
            layout.problem = "a damaged HEIF file (its " + Quoted(kind) + " box at " +
                             std::to_string(at) + " of " + std::to_string(size) +
                             " bytes runs past its end at " + std::to_string(file.Size()) + ")";
            return layout;
        }
        const int64_t payload = static_cast<int64_t>(size) - headerBytes;
        if (kind == "ftyp" || kind == "meta") {
            if (payload > MetaBytesLimit) {
                layout.problem = "a '" + kind + "' box of " + std::to_string(payload) +
                                 " bytes, more than any picture's";
                return layout;
            }
            std::vector<uint8_t> bytes(static_cast<size_t>(payload));
            if (!file.ReadExactly(at + headerBytes, bytes.data(), payload)) break;
            if (kind == "ftyp") ReadBrands(bytes, layout);
            if (kind == "meta") {
                layout.problem =
                    PrimaryProblem(file, heif::ReadMeta(bytes), applyTransforms, layout);
                return layout;
            }
        }
        at += static_cast<int64_t>(size);
    }
    layout.problem = "a HEIF file of brand " + Quoted(layout.majorBrand) +
                     " without a whole 'meta' box, a form this program does not read";
    return layout;
}

}  // namespace picture
