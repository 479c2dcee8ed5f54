// The library's own BMP reader: 8-bit palette, 16-bit and 24-bit Windows bitmaps become
// RGB565 surfaces, and an optional second bitmap of the same size becomes the surface's
// alpha map. Every byte it reads is checked against the length it is given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

// The largest picture either loader accepts: each side at most 32768 pixels and at most
// 2^26 pixels in all (8192 x 8192, more than an 8K screen). That keeps the surface's pixel
// buffer (about 128 MiB) and alpha map, and every byte offset into them, far inside the
// signed 32-bit range that row arithmetic and the 32-bit address space allow.
const int32_t PICTURE_MAX_SIDE = 32768;
const int64_t PICTURE_MAX_PIXELS = int64_t(1) << 26;

// True when a picture of this size can be given a surface: both sides at least 1 and
// within the limits above. A picture without pixels is refused because it would divide
// by zero when stretched to the screen.
bool PictureSizeAllowed(int64_t width, int64_t height);

// Parses the BMP file image of `size` bytes at `data` into the surface and, when
// `maskData` is not null, the BMP file image of `maskSize` bytes at `maskData` into its
// alpha map (0..31 from the mask's green channel). Returns false with g_graphicsError set:
// 16 for data that is not a well-formed BMP of a supported depth, 15 for a picture size
// that cannot be given a surface or a mask whose size differs from the picture's.
bool ReadBmp(Surface* surface, const uint8_t* data, size_t size, const uint8_t* maskData,
             size_t maskSize);

// Reads the BMP file at `path`, and the one at `maskPath` when it is not null, then
// parses them with ReadBmp. A file that cannot be read fails before anything is parsed,
// with the surface unchanged.
bool LoadBmpFile(Surface* surface, const char* path, const char* maskPath);
