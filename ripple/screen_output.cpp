// Both ways of handing the frame to the platform, and the one-time check that the faster
// one shows exactly the same colours.
#include "ripple/screen_output.h"

#include <algorithm>
#include <new>
#include <vector>

#include "ripple/frame_bitmap.h"
#include "ripple/pixel_convert.h"

namespace {

const int COLOUR_SIDE = 256;  // all 65536 colours as one 256 x 256 bitmap

bool AskPlatform()
{
    std::vector<uint16_t> colours(COLOUR_SIDE * COLOUR_SIDE);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint16_t>(i);

    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO target = {};
    target.bmiHeader = {sizeof(BITMAPINFOHEADER), COLOUR_SIDE, -COLOUR_SIDE, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = memory ? CreateDIBSection(screen, &target, DIB_RGB_COLORS, &bits, nullptr, 0)
                             : nullptr;
    HGDIOBJ previous = section ? SelectObject(memory, section) : nullptr;
    bool same = false;
    if (previous && bits) {
        FrameBitmapInfo description = frameBitmapInfo;
        description.header.biWidth = COLOUR_SIDE;
        description.header.biHeight = -COLOUR_SIDE;
        if (SetDIBitsToDevice(memory, 0, 0, COLOUR_SIDE, COLOUR_SIDE, 0, 0, 0, COLOUR_SIDE,
                              colours.data(), reinterpret_cast<BITMAPINFO*>(&description),
                              DIB_RGB_COLORS) == COLOUR_SIDE) {
            GdiFlush();
            const uint32_t* shown = static_cast<const uint32_t*>(bits);
            same = true;
            for (size_t i = 0; i < colours.size() && same; ++i)
                same = (shown[i] & 0xFFFFFF) == ExpandRgb565(colours[i]);
        }
        SelectObject(memory, previous);
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return same;
}

bool DisplayIsTrueColour()
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!display) return false;
    const int bits = GetDeviceCaps(display, BITSPIXEL);
    DeleteDC(display);
    return bits == 32;
}

}  // namespace

bool PlatformExpandsAsWeDo()
{
    static const bool same = AskPlatform();
    return same;
}

void ScreenOutput::Prepare(int32_t width, int32_t height)
{
    Release();
    if (width <= 0 || height <= 0 || !DisplayIsTrueColour() || !PlatformExpandsAsWeDo()) return;
    pixels_.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width) * height]);
    header_ = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
}

void ScreenOutput::Release()
{
    pixels_.reset();
}

void ScreenOutput::Show(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                        const Surface& frame)
{
    width = std::min(width, frame.width);
    height = std::min(height, frame.height);
    if (!pixels_ || header_.biWidth != frame.width || header_.biHeight != -frame.height) {
        // Frames of several sizes share the one description: it takes this frame's first.
        SetFrameBitmapSize(frame.width, frame.height);
        SetDIBitsToDevice(dc, x, y, width, height, 0, 0, 0, frame.height, frame.bits,
                          FrameBitmapDescription(), DIB_RGB_COLORS);
        return;
    }
    // The frame's rows are exactly 2 * width bytes apart, so it converts as one run.
    ExpandRgb565Row(reinterpret_cast<const uint16_t*>(frame.bits), pixels_.get(),
                    static_cast<size_t>(frame.width) * frame.height);
    SetDIBitsToDevice(dc, x, y, width, height, 0, 0, 0, frame.height, pixels_.get(),
                      reinterpret_cast<BITMAPINFO*>(&header_), DIB_RGB_COLORS);
}
