// The values of one picture of an include file, in whichever form it is written, handed on as
// the unpacked form's: the width, the height, then A, R, G and B of every pixel.
//
// The first value after the size tells the form: "&H" (either case) and exactly eight
// hexadecimal digits mark the packed form, one value 0xAARRGGBB a pixel; a value starting with
// "-" the palette form, whose negated colour count (1 to 256) it is, followed by the colours
// (A, R, G and B each) and one index a pixel; anything else the unpacked form. The conversion
// writes none of these marks in the unpacked form.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A value of a Data line: its text without the blanks around it, and the number it converts to
// as the embedded value stream converts it. Left uninitialised where made, since the reader makes
// some for every line.
struct IncludeValue {
    const char* text;
    uint32_t length;
    uint32_t number;

    std::string_view Text() const { return {text, length}; }
};

enum class ValueForm { Unpacked, Packed, Palette };

// What the values of a picture read so far make of it.
struct PictureValues {
    uint64_t valueCount = 0;  // as the file holds them: a packed pixel or an index counts once
    uint64_t passed = 0;      // values handed on (a packed pixel or an index as four)
    int32_t width = 0;        // the first two values
    int32_t height = 0;
    ValueForm form = ValueForm::Unpacked;
    // The palette form's colours, as declared and as read so far.
    uint32_t colourCount = 0;
    uint32_t coloursRead = 0;
    uint32_t channelsRead = 0;  // of the unpacked colour being read
    uint32_t partialColour = 0;
    std::array<uint32_t, 256> colours{};
    uint64_t strayIndices = 0;  // indices beyond the colours, read as 0x00000000
};

// What the count of a palette must be, for error messages.
inline constexpr std::string_view ExpectedColourCount =
    "expected a palette's colour count, -1 to -256";

namespace include_file_detail {

// The values "0" to "255", for the four that a packed pixel or an index stands for.
const std::array<IncludeValue, 256>& ByteValues();

inline std::array<IncludeValue, 4> PixelValues(uint32_t pixel) {
    const std::array<IncludeValue, 256>& bytes = ByteValues();
    return {bytes[pixel >> 24], bytes[(pixel >> 16) & 0xFF], bytes[(pixel >> 8) & 0xFF],
            bytes[pixel & 0xFF]};
}

// Whether a value's text marks the packed form: "&H" and exactly eight hexadecimal digits.
bool IsPackedPixel(std::string_view text);

// Takes the first value after the size: it chooses the form. False for a palette count out of
// range.
bool ChooseForm(const IncludeValue& value, PictureValues& picture);
// Takes a value of the palette's colours.
void TakeColourValue(const IncludeValue& value, PictureValues& picture);

inline uint32_t ColourOf(uint32_t index, PictureValues& picture) {
    if (index < picture.coloursRead) return picture.colours[index];
    ++picture.strayIndices;
    return 0;
}

// Hands `value`, the next of the picture, to `sink` as the unpacked form's values. False when it
// cannot be read (ExpectedColourCount).
template <class Sink>
bool PassValue(const IncludeValue& value, PictureValues& picture, Sink& sink) {
    const uint64_t index = picture.valueCount++;
    if (index < 2)
        (index == 0 ? picture.width : picture.height) = static_cast<int32_t>(value.number);
    if (index == 2 && !ChooseForm(value, picture)) return false;
    if (index < 2 || picture.form == ValueForm::Unpacked) {
        sink.Values({&value, 1});
        ++picture.passed;
    } else if (picture.form == ValueForm::Packed) {
        sink.Values(PixelValues(value.number));
        picture.passed += 4;
    } else if (index > 2 && picture.coloursRead < picture.colourCount) {
        TakeColourValue(value, picture);
    } else if (index > 2) {
        sink.Values(PixelValues(ColourOf(value.number, picture)));
        picture.passed += 4;
    }
    return true;
}

}  // namespace include_file_detail

// The values the picture's size and form call for, as the file holds them: 2 for a size below 1,
// which calls for no pixels.
uint64_t ExpectedValues(const PictureValues& picture);

// Empty when the picture holds exactly the values its size and form call for; otherwise a
// sentence giving both counts.
std::string ValueCountMismatch(const PictureValues& picture);
