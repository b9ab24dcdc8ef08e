// Arbitrary bytes as a TIFF file: see format_fuzzer.h.
#include "tests/fuzz/format_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return format_fuzz::FuzzOne(data, size, {"TIFF"});
}
