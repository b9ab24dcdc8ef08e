// Files of the kinds people have that this library does not read, named by their first bytes, so
// that a refusal can say what was found.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace picture {

// "a WebP picture", "a PDF document", ...; empty when the bytes are of no kind known here.
std::string OtherFormatName(std::span<const uint8_t> head);

}  // namespace picture
