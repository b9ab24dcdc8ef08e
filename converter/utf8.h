// UTF-8 characters read one at a time, strictly: no overlong forms, surrogates or values beyond
// U+10FFFF.
#pragma once

#include <cstddef>
#include <string_view>

struct Utf8Char {
    char32_t code = 0;
    size_t length = 0;  // 0: `text` does not start with a well-formed character
};

// The character that `text` starts with.
Utf8Char DecodeUtf8(std::string_view text);
