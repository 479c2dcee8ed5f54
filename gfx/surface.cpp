// Creation, release and filling of surfaces. Buffers come from calloc so that an
// impossible size fails with a null pointer (and code 1) instead of ending the program,
// and so that every buffer, spare bytes included, starts zeroed.
#include "gfx/surface.h"

#include <cstdlib>
#include <cstring>

#include "gfx/blit.h"
#include "gfx/error.h"

namespace {

const int64_t SPARE_PIXEL_BYTES = 7;
const int64_t SPARE_ALPHA_BYTES = 3;

// calloc of a 64-bit byte count; null when it cannot be represented on this platform.
uint8_t* AllocateZeroed(int64_t bytes)
{
    if (bytes < 0 || static_cast<uint64_t>(bytes) > SIZE_MAX) return nullptr;
    return static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
}

}  // namespace

Surface::Surface()
    : x(0), y(0), width(0), height(0), pitch(0), bits(nullptr), alpha(nullptr), opacity(0),
      bitsBorrowed(false), alphaBorrowed(false), blit(BlitCopy)
{
}

bool Surface::Create(int32_t newWidth, int32_t newHeight)
{
    // The pitch is computed in 64 bits: 2 * width overflows 32 bits for large widths.
    const int64_t widePitch = (2 * static_cast<int64_t>(newWidth) + 7) & ~int64_t(7);
    width = newWidth;
    height = newHeight;
    pitch = widePitch <= INT32_MAX ? static_cast<int32_t>(widePitch) : 0;
    x = 0;
    y = 0;
    if (!bitsBorrowed && bits) std::free(bits);
    bits = nullptr;

    if (newWidth < 0 || newHeight < 0 || widePitch > INT32_MAX)
        return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    bits = AllocateZeroed(widePitch * newHeight + SPARE_PIXEL_BYTES);
    if (!bits) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    bitsBorrowed = false;
    return true;
}

bool Surface::CreateAlpha()
{
    if (!alphaBorrowed && alpha) std::free(alpha);
    alpha = nullptr;
    if (height < 0 || pitch < 0) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    alpha = AllocateZeroed(static_cast<int64_t>(height) * (pitch / 2) + SPARE_ALPHA_BYTES);
    if (!alpha) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    alphaBorrowed = false;
    return true;
}

void Surface::Release()
{
    if (!bitsBorrowed && bits) std::free(bits);
    if (!alphaBorrowed && alpha) std::free(alpha);
    *this = Surface();
}

int Surface::Fill(uint16_t colour)
{
    return FillSurface(this, colour);
}

int FillSurface(Surface* surface, uint16_t colour)
{
    if (surface->width <= 0 || !surface->bits) return 0;
    for (int32_t row = 0; row < surface->height; ++row) {
        uint16_t* pixels = surface->Row(row);
        for (int32_t column = 0; column < surface->width; ++column) pixels[column] = colour;
    }
    return 0;
}

size_t BitmapRowStride(int32_t width)
{
    return (2 * static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3);
}

void CopyBitmapRows(Surface* surface, const void* sectionBits)
{
    const size_t stride = BitmapRowStride(surface->width);
    const uint8_t* row = static_cast<const uint8_t*>(sectionBits);
    for (int32_t r = 0; r < surface->height; ++r, row += stride)
        std::memcpy(surface->Row(r), row, stride);
}
