// Typed text decoded, one replacement per malformed part; edited by characters, shown in glyphs.
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <tuple>

#include "base/text_encoding.h"

using screen_internal::DecodeUtf8;

TEST(Utf8, DecodesWellFormedTextAndReplacesMalformedParts) {
    constexpr char32_t R = screen_internal::ReplacementCharacter;
    // Malformed: a stray continuation byte, sequences cut short (the next character survives),
    // overlong forms, a surrogate, beyond U+10FFFF, bytes that start nothing.
    // clang-format off
    const std::pair<std::string_view, std::u32string> cases[] = {
        {"", U""}, {"Az~", U"Az~"}, {std::string_view("a\0b", 3), std::u32string(U"a\0b", 3)},
        {"\xC3\xA9", U"\u00E9"}, {"\xE2\x82\xAC", U"\u20AC"}, {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"}, {"\x80", {R}}, {"\xC3", {R}}, {"\xE2\x82", {R}},
        {"\xE2\x82\x41", {R, U'A'}}, {"\xC0\x80", {R, R}}, {"\xE0\x9F\xBF", {R, R, R}},
        {"\xED\xA0\x80", {R, R, R}}, {"\xF4\x90\x80\x80", {R, R, R, R}},
        {"\xF8\x88\x80\x80\x80", {R, R, R, R, R}}, {"\xFF\x62", {R, U'b'}}};
    // clang-format on
    for (const auto& [text, expected] : cases) EXPECT_EQ(DecodeUtf8(text), expected) << text;
}

TEST(Utf8, EditedTextCountsCharactersAndShowsCodePage437Glyphs) {
    // Text, its characters, the offset of the second, its glyphs.
    const std::tuple<std::string_view, int32_t, size_t, std::string_view> cases[] = {
        {"", 0, 0, ""},
        {"ab\x01~", 4, 1, "ab\x01~"},                      // ASCII is its own glyph
        {"B\xC3\xA4ume \xC3\x9C", 7, 1, "B\x84ume \x9A"},  // Bäume Ü
        {"\xC3\xA9\xC3\xA0\xC3\xA7\xC3\xB1\xC2\xA3\xC3\x9F", 6, 2, "\x82\x85\x87\xA4\x9C\xE1"},
        {"\xE2\x82\xAC\xF0\x9F\x98\x80", 2, 3, "??"},  // no glyph for them
        {"a\xFF\xE2\x82", 3, 1, "a??"},                // each malformed part is one
    };
    for (const auto& [text, characters, second, glyphs] : cases) {
        EXPECT_EQ(CharacterCount(text), characters) << text;
        EXPECT_EQ(CharacterOffset(text, 1), second) << text;
        EXPECT_EQ(CharacterOffset(text, characters + 5), text.size()) << text;
        EXPECT_EQ(Cp437Glyphs(text), glyphs) << text;
    }
    for (char32_t c : {U'\u00E4', U'\u20AC', U'\U0001F600', char32_t{0xD800}})
        EXPECT_EQ(DecodeUtf8(EncodeUtf8(c)), std::u32string(1, c == 0xD800 ? 0xFFFD : c));
}
