// A rectangle of 16-bit RGB565 pixels in ordinary memory. Rows are padded to a multiple of
// 8 bytes and the buffer carries 7 spare bytes, so that four pixels can always be moved at
// once; the ripple field keeps its height maps in surfaces too.
#pragma once

#include <cstddef>
#include <cstdint>

struct Surface;

// A blitter draws its source record into the destination; the source is a Surface for the
// blitters and a FillRecord for the fills, which is why it is passed untyped.
typedef int (*BlitRoutine)(Surface* destination, const void* source);

// An argument of Surface::Blit that leaves the matching field as it is.
const int32_t BLIT_KEEP = INT32_MIN;

struct Surface {
    int32_t x;               // origin: source (0,0) lands at destination (x - source x)
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t pitch;           // bytes per row: 2 * width rounded up to a multiple of 8
    uint8_t* bits;           // height * pitch + 7 bytes, or null
    uint8_t* alpha;          // height * (pitch / 2) + 3 bytes of 0..31, or null
    int32_t opacity;         // 0..256, read only by the opacity blitters
    bool bitsBorrowed;       // the buffers belong to someone else and are never freed here
    bool alphaBorrowed;
    BlitRoutine blit;        // what Blit runs when this surface is the source

    Surface();

    bool Create(int32_t newWidth, int32_t newHeight);
    bool CreateAlpha();
    void Release();
    int Fill(uint16_t colour);
    void Blit(Surface* destination, int32_t dstX, int32_t dstY, int32_t srcX, int32_t srcY,
              int32_t blitWidth, int32_t blitHeight);

    uint16_t* Row(int32_t row) const { return reinterpret_cast<uint16_t*>(bits + static_cast<intptr_t>(row) * pitch); }
};

int FillSurface(Surface* surface, uint16_t colour);

// Bytes from one row of a 16-bit bitmap section to the next: 2 * width rounded up to a
// multiple of 4, which never exceeds a surface's pitch for the same width.
size_t BitmapRowStride(int32_t width);

// Copies a 16-bit bitmap section of the surface's own size, rows top to bottom, into the
// surface: how the snapshot and the picture decoder take what the platform drew.
void CopyBitmapRows(Surface* surface, const void* sectionBits);
