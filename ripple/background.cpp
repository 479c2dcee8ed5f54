// Where the picture under the water comes from: a snapshot of the screen the window
// covers, the wallpaper the system reports, or the user's own JPEG, PNG or BMP file. A
// snapshot that saw nothing (one colour, as from a secure desktop) gives way to the
// wallpaper, else to Lakeglass's own lakebed, so that the water is always visible.
#include <windows.h>
// The shell's desktop object is only declared when the internet header comes first.
#include <wininet.h>
#include <shlobj.h>

#include <mbstring.h>

#include <cstring>

#include "gfx/bmp.h"
#include "gfx/picture_ole.h"
#include "ripple/frame_bitmap.h"
#include "ripple/lakebed.h"
#include "ripple/picture_placing.h"
#include "ripple/scene_wnd.h"

namespace {

const int WALLPAPER_PATH_CHARS = 260;

// The endings an own picture may have, case ignored; the file is then read by its content.
const char* const PICTURE_ENDINGS[] = {".bmp", ".jpg", ".jpeg", ".jpe", ".png"};

bool EndsWith(const CString& path, const char* ending)
{
    const CString last = path.Right(static_cast<int>(std::strlen(ending)));
    return _mbsicmp(reinterpret_cast<const unsigned char*>(static_cast<const char*>(last)),
                    reinterpret_cast<const unsigned char*>(ending)) == 0;
}

bool HasPictureEnding(const CString& path)
{
    for (const char* ending : PICTURE_ENDINGS)
        if (EndsWith(path, ending)) return true;
    return false;
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

// The shell's desktop object first, then the system setting.
bool LookUpWallpaperPath(CString* path)
{
    return WallpaperFromShell(path) || WallpaperFromSystem(path);
}

}  // namespace

bool CSceneWnd::LookUpWallpaper()
{
    CString path;
    if (!LookUpWallpaperPath(&path)) return false;
    settings.pictureFile = static_cast<const char*>(path);
    return true;
}

bool CSceneWnd::ReplaceBlankSnapshot(Surface* picture, int32_t clientWidth, int32_t clientHeight)
{
    CString wallpaper;
    Surface loaded;
    if (LookUpWallpaperPath(&wallpaper) && !wallpaper.IsEmpty() &&
        LoadPictureFile(&loaded, wallpaper)) {
        picture->Release();
        *picture = loaded;
        return true;
    }
    loaded.Release();
    return DrawLakebed(picture, FrameWidthFor(clientWidth), clientHeight);
}

bool CSceneWnd::LoadBackground(Surface* picture, int32_t* clientWidth, int32_t* clientHeight)
{
    // A wallpaper is taken by its content whatever its name: the system keeps it as a PNG,
    // or as a JPEG without any ending.
    const bool wallpaperFound = settings.useWallpaper && LookUpWallpaper();
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
        if (loaded && PictureIsOneColour(*picture))
            loaded = ReplaceBlankSnapshot(picture, *clientWidth, *clientHeight);
    } else if (wallpaperFound || HasPictureEnding(path)) {
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
            CopyBitmapRows(picture, sectionBits);
            captured = true;
        }
    }

    if (previous) SelectObject(memory, previous);
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    DeleteDC(display);
    return captured;
}
