// Turns RGB565 frame pixels into the 32-bit pixels of a true-colour screen, so that the
// platform can copy the frame to the screen instead of converting every pixel itself.
// The expansion repeats each channel's top bits in its new low bits (31 becomes 255, 0
// stays 0), the rule the platform's own conversion follows; the scene checks that rule
// against the platform before it relies on it.
#pragma once

#include <cstddef>
#include <cstdint>

// One pixel: 0x00RRGGBB.
inline uint32_t ExpandRgb565(uint16_t pixel)
{
    const uint32_t r = pixel >> 11, g = (pixel >> 5) & 0x3F, b = pixel & 0x1F;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// `count` pixels, with the widest of the expansions below that the processor runs; which
// one is chosen once.
void ExpandRgb565Row(const uint16_t* source, uint32_t* destination, size_t count);

// The expansions, equal pixel for pixel: eight pixels at a time with SSE2, or sixteen with
// AVX2 (only where ProcessorOffersAvx2), the rest one by one.
void ExpandRgb565RowSse2(const uint16_t* source, uint32_t* destination, size_t count);
void ExpandRgb565RowAvx2(const uint16_t* source, uint32_t* destination, size_t count);
