// Code page 437, the character set of the built-in font and of typed keys.
#pragma once

#include <cstdint>

namespace screen_internal {

// The code page 437 code of a Unicode character, or 0 when it has none.
uint8_t UnicodeToCp437(char32_t c);
// The Unicode character of a code page 437 code; codes below 0x80 stand for themselves.
char32_t Cp437ToUnicode(uint8_t code);

}  // namespace screen_internal
