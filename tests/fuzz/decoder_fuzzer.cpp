// Arbitrary bytes as a file of one format (PICTURE_FORMATS, the names the probe gives it, comma
// separated): see format_fuzzer.h. One target per decoder is built from this file.
#include "tests/fuzz/format_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return format_fuzz::FuzzOne(data, size, {PICTURE_FORMATS});
}
