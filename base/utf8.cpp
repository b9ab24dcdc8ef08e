#include "base/utf8.h"

#include <cstdint>

namespace screen_internal {

namespace {

struct Lead {
    size_t length = 0;  // 0: not a lead byte
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
    for (size_t i = 0; i < text.size();) {
        const DecodedCharacter d = DecodeCharacter(text, i);
        out.push_back(d.codePoint);
        i += d.length;
    }
    return out;
}

}  // namespace screen_internal

using namespace screen_internal;

DecodedCharacter DecodeCharacter(std::string_view text, size_t at) {
    const auto byte = static_cast<uint8_t>(text[at]);
    if (byte < 0x80) return {byte, 1, true};
    const Lead lead = LeadOf(byte);
    char32_t c = lead.bits;
    size_t taken = 1;
    // A sequence cut short becomes one replacement; decoding resumes at the offending byte.
    while (taken < lead.length && at + taken < text.size()) {
        const auto next = static_cast<uint8_t>(text[at + taken]);
        const uint8_t low = taken == 1 ? lead.secondLow : 0x80;
        const uint8_t high = taken == 1 ? lead.secondHigh : 0xBF;
        if (next < low || next > high) break;
        c = (c << 6) | (next & 0x3Fu);
        ++taken;
    }
    const bool whole = lead.length != 0 && taken == lead.length;
    return {whole ? c : ReplacementCharacter, taken, whole};
}

int32_t CharacterCount(std::string_view text) {
    int32_t count = 0;
    for (size_t i = 0; i < text.size(); i += DecodeCharacter(text, i).length) ++count;
    return count;
}

size_t CharacterOffset(std::string_view text, int32_t index) {
    size_t i = 0;
    for (int32_t n = 0; n < index && i < text.size(); ++n) i += DecodeCharacter(text, i).length;
    return i;
}

std::string EncodeUtf8(char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = ReplacementCharacter;
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}
