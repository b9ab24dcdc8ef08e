#include "pixeldata/palette.h"

#include <algorithm>
#include <array>

namespace {

// The colours found so far and their indices, looked up by hashing: with at most 256 colours in
// 1024 places, a colour is found in a step or two.
class ColourTable {
public:
    ColourTable() { places_.fill(Empty); }

    // The colour's index, added if new; -1 once there would be more than `most`.
    int Index(uint32_t colour, std::vector<uint32_t>& colours, uint64_t most = MostPaletteColours) {
        for (uint32_t place = Hash(colour);; place = (place + 1) & (Places - 1)) {
            const int16_t index = places_[place];
            if (index == Empty) {
                if (colours.size() >= most) return -1;
                places_[place] = static_cast<int16_t>(colours.size());
                colours.push_back(colour);
                return places_[place];
            }
            if (colours[static_cast<size_t>(index)] == colour) return index;
        }
    }

private:
    static constexpr uint32_t Places = 1024;
    static constexpr int16_t Empty = -1;
    static uint32_t Hash(uint32_t colour) { return (colour * 0x9E3779B1u) >> 22; }

    std::array<int16_t, Places> places_;
};

}  // namespace

IndexedColours IndexColours(const picture::PixelView& picture) {
    IndexedColours result;
    ColourTable table;
    result.indices.resize(static_cast<size_t>(picture.width * picture.height));
    uint8_t* index = result.indices.data();
    uint32_t last = 0;
    int lastIndex = -1;
    for (int64_t y = 0; y < picture.height; ++y) {
        const uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.width; ++x) {
            // Neighbours often share a colour: the table is asked only when it changes.
            if (row[x] != last || lastIndex < 0) {
                last = row[x];
                lastIndex = table.Index(last, result.colours);
                if (lastIndex < 0) return {};
            }
            *index++ = static_cast<uint8_t>(lastIndex);
        }
    }
    result.colourCount = result.colours.size();
    return result;
}

bool HoldsAtMostColours(const picture::PixelView& picture, uint64_t most) {
    ColourTable table;
    std::vector<uint32_t> colours;
    for (int64_t y = 0; y < picture.height; ++y) {
        const uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.width; ++x)
            if ((x == 0 || row[x] != row[x - 1]) && table.Index(row[x], colours, most) < 0)
                return false;
    }
    return true;
}

uint64_t CountColours(const picture::PixelView& picture) {
    std::vector<uint32_t> all;
    all.reserve(static_cast<size_t>(picture.width * picture.height));
    for (int64_t y = 0; y < picture.height; ++y)
        all.insert(all.end(), picture.Row(y), picture.Row(y) + picture.width);
    std::sort(all.begin(), all.end());
    return static_cast<uint64_t>(std::unique(all.begin(), all.end()) - all.begin());
}
