// The libFuzzer entry of a target (clang only): the input layout and the promises checked
// are those of the target's deterministic sweep.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FUZZ_TARGET.run(data, size);
    return 0;
}
