// Where the picture under the water comes from: a snapshot of the screen the window
// covers, cut into the part under each monitor, the wallpaper laid out as the desktop lays
// it out, or the user's own JPEG, PNG or BMP file in the layout the user chose. A snapshot
// that saw nothing (one colour, as from a secure desktop) gives way to the wallpaper, else
// to Lakeglass's own lakebed, so that the water is always visible.
#include <windows.h>
// The shell's desktop object is only declared when the internet header comes first.
#include <wininet.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <mbstring.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/picture_ole.h"
#include "ripple/frame_bitmap.h"
#include "ripple/lakebed.h"
#include "ripple/monitor_layout.h"
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

// The desktop's background colour, which the desktop shows wherever its wallpaper leaves
// the screen uncovered.
uint16_t DesktopBackdrop()
{
    const COLORREF colour = GetSysColor(COLOR_DESKTOP);
    return static_cast<uint16_t>(((GetRValue(colour) >> 3) << 11) | ((GetGValue(colour) >> 2) << 5) |
                                 (GetBValue(colour) >> 3));
}

// A number of the desktop's settings, which the system keeps as text; false when it is
// missing or not a plain decimal number.
bool ReadDesktopNumber(const char* name, int32_t* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    char text[16] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(text) - 1;
    const bool read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                                       &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read) return false;
    if (type == REG_DWORD && size == 4) {
        std::memcpy(value, text, 4);
        return true;
    }
    if (type != REG_SZ || text[0] == '\0') return false;
    int32_t number = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || number > 99999) return false;
        number = number * 10 + (*c - '0');
    }
    *value = number;
    return true;
}

// How the desktop lays out its one wallpaper; without the settings it is stretched, the
// way this saver always showed it.
Arrangement SystemWallpaperArrangement()
{
    int32_t style = 2;
    int32_t tile = 0;
    ReadDesktopNumber("WallpaperStyle", &style);
    ReadDesktopNumber("TileWallpaper", &tile);
    return ArrangementForWallpaperStyle(style, tile);
}

std::string NarrowPath(const WCHAR* wide)
{
    char narrow[MAX_PATH + 1] = {};
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, MAX_PATH, nullptr, nullptr) == 0)
        return std::string();
    return narrow;
}

