// Screens PNG data before any platform decoder sees it, as the JPEG screen does for JPEG:
// a few dozen bytes can declare a picture of 65500 x 65500 pixels, and a decoder that
// believes them allocates gigabytes or runs off its buffers. The screen walks every chunk
// through a bounded cursor, checks each chunk's CRC, and refuses any header whose size the
// library will not hold.
#pragma once

#include <cstddef>
#include <cstdint>

// The size of a PNG picture as its header declares it.
struct PngHeader {
    int32_t width;
    int32_t height;
};

// True when the data begins with the eight-byte PNG signature.
bool LooksLikePng(const uint8_t* data, size_t size);

// Returns true and the header's size when the data holds the signature, an IHDR chunk
// first with a size PictureSizeAllowed accepts and a valid bit depth for its colour type,
// at least one IDAT chunk, and an IEND chunk, every chunk lying inside the data with a
// correct CRC. Returns false otherwise, with g_graphicsError left alone.
bool ScreenPng(const uint8_t* data, size_t size, PngHeader* header);
