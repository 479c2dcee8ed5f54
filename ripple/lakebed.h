// Lakeglass's own picture for when there is nothing else to show under the water: a
// pebbled lakebed in light and shade, drawn by code at the size asked for, so that the
// rings always have detail to bend. The same size always gives the same picture.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

// Re-creates `picture` at width x height and draws the lakebed into it. Returns false, with
// the picture released, when no surface of that size can be made.
bool DrawLakebed(Surface* picture, int32_t width, int32_t height);

// True when every pixel of the picture has one and the same colour (or it has no pixels):
// such a snapshot saw nothing of the desktop, and water over it would refract nothing.
bool PictureIsOneColour(const Surface& picture);
