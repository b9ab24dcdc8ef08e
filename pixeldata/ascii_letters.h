// Latin letters with marks as their ASCII base letters, for names that must be plain ASCII.
#pragma once

#include <string_view>

// "e" for é, "E" for É, "ss" for ß, "ae" for æ: the letters of Latin-1 and Latin Extended-A
// (U+00C0 to U+017F); empty for any other character, a letter or not.
std::string_view AsciiBaseLetters(char32_t code);
