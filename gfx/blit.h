// The blit family: every member draws one source rectangle into a destination surface,
// placed by the two origins and clipped to the destination, and differs only in what it
// does to each pixel.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

// A fill stands where a source surface stands: its first six fields line up with a
// Surface's x, y, width, height, pitch and bits.
struct FillRecord {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t level;    // 0..256, read only by FillRectBlend
    int32_t colour;   // RGB565 in the low 16 bits
};

const uint16_t COLOUR_KEY = 0xFFFF;

int BlitCopy(Surface* destination, const void* source);
int BlitCopyReversed(const Surface* source, Surface* destination);
int BlitKeyed(Surface* destination, const void* source);
int BlitAdd(Surface* destination, const void* source);
int BlitSubtract(Surface* destination, const void* source);
int BlitBlend(Surface* destination, const void* source);
int BlitBlendKeyed(Surface* destination, const void* source);
int BlitFade(Surface* destination, const void* source);
int BlitFadeKeyed(Surface* destination, const void* source);
int BlitAlpha(Surface* destination, const void* source);
int BlitAlphaBlend(Surface* destination, const void* source);
int FillRect(Surface* destination, const void* fill);
int FillRectBlend(Surface* destination, const void* fill);
