// PNG pictures become RGB565 surfaces through the platform's imaging component, once the
// data has passed the PNG screen. Systems without that component fail the picture cleanly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

// Decodes the PNG data into the surface, replacing its content. Returns false with
// g_graphicsError set: 16 when the data does not pass ScreenPng, the imaging component is
// missing or refuses the data, or it decodes to another size than the header declared
// (the surface unchanged); 15 when no surface of the picture's size can be made (the
// surface empty). Transparent pixels show their colour as if opaque.
bool DecodePng(Surface* surface, const uint8_t* data, size_t size);
