#include "converter/quantise.h"

#include <libimagequant.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

template <class T, void (*Destroy)(T*)>
struct Deleter {
    void operator()(T* object) const { Destroy(object); }
};
using Attributes = std::unique_ptr<liq_attr, Deleter<liq_attr, liq_attr_destroy>>;
using Image = std::unique_ptr<liq_image, Deleter<liq_image, liq_image_destroy>>;
using Result = std::unique_ptr<liq_result, Deleter<liq_result, liq_result_destroy>>;

constexpr uint32_t MaskColour = picture::UncoveredColour;

// The library asks for rows of red, green, blue and alpha; our pixels are 0xAARRGGBB. Mask
// pixels go in as fully transparent, so that no colour of the palette is spent on them and
// none of the picture's colours is drawn towards them.
void GiveRow(liq_color out[], int y, int width, void* user) {
    const auto& picture = *static_cast<const picture::PixelView*>(user);
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < width; ++x) {
        const uint32_t c = row[x];
        out[x] =
            c == MaskColour
                ? liq_color{0, 0, 0, 0}
                : liq_color{static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                            static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 24)};
    }
}

bool HoldsMask(const picture::PixelView& picture) {
    for (int64_t y = 0; y < picture.height; ++y)
        if (std::find(picture.Row(y), picture.Row(y) + picture.width, MaskColour) !=
            picture.Row(y) + picture.width)
            return true;
    return false;
}

uint32_t Pixel(const liq_color& c) {
    return uint32_t{c.a} << 24 | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

// Puts the palette's colours in place of the pixels, by the indices the library chose; mask
// pixels stay as they are.
void Remap(const picture::PixelView& picture, const liq_palette& palette,
           const std::vector<unsigned char>& indices) {
    const unsigned char* index = indices.data();
    for (int64_t y = 0; y < picture.height; ++y) {
        uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.width; ++x, ++index)
            if (row[x] != MaskColour) row[x] = Pixel(palette.entries[*index]);
    }
}

}  // namespace

std::string ReduceColours(const picture::PixelView& picture, int colours, bool dither) {
    if (picture.width > INT32_MAX || picture.height > INT32_MAX)
        return "the picture is too large to reduce its colours";
    // The mask colour is one of the colours asked for, kept apart from the library's.
    const bool mask = HoldsMask(picture);
    const int asked = std::max(FewestReducedColours, mask ? colours - 1 : colours);
    const Attributes attributes(liq_attr_create());
    if (!attributes || liq_set_max_colors(attributes.get(), asked) != LIQ_OK)
        return "the colour reduction could not be set up";
    auto view = picture;
    const Image image(liq_image_create_custom(attributes.get(), GiveRow, &view,
                                              static_cast<int>(picture.width),
                                              static_cast<int>(picture.height), 0));
    liq_result* made = nullptr;
    if (!image || liq_image_quantize(image.get(), attributes.get(), &made) != LIQ_OK)
        return "the colour reduction failed (out of memory?)";
    const Result result(made);
    liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);
    std::vector<unsigned char> indices(static_cast<size_t>(picture.width * picture.height));
    if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) !=
        LIQ_OK)
        return "the colour reduction failed (out of memory?)";
    Remap(picture, *liq_get_palette(result.get()), indices);
    return {};
}
