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
// The next value as a signed 32-bit integer; 0 at the end of the stream.
int32_t ReadInt(ValueStream& stream);
// The next value's low 8 bits; 0 at the end of the stream.
uint8_t ReadByte(ValueStream& stream);

// A value's text as a number: leading blanks skipped; "&H", "&O", "&B" (either case) or a bare
// "&" choose base 16, 8, 2 or 8; otherwise unsigned decimal with an optional sign, negated modulo
// 2^32 and saturated at 4294967295. Text that holds no number gives 0.
uint32_t ConvertValue(std::string_view text);
