#include "pixeldata/ascii_letters.h"

#include <array>

namespace {

constexpr char32_t FirstCode = 0xC0;

// One entry per character from U+00C0 on, "-" for the two signs among them (× and ÷).
constexpr std::string_view BaseLetterTable =
    // U+00C0 to U+00FF
    "A A A A A A AE C E E E E I I I I D N O O O O O - O U U U U Y TH ss "
    "a a a a a a ae c e e e e i i i i d n o o o o o - o u u u u y th y "
    // U+0100 to U+017F
    "A a A a A a C c C c C c C c D d D d E e E e E e E e E e G g G g "
    "G g G g H h H h I i I i I i I i I i IJ ij J j K k k L l L l L l L "
    "l L l N n N n N n n N n O o O o O o OE oe R r R r R r S s S s S s "
    "S s T t T t T t U u U u U u U u U u U u W w Y y Y Z z Z z Z z s";

using Bases = std::array<std::string_view, 0x180 - FirstCode>;

Bases SplitTable() {
    Bases bases{};
    std::string_view rest = BaseLetterTable;
    for (std::string_view& base : bases) {
        const size_t blank = rest.find(' ');
        base = rest.substr(0, blank);
        if (base == "-") base = {};
        rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    }
    return bases;
}

}  // namespace

std::string_view AsciiBaseLetters(char32_t code) {
    static const Bases bases = SplitTable();
    if (code < FirstCode || code - FirstCode >= bases.size()) return {};
    return bases[code - FirstCode];
}
