#include "base/utf8.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

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

namespace {

// How many bytes from `at` on are ASCII, up to `most`, looked at eight at a time: paths and
// pasted text are mostly ASCII, and a field may hold megabytes of it.
size_t AsciiRun(std::string_view text, size_t at, size_t most = SIZE_MAX) {
    constexpr uint64_t HighBits = 0x8080808080808080u;
    const size_t end = at + std::min(most, text.size() - at);
    size_t i = at;
    for (uint64_t block = 0; i + sizeof block <= end; i += sizeof block) {
        std::memcpy(&block, text.data() + i, sizeof block);
        if (block & HighBits) break;
    }
    while (i < end && static_cast<uint8_t>(text[i]) < 0x80) ++i;
    return i - at;
}

// Bytes that only continue a character; any other byte starts one.
bool IsContinuation(char byte) {
    return (static_cast<uint8_t>(byte) & 0xC0) == 0x80;
}

// A character's first byte, at `at` or at most three bytes before it: the nearest byte that is
// no continuation byte starts one; a byte with three continuation bytes before it cannot belong
// to an earlier character, which has at most three.
size_t CharacterStartAtOrBefore(std::string_view text, size_t at) {
    for (size_t back = 0; back <= 3 && back <= at; ++back)
        if (!IsContinuation(text[at - back])) return at - back;
    return at;
}

// The offsets at which the characters of text[from, size) start, `from` starting one.
std::vector<size_t> CharacterStarts(std::string_view text, size_t from) {
    std::vector<size_t> starts;
    for (size_t i = from; i < text.size(); i += DecodeCharacter(text, i).length)
        starts.push_back(i);
    return starts;
}

constexpr std::string_view Ellipsis = "\xE2\x80\xA6";

}  // namespace

int32_t CharacterCount(std::string_view text) {
    int64_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t ascii = AsciiRun(text, i);
        count += static_cast<int64_t>(ascii);
        i += ascii;
        if (i == text.size()) break;
        i += DecodeCharacter(text, i).length;
        ++count;
    }
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

size_t CharacterOffset(std::string_view text, int32_t index) {
    size_t i = 0;
    for (int64_t left = index; left > 0 && i < text.size();) {
        const size_t ascii = AsciiRun(text, i, static_cast<size_t>(left));
        i += ascii;
        left -= static_cast<int64_t>(ascii);
        if (left == 0 || i == text.size()) break;
        i += DecodeCharacter(text, i).length;
        --left;
    }
    return i;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t ascii = AsciiRun(text, i);
        out.append(text.substr(i, ascii));
        i += ascii;
        if (i == text.size()) break;
        const DecodedCharacter d = DecodeCharacter(text, i);
        out.append(d.wellFormed ? text.substr(i, d.length) : EncodeUtf8(ReplacementCharacter));
        i += d.length;
    }
    return out;
}

size_t LastCharactersOffset(std::string_view text, int32_t count) {
    if (count <= 0) return text.size();
    const auto wanted = static_cast<size_t>(count);
    // The last characters lie within four bytes each of the end. The search starts where a
    // decode from the very start would also have started a character.
    const size_t from = text.size() - std::min(text.size(), 4 * wanted);
    const std::vector<size_t> starts = CharacterStarts(text, CharacterStartAtOrBefore(text, from));
    if (starts.size() <= wanted) return starts.empty() ? 0 : starts.front();  // all of them
    return starts[starts.size() - wanted];
}

std::string ShortenedInMiddle(std::string_view text, int32_t maxCharacters) {
    const auto most = static_cast<size_t>(std::max(maxCharacters, 3));
    const size_t head = CharacterOffset(text, static_cast<int32_t>(most));
    if (head == text.size()) return ValidUtf8(text);  // it fits
    const size_t keptAtStart = (most - 1) / 2;
    const size_t keptAtEnd = most - 1 - keptAtStart;
    const size_t tail = LastCharactersOffset(text, static_cast<int32_t>(keptAtEnd));
    const size_t headEnd = CharacterOffset(text, static_cast<int32_t>(keptAtStart));
    return ValidUtf8(text.substr(0, headEnd)) + std::string(Ellipsis) +
           ValidUtf8(text.substr(tail));
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
