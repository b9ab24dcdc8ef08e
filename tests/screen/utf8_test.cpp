// Decoding typed text: every well-formed character, one replacement per malformed part.
#include "screen/utf8.h"

#include <gtest/gtest.h>

using screen_internal::DecodeUtf8;

TEST(Utf8, DecodesWellFormedTextAndReplacesMalformedParts) {
    constexpr char32_t R = screen_internal::ReplacementCharacter;
    struct Case {
        std::string_view text;
        std::u32string expected;
    };
    const Case cases[] = {
        {"", U""},
        {"Az~", U"Az~"},
        {std::string_view("a\0b", 3), std::u32string(U"a\0b", 3)},
        {"\xC3\xA9", U"\u00E9"},
        {"\xE2\x82\xAC", U"\u20AC"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
        {"\x80", {R}},                       // a stray continuation byte
        {"\xC3", {R}},                       // cut short at the end
        {"\xE2\x82", {R}},                   // cut short at the end, two of three bytes
        {"\xE2\x82\x41", {R, U'A'}},         // cut short: the next character survives
        {"\xC0\x80", {R, R}},                // an overlong form of NUL
        {"\xE0\x9F\xBF", {R, R, R}},         // an overlong three-byte form
        {"\xED\xA0\x80", {R, R, R}},         // a surrogate
        {"\xF4\x90\x80\x80", {R, R, R, R}},  // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
        {"\xFF\x62", {R, U'b'}},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeUtf8(c.text), c.expected) << c.text;
}
