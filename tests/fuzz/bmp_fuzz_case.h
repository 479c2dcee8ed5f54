// One run of the BMP reader on arbitrary bytes, with the promises every result must keep;
// shared by the deterministic sweep and the coverage-guided fuzzer. A broken promise ends
// the program with a message, as a sanitizer report would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How the surface looks before the read: empty, or a 3 x 3 picture with an alpha map.
enum class StartState { EMPTY, CREATED_WITH_ALPHA };

// Reads `picture` (and `mask` when not null) into a fresh surface in the given state,
// checks the result and releases everything.
void RunBmpCase(const uint8_t* picture, size_t pictureSize, const uint8_t* mask, size_t maskSize,
                StartState start);

// The fuzzer's input layout. Byte 0 picks the form: bit 0 clear and bit 1 clear, the rest
// is a picture without a mask; bit 0 set, the rest is both picture and mask; otherwise
// bytes 1-2 (little-endian) give the picture's length, modulo what is left, and the mask
// follows the picture. Each form runs from both start states.
void RunFuzzInput(const uint8_t* data, size_t size);

// Packs a picture and a mask (or none) into the fuzzer's input layout.
std::vector<uint8_t> PackFuzzInput(const std::vector<uint8_t>& picture,
                                   const std::vector<uint8_t>* mask);
