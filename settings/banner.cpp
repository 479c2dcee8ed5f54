// Fitting the settings dialog's banner to its place: the large drawing is averaged down
// (or spread up) with the system's smooth stretch into a bitmap of the place's size.
#include "settings/banner.h"

#include <algorithm>

#include "res/resource.h"

RECT BannerPartFilling(SIZE drawing, SIZE place)
{
    RECT part = {0, 0, drawing.cx, drawing.cy};
    if (place.cx <= 0 || place.cy <= 0) return part;
    // The drawing's width that the place's proportions ask for at the drawing's height.
    const long long width = static_cast<long long>(place.cx) * drawing.cy / place.cy;
    if (width < drawing.cx) {
        const LONG used = std::max<LONG>(1, static_cast<LONG>(width));
        part.left = (drawing.cx - used) / 2;
        part.right = part.left + used;
    } else {
        const long long height = static_cast<long long>(place.cy) * drawing.cx / place.cx;
        const LONG used = std::max<LONG>(1, static_cast<LONG>(height));
        part.top = (drawing.cy - used) / 2;
        part.bottom = part.top + used;
    }
    return part;
}

namespace {

// A 24-bit bitmap holds the banner on every display depth and has no alpha channel that
// the static control could take for transparency.
HBITMAP MakeBitmap(HDC dc, SIZE size)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// HALFTONE averages every drawing pixel that falls on a place pixel, so the banner stays
// smooth at every scale. The 95/98/Me family has no such mode; where it is refused, the
// nearest pixels' colours are the best there is.
BOOL StretchSmoothly(HDC to, SIZE place, HDC from, const RECT& part)
{
    if (!::SetStretchBltMode(to, HALFTONE)) ::SetStretchBltMode(to, COLORONCOLOR);
    ::SetBrushOrgEx(to, 0, 0, nullptr);
    return ::StretchBlt(to, 0, 0, place.cx, place.cy, from, part.left, part.top,
                        part.right - part.left, part.bottom - part.top, SRCCOPY);
}

}  // namespace

HBITMAP MakeFittedBanner(HWND banner)
{
    RECT client = {};
    if (!::GetClientRect(banner, &client) || client.right <= 0 || client.bottom <= 0)
        return nullptr;
    const SIZE place = {client.right, client.bottom};
    const HINSTANCE module =
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(banner, GWLP_HINSTANCE));
    const HBITMAP drawing = static_cast<HBITMAP>(::LoadImageA(
        module, MAKEINTRESOURCEA(IDB_BANNER_3X), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP drawn = {};
    if (drawing == nullptr || !::GetObjectA(drawing, sizeof(drawn), &drawn)) {
        if (drawing) ::DeleteObject(drawing);
        return nullptr;
    }

    const HDC screen = ::GetDC(banner);
    const HDC from = ::CreateCompatibleDC(screen);
    const HDC to = ::CreateCompatibleDC(screen);
    HBITMAP fitted = MakeBitmap(screen, place);
    BOOL stretched = FALSE;
    if (from && to && fitted) {
        const HGDIOBJ oldFrom = ::SelectObject(from, drawing);
        const HGDIOBJ oldTo = ::SelectObject(to, fitted);
        stretched = StretchSmoothly(
            to, place, from, BannerPartFilling({drawn.bmWidth, drawn.bmHeight}, place));
        ::SelectObject(from, oldFrom);
        ::SelectObject(to, oldTo);
    }
    if (to) ::DeleteDC(to);
    if (from) ::DeleteDC(from);
    ::ReleaseDC(banner, screen);
    ::DeleteObject(drawing);
    if (!stretched && fitted) {
        ::DeleteObject(fitted);
        fitted = nullptr;
    }
    return fitted;
}
