// Where the drop effects and the scene take their random numbers from: by default the
// runtime's generator, reduced to 0..32767 on every platform; tests hand in a source that
// replays an exact sequence.
#pragma once

#include <cstdint>

// A routine and the context it is called with. The routine may return any int32; a source
// without a routine reads the runtime's generator.
struct RandomSource {
    int32_t (*next)(void* context);
    void* context;
};

// The next value of the source, 0..32767 (only its low 15 bits are kept).
int32_t NextRandom(const RandomSource& source);

// A value 0..n - 1, the next value's remainder by n; 0 when n is below 1.
int32_t RandomBelow(const RandomSource& source, int32_t n);

// The runtime's generator (std::rand), as 0..32767 whatever the runtime's RAND_MAX.
RandomSource RuntimeRandom();

// Seeds the runtime's generator; the scene passes the current time in seconds.
void SeedRuntimeRandom(uint32_t seed);
