#include "converter/utf8.h"

#include <cstdint>

Utf8Char DecodeUtf8(std::string_view text) {
    if (text.empty()) return {};
    const auto byte = [text](size_t i) { return static_cast<uint8_t>(text[i]); };
    if (byte(0) < 0x80) return {byte(0), 1};
    // The range of the second byte rules out overlong forms, surrogates and values beyond
    // U+10FFFF.
    struct Form {
        uint8_t firstLead, lastLead;
        size_t length;
        uint8_t low, high;
    };
    static constexpr Form Forms[] = {{0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
                                     {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},
                                     {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
                                     {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
    for (const Form& f : Forms) {
        if (byte(0) < f.firstLead || byte(0) > f.lastLead) continue;
        if (text.size() < f.length || byte(1) < f.low || byte(1) > f.high) return {};
        char32_t code = byte(0) & (0x7F >> f.length);
        for (size_t k = 1; k < f.length; ++k) {
            if ((byte(k) & 0xC0) != 0x80) return {};
            code = code << 6 | (byte(k) & 0x3F);
        }
        return {code, f.length};
    }
    return {};
}
