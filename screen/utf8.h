// UTF-8, the encoding of the desktop's typed text and of the text users edit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace screen_internal {

// The replacement for each malformed part of the input (a stray or missing continuation byte,
// an overlong form, a surrogate, a value beyond U+10FFFF).
inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// One character of `text` starting at byte `at` (< text.size()): its code point, or the
// replacement for a malformed part, and how many bytes it spans (at least one).
struct DecodedCharacter {
    char32_t codePoint;
    size_t length;
};
DecodedCharacter DecodeCharacter(std::string_view text, size_t at);

// The code points of `text`; never reads outside it.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace screen_internal
