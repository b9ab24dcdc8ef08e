#include "pixeldata/value_stream.h"

namespace {

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// 0-35 for 0-9 and letters of either case; 36 for anything else, which no base accepts.
uint32_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'z') return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') return static_cast<uint32_t>(c - 'A' + 10);
    return 36;
}

// The digits of `base` at the start of `digits`; like a BASIC "&" literal, a longer number keeps
// its low 32 bits.
uint32_t ConvertBased(std::string_view digits, uint32_t base) {
    uint32_t value = 0;
    for (char c : digits) {
        const uint32_t digit = DigitValue(c);
        if (digit >= base) break;
        value = value * base + digit;
    }
    return value;
}

// As a C runtime with a 32-bit unsigned long reads text with strtoul(text, nullptr, 10).
uint32_t ConvertDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;
        }
    }
    if (overflow) return UINT32_MAX;
    const auto magnitude = static_cast<uint32_t>(value);
    return negative ? 0u - magnitude : magnitude;
}

// The text at the cursor; moves the cursor past it and its mark. Empty at the end.
std::string_view NextText(ValueStream& stream) {
    const char* start = stream.next;
    const char* stop = start;
    while (stop != stream.end && *stop != ValueSeparator && *stop != GroupEnd) ++stop;
    stream.next = stop == stream.end ? stop : stop + 1;
    return {start, static_cast<size_t>(stop - start)};
}

}  // namespace

uint32_t ConvertValue(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text.remove_prefix(first);
    if (text.size() > 1 && text[0] == '&') {
        switch (text[1]) {
            case 'H':
            case 'h':
                return ConvertBased(text.substr(2), 16);
            case 'O':
            case 'o':
                return ConvertBased(text.substr(2), 8);
            case 'B':
            case 'b':
                return ConvertBased(text.substr(2), 2);
            default:
                return ConvertBased(text.substr(1), 8);
        }
    }
    return ConvertDecimal(text);
}

ValueStream MakeValueStream(std::string_view bytes) {
    return {bytes.data(), bytes.data() + bytes.size(), bytes.data()};
}

void Rewind(ValueStream& stream) {
    stream.next = stream.begin;
}

uint32_t value_stream_detail::ReadConverted(ValueStream& stream) {
    return ConvertValue(NextText(stream));
}
