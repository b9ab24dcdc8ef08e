#include "converter/include_content.h"

namespace {

void Mask(const picture::PixelView& picture, uint32_t below) {
    for (int64_t y = 0; y < picture.height; ++y) {
        uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.width; ++x)
            if (row[x] >> 24 < below) row[x] = picture::UncoveredColour;
    }
}

std::string TooManyColours(const picture::PixelView& picture, const std::string& which) {
    return which + " has " + std::to_string(CountColours(picture)) +
           " colours, more than the palette form's " + std::to_string(MostPaletteColours) +
           "; --colours N reduces them";
}

// Reduces the colours where the picture has more than asked for.
std::string ReduceIfAsked(const picture::PixelView& picture, const PixelTreatment& treatment) {
    if (!treatment.colours ||
        HoldsAtMostColours(picture, static_cast<uint64_t>(*treatment.colours)))
        return {};
    if (!treatment.reduce) return "this program reduces no colours";
    return treatment.reduce(picture, *treatment.colours, treatment.dither);
}

// The palettes of the sections, or why one cannot have one.
std::string IndexSections(IncludeContent& content) {
    content.palettes.reserve(content.sections.size());
    for (size_t i = 0; i < content.sections.size(); ++i) {
        IncludeSection& section = content.sections[i];
        content.palettes.push_back(IndexColours(section.pixels));
        const IndexedColours& palette = content.palettes.back();
        if (palette.colourCount == 0)
            return TooManyColours(section.pixels, content.sections.size() > 1
                                                      ? "tile " + std::to_string(i)
                                                      : std::string("the picture"));
        section.colours = palette.colours;
        section.indices = palette.indices;
    }
    return {};
}

// How many tiles of `tile` the picture makes.
int64_t TileCount(const picture::PixelView& picture, Dimensions tile) {
    return ((picture.width + tile.width - 1) / tile.width) *
           ((picture.height + tile.height - 1) / tile.height);
}

IncludeContent Refused(std::string problem) {
    IncludeContent content;
    content.problem = std::move(problem);
    return content;
}

}  // namespace

std::vector<picture::PixelView> CutTiles(const picture::PixelView& picture, Dimensions tile) {
    std::vector<picture::PixelView> tiles;
    for (int64_t y = 0; y < picture.height; y += tile.height) {
        for (int64_t x = 0; x < picture.width; x += tile.width) {
            picture::PixelView part = picture;
            part.pixels = picture.pixels + y * picture.pitch + x * 4;
            part.width = std::min(tile.width, picture.width - x);
            part.height = std::min(tile.height, picture.height - y);
            tiles.push_back(part);
        }
    }
    return tiles;
}

IncludeContent PrepareContent(const picture::PixelView& picture, const std::string& label,
                              const IncludeFormat& format, const PixelTreatment& treatment) {
    if (treatment.tiles && TileCount(picture, *treatment.tiles) > MostTiles)
        return Refused("--tiles " + std::to_string(treatment.tiles->width) + "x" +
                       std::to_string(treatment.tiles->height) + " cuts the picture into " +
                       std::to_string(TileCount(picture, *treatment.tiles)) + " tiles, more than " +
                       std::to_string(MostTiles));
    if (treatment.maskBelow) Mask(picture, *treatment.maskBelow);
    if (format.palette) {
        if (std::string failed = ReduceIfAsked(picture, treatment); !failed.empty())
            return Refused(std::move(failed));
    }
    IncludeContent content;
    if (treatment.tiles) {
        const std::vector<picture::PixelView> tiles = CutTiles(picture, *treatment.tiles);
        for (size_t i = 0; i < tiles.size(); ++i)
            content.sections.push_back({label + "_" + std::to_string(i), tiles[i], {}, {}});
    } else {
        content.sections.push_back({label, picture, {}, {}});
    }
    if (format.palette) {
        if (std::string failed = IndexSections(content); !failed.empty())
            return Refused(std::move(failed));
    }
    if (std::string failed = NumberingProblem(content.sections, format); !failed.empty())
        return Refused(std::move(failed) + "; --step, --first-line, --per-line or --fit make room");
    return content;
}