// The wallpaper of one monitor and its position, from the desktop's own wallpaper object
// (Windows 8 and later); false where the object is missing or knows no such monitor.
bool WallpaperFromDesktopObject(const ScreenRect& monitor, std::string* path,
                                Arrangement* arrangement)
{
    CoInitialize(nullptr);
    bool found = false;
    IDesktopWallpaper* desktop = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL,
                                   IID_IDesktopWallpaper, reinterpret_cast<void**>(&desktop))) &&
        desktop) {
        UINT count = 0;
        if (FAILED(desktop->GetMonitorDevicePathCount(&count))) count = 0;
        for (UINT i = 0; i < count && !found; ++i) {
            LPWSTR id = nullptr;
            RECT rect = {0, 0, 0, 0};
            if (SUCCEEDED(desktop->GetMonitorDevicePathAt(i, &id)) && id &&
                SUCCEEDED(desktop->GetMonitorRECT(id, &rect)) &&
                SameRect(ScreenRect{rect.left, rect.top, rect.right, rect.bottom}, monitor)) {
                LPWSTR wallpaper = nullptr;
                if (SUCCEEDED(desktop->GetWallpaper(id, &wallpaper)) && wallpaper) {
                    *path = NarrowPath(wallpaper);
                    CoTaskMemFree(wallpaper);
                    DESKTOP_WALLPAPER_POSITION position = DWPOS_STRETCH;
                    *arrangement = SUCCEEDED(desktop->GetPosition(&position))
                                       ? ArrangementForWallpaperPosition(position)
                                       : SystemWallpaperArrangement();
                    found = true;
                }
            }
            if (id) CoTaskMemFree(id);
        }
        desktop->Release();
    }
    CoUninitialize();
    return found;
}

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(handle, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            Monitor{ScreenRect{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}


// The shell's desktop object first, then the system setting.
bool LookUpWallpaperPath(CString* path)
{
    return WallpaperFromShell(path) || WallpaperFromSystem(path);
}

}  // namespace

std::vector<Monitor> ListMonitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool CSceneWnd::LookUpWallpaper()
{
    CString path;
    if (!LookUpWallpaperPath(&path)) return false;
    settings.pictureFile = static_cast<const char*>(path);
    return true;
}

// The preview shows what the primary monitor would show, shrunk: a picture laid out
// other than by stretching is laid out at the display's size first.
bool CSceneWnd::ArrangeFromSource(const Surface& source, const Arrangement& arrangement,
                                  const SceneArea& area, uint16_t backdrop, Surface* picture)
{
    const bool preview = IsChildWindow() || m_monitors.empty();
    const ScreenRect own = preview ? ScreenRect{0, 0, screenWidth, screenHeight} : area.covered;
    return LayOutPicture(source, arrangement, own, preview ? own : BoundingRect(m_monitors),
                         backdrop, picture);
}

bool CSceneWnd::ArrangeWallpaper(const SceneArea& area, const std::string& systemPath,
                                 Surface* picture)
{
    std::string path = systemPath;
    Arrangement arrangement = SystemWallpaperArrangement();
    if (!IsChildWindow()) WallpaperFromDesktopObject(area.monitor, &path, &arrangement);
    if (path.empty()) return false;
    if (path != m_strPictureOfSource) {
        m_strPictureOfSource.clear();
        if (!LoadPictureFile(&m_picture, path.c_str())) {
            m_picture.Release();
            return false;
        }
        m_strPictureOfSource = path;
    }
    return ArrangeFromSource(m_picture, arrangement, area, DesktopBackdrop(), picture);
}

bool CSceneWnd::ReplaceBlankSnapshot(const SceneArea& area, Surface* picture)
{
    CString wallpaper;
    if (LookUpWallpaperPath(&wallpaper) &&
        ArrangeWallpaper(area, static_cast<const char*>(wallpaper), picture))
        return true;
    return DrawLakebed(picture, FrameWidthFor(RectWidth(area.client)), RectHeight(area.client));
}

bool CSceneWnd::LoadBackground()
{
    m_source = SOURCE_NONE;
    // A wallpaper is taken by its content whatever its name: the system keeps it as a PNG,
    // or as a JPEG without any ending.
    const bool wallpaperFound = settings.useWallpaper && LookUpWallpaper();
    if (!ReadDisplaySize(&screenWidth, &screenHeight)) return false;

    const CString path = settings.pictureFile.c_str();
    if (settings.useSnapshot || path.IsEmpty()) {
        SetAutoBlack(FALSE);
        if (!CaptureDesktop(&m_snapshot)) return false;
        m_source = SOURCE_SNAPSHOT;
    } else if (wallpaperFound) {
        m_source = SOURCE_WALLPAPER;
    } else if (HasPictureEnding(path) && LoadPictureFile(&m_picture, path)) {
        m_source = SOURCE_OWN_PICTURE;
    } else {
        m_picture.Release();
        return false;
    }
    return true;
}

bool CSceneWnd::PictureForArea(const SceneArea& area, Surface* picture)
{
    switch (m_source) {
    case SOURCE_SNAPSHOT:
        // The preview takes the whole display, shrunk; each monitor the desktop under it.
        if (IsChildWindow() ? !CopyWholePicture(m_snapshot, picture)
                            : !CutPicture(m_snapshot, m_snapshotRect, area.covered, picture))
            return false;
        return !PictureIsOneColour(*picture) || ReplaceBlankSnapshot(area, picture);
    case SOURCE_OWN_PICTURE:
        return ArrangeFromSource(m_picture, ArrangementForLayout(settings.pictureLayout), area, 0,
                                 picture);
    case SOURCE_WALLPAPER:
        return ArrangeWallpaper(area, settings.pictureFile, picture);
    default:
        return false;
    }
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
    m_snapshotRect = area;

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
    // The screen's own context counts in virtual-screen coordinates, as the window's
    // rectangle does; a display context may start at the virtual screen's corner instead,
    // which differs where a monitor lies left of or above the primary one.
    HDC screen = previous ? ::GetDC(nullptr) : nullptr;
    if (screen &&
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
        GdiFlush();
        picture->Release();
        if (picture->Create(width, height)) {
            FillSurface(picture, 0);
            CopyBitmapRows(picture, sectionBits);
            captured = true;
        }
    }

    if (screen) ::ReleaseDC(nullptr, screen);
    if (previous) SelectObject(memory, previous);
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    DeleteDC(display);
    return captured;
}
