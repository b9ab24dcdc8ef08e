#include "screen/utf8.h"

#include <cstdint>

namespace screen_internal {

namespace {

struct Lead {
    int32_t length = 0;  // 0: not a lead byte
    char32_t bits = 0;
    // The allowed range of the second byte, which rules out overlong forms, surrogates and
    // values beyond U+10FFFF.
    uint8_t secondLow = 0x80;
    uint8_t secondHigh = 0xBF;
};

Lead LeadOf(uint8_t byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return {2, byte & 0x1Fu};
    if (byte == 0xE0) return {3, 0, 0xA0};
    if (byte == 0xED) return {3, byte & 0x0Fu, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, byte & 0x0Fu};
    if (byte == 0xF0) return {4, 0, 0x90};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, byte & 0x07u};
    if (byte == 0xF4) return {4, byte & 0x07u, 0x80, 0x8F};
    return {};
}

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<uint8_t>(text[i++]);
        if (byte < 0x80) {
            out.push_back(byte);
            continue;
        }
        const Lead lead = LeadOf(byte);
        char32_t c = lead.bits;
        int32_t taken = 1;
        // A sequence cut short becomes one replacement; decoding resumes at the offending byte.
        while (taken < lead.length && i < text.size()) {
            const auto next = static_cast<uint8_t>(text[i]);
            const uint8_t low = taken == 1 ? lead.secondLow : 0x80;
            const uint8_t high = taken == 1 ? lead.secondHigh : 0xBF;
            if (next < low || next > high) break;
            c = (c << 6) | (next & 0x3Fu);
            ++taken;
            ++i;
        }
        out.push_back(lead.length != 0 && taken == lead.length ? c : ReplacementCharacter);
    }
    return out;
}

}  // namespace screen_internal
