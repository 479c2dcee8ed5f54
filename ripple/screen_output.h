// How a frame reaches the screen. The frame is RGB565; a true-colour screen would have the
// platform convert every pixel on every frame, so where the platform is known to convert
// exactly as ExpandRgb565 does, the scene converts the frame itself, eight pixels at a
// time, and hands over 32-bit pixels the platform only copies. Elsewhere the 16-bit frame
// goes to the platform as it is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "gfx/surface.h"

class ScreenOutput {
public:
    // Chooses the way for a frame of this size on the display; the 32-bit way needs a
    // true-colour display, the platform's own conversion to match, and the memory.
    void Prepare(int32_t width, int32_t height);
    void Release();
    bool UsesTrueColour() const { return pixels_ != nullptr; }

    // Shows the frame's first width x height pixels at (x, y) of the device context.
    void Show(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, const Surface& frame);
    // Forces the 16-bit way, for comparing the two.
    void UseFrameAsItIs() { Release(); }

private:
    std::unique_ptr<uint32_t[]> pixels_;
    BITMAPINFOHEADER header_ = {};
};

// True when the platform turns every RGB565 colour into exactly the 32-bit pixel that
// ExpandRgb565 gives. Asked once per process.
bool PlatformExpandsAsWeDo();
