// UTF-8, the encoding of the desktop's typed text and of the text users edit (whose public
// part is base/text_encoding.h).
#pragma once

#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace screen_internal {

// The replacement for each malformed part of the input (a stray or missing continuation byte,
// an overlong form, a surrogate, a value beyond U+10FFFF).
inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// The code points of `text`; never reads outside it.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace screen_internal
