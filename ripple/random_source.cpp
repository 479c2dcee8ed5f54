// The runtime's generator behind the random seam. The Windows runtime's rand() already
// yields 0..32767; elsewhere RAND_MAX is larger, and the top 15 bits of each value are
// used, so that every build sees the same range.
#include "ripple/random_source.h"

#include <cstdlib>

static_assert((static_cast<unsigned long long>(RAND_MAX) + 1) % 32768 == 0,
              "the runtime generator's range must be a whole multiple of 32768");

static int32_t RuntimeNext(void*)
{
    const unsigned long long divisor = (static_cast<unsigned long long>(RAND_MAX) + 1) / 32768;
    return static_cast<int32_t>(static_cast<unsigned long long>(std::rand()) / divisor);
}

int32_t NextRandom(const RandomSource& source)
{
    int32_t value = source.next ? source.next(source.context) : RuntimeNext(nullptr);
    return value & 0x7FFF;
}

int32_t RandomBelow(const RandomSource& source, int32_t n)
{
    int32_t value = NextRandom(source);
    return n >= 1 ? value % n : 0;
}

RandomSource RuntimeRandom()
{
    RandomSource source = {&RuntimeNext, nullptr};
    return source;
}

void SeedRuntimeRandom(uint32_t seed)
{
    std::srand(seed);
}
