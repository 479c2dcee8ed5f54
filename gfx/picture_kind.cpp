// A picture's kind from its signature: "BM" for a bitmap, a start-of-image marker for JPEG,
// the eight-byte signature for PNG.
#include "gfx/picture_kind.h"

#include "gfx/jpeg_screen.h"
#include "gfx/png_screen.h"

PictureKind DetectPictureKind(const uint8_t* data, size_t size)
{
    if (!data) return PICTURE_UNKNOWN;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return PICTURE_BMP;
    if (LooksLikeJpeg(data, size)) return PICTURE_JPEG;
    if (LooksLikePng(data, size)) return PICTURE_PNG;
    return PICTURE_UNKNOWN;
}
