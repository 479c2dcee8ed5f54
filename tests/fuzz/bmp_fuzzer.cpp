// Coverage-guided fuzzing of the BMP reader with libFuzzer (clang only); the input layout
// and the promises checked are those of the deterministic sweep.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/bmp_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RunFuzzInput(data, size);
    return 0;
}
