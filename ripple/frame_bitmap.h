// The one description of the 16-bit bitmaps handed to the platform: RGB565 by its three
// colour masks, rows top to bottom by a negative height. The desktop snapshot writes the
// captured size into it, then the scene the frame's size.
#pragma once

#include <windows.h>

#include <cstdint>

struct FrameBitmapInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

extern FrameBitmapInfo frameBitmapInfo;

void SetFrameBitmapSize(int32_t width, int32_t height);

inline BITMAPINFO* FrameBitmapDescription()
{
    return reinterpret_cast<BITMAPINFO*>(&frameBitmapInfo);
}
