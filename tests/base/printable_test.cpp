// Names made safe for a terminal: every control character and every byte that is no UTF-8
// escaped, every other character kept.
#include "base/printable.h"

#include <gtest/gtest.h>

TEST(Printable, EscapesWhatCouldSteerATerminalAndKeepsTheRest) {
    // clang-format off
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""}, {"photo 1.png", "photo 1.png"}, {"a\\x1b.bmp", "a\\x1b.bmp"},
        {"B\xC3\xA4ume \xE2\x82\xAC \xF0\x9F\x98\x80", "B\xC3\xA4ume \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"no\x1b[31m\x07" "file\xFF.png", "no\\x1b[31m\\x07file\\xff.png"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"}, {std::string_view("\0\x7F", 2), "\\x00\\x7f"},
        {"\xC2\x85\xC2\x9B" "1m", "\\xc2\\x85\\xc2\\x9b1m"},   // C1 controls, NEL and CSI
        {"\xC2\xA0", "\xC2\xA0"},                               // the first character after them
        {"\xC0\xAF \xED\xA0\x80", "\\xc0\\xaf \\xed\\xa0\\x80"},  // overlong, surrogate
        {"\xE2\x82" "x \x80", "\\xe2\\x82x \\x80"},              // cut short, stray
    };
    // clang-format on
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(Printable(text), shown) << text;
        EXPECT_EQ(Printable(shown), shown) << text;  // already printable
    }
}
