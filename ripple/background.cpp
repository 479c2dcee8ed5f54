// Where the picture under the water comes from: a snapshot of the screen the window
// covers, the wallpaper the system reports, or the user's own JPEG or BMP file.
#include <windows.h>
// The shell's desktop object is only declared when the internet header comes first.
#include <wininet.h>
#include <shlobj.h>

#include <mbstring.h>

#include <cstring>

#include "gfx/bmp.h"
#include "gfx/picture_ole.h"
#include "ripple/frame_bitmap.h"
#include "ripple/picture_placing.h"
#include "ripple/scene_wnd.h"

namespace {

const int WALLPAPER_PATH_CHARS = 260;

bool EndsWith(const CString& path, const char* ending)
{
    const CString last = path.Right(4);
    return _mbsicmp(reinterpret_cast<const unsigned char*>(static_cast<const char*>(last)),
                    reinterpret_cast<const unsigned char*>(ending)) == 0;
}

// The wallpaper path from the shell's desktop object; false when the object is missing
// or cannot answer.
bool WallpaperFromShell(CString* path)
{
    CoInitialize(nullptr);
    bool found = false;
    IActiveDesktop* desktop = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IActiveDesktop, reinterpret_cast<void**>(&desktop))) &&
        desktop) {
        WCHAR wallpaper[WALLPAPER_PATH_CHARS] = {};
        if (SUCCEEDED(desktop->GetWallpaper(wallpaper, WALLPAPER_PATH_CHARS, 0))) {
            *path = wallpaper;
            found = true;
        }
        desktop->Release();
    }
    CoUninitialize();
    return found;
}

// Systems whose shell object is missing or does not implement the request still report
// the wallpaper through the system parameters.
bool WallpaperFromSystem(CString* path)
{
    char wallpaper[MAX_PATH + 1] = {};
    if (!SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0)) return false;
    wallpaper[MAX_PATH] = '\0';
    *path = wallpaper;
    return true;
}

// Reads the display's resolution; false when no display context can be made.
bool ReadDisplaySize(int32_t* width, int32_t* height)
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!display) return false;
    *width = GetDeviceCaps(display, HORZRES);
    *height = GetDeviceCaps(display, VERTRES);
    DeleteDC(display);
    return true;
}

// Bytes from one row of a 16-bit bitmap section to the next.
int32_t SectionStride(int32_t width) { return (2 * width + 3) & ~3; }

}  // namespace

void CSceneWnd::LookUpWallpaper()
{
    CString path;
    if (WallpaperFromShell(&path) || WallpaperFromSystem(&path))
        settings.pictureFile = static_cast<const char*>(path);
}

bool CSceneWnd::LoadBackground(Surface* picture, int32_t* clientWidth, int32_t* clientHeight)
{
    if (settings.useWallpaper) LookUpWallpaper();
    if (!ReadDisplaySize(&screenWidth, &screenHeight)) return false;

    RECT client;
    GetClientRect(&client);
    *clientWidth = client.right - client.left;
    *clientHeight = client.bottom - client.top;

    bool loaded;
    const CString path = settings.pictureFile.c_str();
    if (settings.useSnapshot || path.IsEmpty()) {
        SetAutoBlack(FALSE);
        loaded = CaptureDesktop(picture);
    } else if (EndsWith(path, ".bmp")) {
        loaded = LoadBmpFile(picture, path, nullptr);
    } else if (EndsWith(path, ".jpg")) {
        loaded = LoadPictureFile(picture, path);
    } else {
        loaded = false;
    }
    if (!loaded) picture->Release();
    return loaded;
}

bool CSceneWnd::CaptureDesktop(Surface* picture)
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!display) return false;
    HDC memory = CreateCompatibleDC(display);
    screenWidth = GetDeviceCaps(display, HORZRES);
    screenHeight = GetDeviceCaps(display, VERTRES);

    RECT window = {0, 0, 0, 0};
    ::GetWindowRect(m_hWnd, &window);
    const bool isChild = (::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    const ScreenRect area = ChooseCaptureRect(
        isChild, ScreenRect{window.left, window.top, window.right, window.bottom}, screenWidth,
        screenHeight);
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;

    bool captured = false;
    void* sectionBits = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ previous = nullptr;
    if (memory && PictureSizeAllowed(width, height)) {
        SetFrameBitmapSize(width, height);
        section = CreateDIBSection(display, FrameBitmapDescription(), DIB_RGB_COLORS,
                                   &sectionBits, nullptr, 0);
    }
    if (section && sectionBits) {
        previous = SelectObject(memory, section);
        if (previous == HGDI_ERROR) previous = nullptr;
    }
    if (previous &&
        BitBlt(memory, 0, 0, width, height, display, area.left, area.top, SRCCOPY)) {
        GdiFlush();
        picture->Release();
        if (picture->Create(width, height)) {
            FillSurface(picture, 0);
            const int32_t stride = SectionStride(width);
            const uint8_t* row = static_cast<const uint8_t*>(sectionBits);
            for (int32_t r = 0; r < height; ++r, row += stride)
                std::memcpy(picture->bits + static_cast<intptr_t>(r) * picture->pitch, row, stride);
            captured = true;
        }
    }

    if (previous) SelectObject(memory, previous);
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    DeleteDC(display);
    return captured;
}
