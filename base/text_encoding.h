// Text that users edit is UTF-8; the built-in font shows code page 437. A character is one code
// point, or one malformed part of the bytes, which counts as one character and shows as "?".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The character of `text` that starts at byte `at` (< text.size()): its code point, U+FFFD for
// a malformed part, and how many bytes it spans (at least one).
struct DecodedCharacter {
    char32_t codePoint;
    size_t length;
    bool wellFormed;  // false for a malformed part (an overlong form, a surrogate, a stray byte)
};
DecodedCharacter DecodeCharacter(std::string_view text, size_t at);

int32_t CharacterCount(std::string_view text);
// The byte offset at which character `index` starts: 0 for index <= 0, the size from the
// character count on.
size_t CharacterOffset(std::string_view text, int32_t index);
// The byte offset at which the last `count` characters of `text` start (0 when it holds no more),
// found from its end: a time bounded by `count`, whatever the text's length.
size_t LastCharactersOffset(std::string_view text, int32_t count);
// The text with each malformed part replaced by U+FFFD: safe to hand to anything that expects
// UTF-8.
std::string ValidUtf8(std::string_view text);
// At most `maxCharacters` (at least 3) characters of `text`, as valid UTF-8: a longer text keeps
// its start and its end around a "\u2026" in place of its middle. Takes a time bounded by
// `maxCharacters`, not by the text's length, when the text is longer.
std::string ShortenedInMiddle(std::string_view text, int32_t maxCharacters);
// One code point in UTF-8; a surrogate or a value beyond U+10FFFF becomes U+FFFD.
std::string EncodeUtf8(char32_t codePoint);
// The text as DrawText shows it: one code page 437 glyph code per character, "?" for the
// characters the font lacks.
std::string Cp437Glyphs(std::string_view text);
