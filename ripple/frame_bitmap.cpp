// The process-wide RGB565 bitmap description.
#include "ripple/frame_bitmap.h"

FrameBitmapInfo frameBitmapInfo = {
    {sizeof(BITMAPINFOHEADER), 0, 0, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0},
    {0xF800, 0x07E0, 0x001F}};

void SetFrameBitmapSize(int32_t width, int32_t height)
{
    frameBitmapInfo.header.biWidth = width;
    frameBitmapInfo.header.biHeight = -height;
}
