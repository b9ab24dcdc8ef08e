// Text made safe for a terminal, one character at a time.
#include "base/printable.h"

#include <algorithm>

#include "base/text_encoding.h"

namespace {

// One byte as an escape: "\n", "\x1b".
std::string Escaped(char c) {
    switch (c) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
    return hex;
}

// The length of the printable UTF-8 character that `text` starts with; 0 for a control
// character (C0, DEL, C1), a malformed sequence or a stray byte.
size_t PrintableLength(std::string_view text) {
    const DecodedCharacter c = DecodeCharacter(text, 0);
    const bool control = c.codePoint < 0x20 || (c.codePoint >= 0x7F && c.codePoint < 0xA0);
    return !c.wellFormed || control ? 0 : c.length;
}

}  // namespace

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t length = PrintableLength(text);
        out += length > 0 ? std::string(text.substr(0, length)) : Escaped(text[0]);
        text.remove_prefix(std::max<size_t>(length, 1));
    }
    return out;
}

void SayLine(std::FILE* stream, std::string_view line) {
    const std::string printable = Printable(line) + '\n';
    std::fwrite(printable.data(), 1, printable.size(), stream);
}

void ReportError(std::string_view program, std::string_view message) {
    SayLine(stderr, std::string(program) + ": " + std::string(message));
}
