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

// Text for a box or a pasted line: each malformed part one U+FFFD; a long text keeps its start
// and end around an ellipsis, cut at characters, however many bytes each takes.
TEST(Utf8, MadeValidAndShortenedInTheMiddle) {
    EXPECT_EQ(ValidUtf8("a\xFF\xC3\xA4\xE2\x82"), "a\xEF\xBF\xBD\xC3\xA4\xEF\xBF\xBD");
    const std::string ascii = "0123456789";
    const std::string umlauts = "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6";  // five of two bytes
    const std::string ellipsis = "\xE2\x80\xA6";
    // Text, at most so many characters; what is shown.
    const std::tuple<std::string, int32_t, std::string> cases[] = {
        {ascii, 10, ascii},
        {ascii, 9, "0123" + ellipsis + "6789"},
        {ascii, 8, "012" + ellipsis + "6789"},
        {umlauts + umlauts, 10, umlauts + umlauts},
        {umlauts + umlauts, 5, "\xC3\xA4\xC3\xB6" + ellipsis + "\xC3\xA4\xC3\xB6"},
        // An emoji, five stray continuation bytes (one character each), "x".
        {"\xF0\x9F\x98\x80\x80\x80\x80\x80\x80x", 4,
         "\xF0\x9F\x98\x80" + ellipsis + "\xEF\xBF\xBDx"},
        {"\xFF" + ascii, 5,
         "\xEF\xBF\xBD"
         "0" +
             ellipsis + "89"},
    };
    for (const auto& [text, most, shown] : cases) {
        EXPECT_EQ(ShortenedInMiddle(text, most), shown) << text << " in " << most;
        EXPECT_LE(CharacterCount(shown), most);
    }
    // A long text of ASCII with characters beyond it here and there: counted and cut alike.
    std::string mixed;
    for (int i = 0; i < 1000; ++i) mixed += i % 37 ? std::string("abcdefghijk") : umlauts;
    EXPECT_EQ(CharacterCount(mixed), int32_t(DecodeUtf8(mixed).size()));
    size_t offset = 0;
    for (int n = 0; n < 5000; ++n) offset += DecodeCharacter(mixed, offset).length;
    EXPECT_EQ(CharacterOffset(mixed, 5000), offset);
}
