// The viewer's embedded value stream: the values of one pixel-data include file, in file order,
// kept as their texts and converted to numbers only when read.
//
// Physical form (written by the stream generator, read here): every value's text is followed by
// ValueSeparator when the next value belongs to the same group ("Data" line), or by GroupEnd when
// its group ends; the end of the bytes is the end of the stream. A text never holds either mark,
// since the include file separates values by commas and groups by lines.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr char ValueSeparator = ',';
inline constexpr char GroupEnd = '\n';

// The cursor over one stream's bytes: `next` is the place of the next value, `end` the end.
struct ValueStream {
    const char* begin = nullptr;
    const char* end = nullptr;
    const char* next = nullptr;
};

// A stream over `bytes` (which must outlive it), its cursor at the first value.
ValueStream MakeValueStream(std::string_view bytes);

void Rewind(ValueStream& stream);

namespace value_stream_detail {
// Converts the text at the cursor with every rule of ConvertValue and moves past it.
uint32_t ReadConverted(ValueStream& stream);
}  // namespace value_stream_detail

// The next value, converted; 0 at the end of the stream. Inline because a picture reads millions
// of values: texts of one to nine decimal digits (all that a converted bitmap holds, and too
// short to saturate) are read in one pass here, everything else by the full conversion.
inline uint32_t ReadValue(ValueStream& stream) {
    const char* p = stream.next;
    uint32_t value = 0;
    for (; p != stream.end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    const auto digits = p - stream.next;
    const bool endsText = p == stream.end || *p == ValueSeparator || *p == GroupEnd;
    if (digits < 1 || digits > 9 || !endsText) return value_stream_detail::ReadConverted(stream);
    stream.next = p == stream.end ? p : p + 1;
    return value;
}

// The next value as a signed 32-bit integer.
inline int32_t ReadInt(ValueStream& stream) {
    return static_cast<int32_t>(ReadValue(stream));
}
// The next value's low 8 bits.
inline uint8_t ReadByte(ValueStream& stream) {
    return static_cast<uint8_t>(ReadValue(stream));
}

// A value's text as a number: leading blanks skipped; "&H", "&O", "&B" (either case) or a bare
// "&" choose base 16, 8, 2 or 8; otherwise unsigned decimal with an optional sign, negated modulo
// 2^32 and saturated at 4294967295. Text that holds no number gives 0.
uint32_t ConvertValue(std::string_view text);
