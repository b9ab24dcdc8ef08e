#include "pixeldata/picture_values.h"

#include <algorithm>

namespace include_file_detail {

const std::array<IncludeValue, 256>& ByteValues() {
    static const std::array<std::string, 256> texts = [] {
        std::array<std::string, 256> t;
        for (size_t i = 0; i < t.size(); ++i) t[i] = std::to_string(i);
        return t;
    }();
    static const std::array<IncludeValue, 256> values = [] {
        std::array<IncludeValue, 256> v;
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = {texts[i].data(), static_cast<uint32_t>(texts[i].size()),
                    static_cast<uint32_t>(i)};
        return v;
    }();
    return values;
}

bool IsPackedPixel(std::string_view text) {
    const auto hex = [](char c) {
        const char lower = static_cast<char>(c | 0x20);
        return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
    };
    if (text.size() != 10 || text[0] != '&' || (text[1] | 0x20) != 'h') return false;
    return std::all_of(text.begin() + 2, text.end(), hex);
}

bool ChooseForm(const IncludeValue& value, PictureValues& picture) {
    if (IsPackedPixel(value.Text())) {
        picture.form = ValueForm::Packed;
    } else if (value.length > 0 && value.text[0] == '-') {
        picture.form = ValueForm::Palette;
        // The count is negated: as a signed value, -1 to -256.
        const auto count = -static_cast<int64_t>(static_cast<int32_t>(value.number));
        if (count < 1 || count > static_cast<int64_t>(picture.colours.size())) return false;
        picture.colourCount = static_cast<uint32_t>(count);
    }
    return true;
}

void TakeColourValue(const IncludeValue& value, PictureValues& picture) {
    picture.partialColour = picture.partialColour << 8 | (value.number & 0xFF);
    if (++picture.channelsRead < 4) return;
    picture.colours[picture.coloursRead++] = picture.partialColour;
    picture.channelsRead = 0;
    picture.partialColour = 0;
}

}  // namespace include_file_detail

uint64_t ExpectedValues(const PictureValues& picture) {
    // A width or height below 1 makes no picture, so nothing after the size is read.
    const int32_t width = picture.width, height = picture.height;
    const uint64_t pixels =
        width >= 1 && height >= 1 ? static_cast<uint64_t>(int64_t{width} * height) : 0;
    if (pixels == 0) return 2;
    switch (picture.form) {
        case ValueForm::Packed:
            return 2 + pixels;
        case ValueForm::Palette:
            return 3 + uint64_t{picture.colourCount} * 4 + pixels;
        case ValueForm::Unpacked:
            break;
    }
    return 2 + 4 * pixels;
}

std::string ValueCountMismatch(const PictureValues& picture) {
    const uint64_t expected = ExpectedValues(picture);
    if (picture.valueCount == expected) return {};
    return std::to_string(picture.valueCount) + " values, but width " +
           std::to_string(picture.width) + " and height " + std::to_string(picture.height) +
           " call for " + std::to_string(expected) +
           (picture.valueCount < expected ? "; the missing ones read as 0"
                                          : "; the extra ones are never read");
}
