// The boxes of a HEIF file's 'meta' box, read by this library itself: items, their kinds,
// locations, properties and references. Every field is read within its box; a box cut short
// reads as zeros. Internal to the picture library (heif_layout.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace picture::heif {

// Big-endian fields, never read past the end: a read beyond it gives 0 and marks the reader.
class Fields {
public:
    explicit Fields(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Read(size_t count);
    std::string Kind();  // a four-character code
    size_t Left() const { return bytes_.size() - at_; }
    std::span<const uint8_t> Rest() const { return bytes_.subspan(at_); }
    bool Damaged() const { return damaged_; }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool damaged_ = false;
};

struct Box {
    std::string kind;
    std::span<const uint8_t> payload;
};

// The boxes one after another in `bytes`; one cut short ends the list.
std::vector<Box> Boxes(std::span<const uint8_t> bytes);

struct Location {
    int method = 0;  // 0: offsets in the file, 1: in the idat box
    uint64_t offset = 0;
    uint64_t length = 0;  // of the first extent
};

// What the meta box says, by item.
struct Meta {
    uint32_t primary = 0;
    std::map<uint32_t, std::string> kinds;
    std::map<uint32_t, Location> locations;
    std::vector<Box> properties;
    std::map<uint32_t, std::vector<int>> associated;        // 1-based property indices, in order
    std::map<uint32_t, std::vector<uint32_t>> derivedFrom;  // 'dimg' references
    std::span<const uint8_t> idat;
};

// `payload`: the meta box's, version and flags included.
Meta ReadMeta(std::span<const uint8_t> payload);

// The item's properties, in the order of its associations.
std::vector<const Box*> PropertiesOf(const Meta& meta, uint32_t item);

// The item's 'ispe': its width and height.
std::optional<std::pair<int64_t, int64_t>> SpatialExtent(const Meta& meta, uint32_t item);

}  // namespace picture::heif
