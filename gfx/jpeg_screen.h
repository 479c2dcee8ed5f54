// Screens JPEG data before the platform's picture decoder sees it. The decoder trusts the
// size in a frame header and, given a few hundred bytes that claim a picture of 60000 x
// 60000 pixels, writes out of bounds; the screen reads the markers up to the first scan
// and refuses any frame whose size the library will not hold.
#pragma once

#include <cstddef>
#include <cstdint>

// The size of a JPEG picture as its frame headers declare it.
struct JpegFrame {
    int32_t width;
    int32_t height;
};

// True when the data begins like a JPEG file: a start-of-image marker followed by
// another marker.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

// Walks the marker segments from the start of the image to the first scan. Returns true
// and the frame's size when every segment lies inside the data, at least one frame header
// is present, every frame header (and hierarchical frame size) declares a size that
// PictureSizeAllowed accepts, and, for Huffman-coded frames, the data is long enough to
// hold one bit for every 8 x 8 block of the picture's coarsest component, which any
// encoder must spend. Returns false otherwise, with g_graphicsError left alone.
bool ScreenJpeg(const uint8_t* data, size_t size, JpegFrame* frame);
