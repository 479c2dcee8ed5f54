// JPEG pictures become RGB565 surfaces at their own size through the platform's OLE
// picture decoder: it draws the picture into a 16-bit bitmap section, whose rows are then
// copied into the surface. The data is screened first; BMP data takes the library's own
// reader instead, PNG data the imaging component, and no other format reaches the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

// Decodes the `size` bytes at `data` into the surface, replacing its content. The caller
// has initialised the component library on this thread. Returns false with
// g_graphicsError set: 1 when the decoder's memory block cannot be allocated, 16 when the
// bytes are not a JPEG whose frame passes ScreenJpeg and that the decoder draws at a size
// of at least one pixel (the surface unchanged), 15 when no surface of the picture's size
// can be made (the surface empty). BMP data ("BM") is read by ReadBmp and PNG data by
// DecodePng, each with its own results.
bool DecodePicture(Surface* surface, const uint8_t* data, size_t size);

// Reads the file at `path` whole and decodes it with DecodePicture. A file that cannot be
// read fails with the surface unchanged.
bool LoadPictureFile(Surface* surface, const char* path);
