// The saver window's class, the area it covers, its procedure and its message loop.
#include "saver/saver_wnd.h"

#include "res/resource.h"
#include "saver/bridge.h"
#include "saver/closing_rules.h"
#include "saver/host_state.h"
#include "saver/input_context.h"
#include "saver/passwords.h"

const char* const SAVER_WINDOW_CLASS = "WindowsScreenSaverClass";
const char* const SAVER_WINDOW_TITLE = "Screen Saver";

namespace {

const char* const PREVIEW_TITLE = "Preview";
const DWORD FULL_SCREEN_STYLE = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD PREVIEW_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

// How long a help request over the preview waits for the display settings to take it.
const UINT HELP_FORWARD_TIMEOUT_MS = 2000;

// Help and context-menu requests over the preview belong to the display settings. A help
// request carries a pointer to its record, which the system refuses to post, so it is sent,
// with a bounded wait that a hung parent cannot turn into a hung preview; a context-menu
// request carries only a position and is posted.
void ForwardToDisplaySettings(HWND parent, UINT message, LPARAM lParam)
{
    const WPARAM parentHandle = reinterpret_cast<WPARAM>(parent);
    if (message == WM_HELP) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(parent, message, parentHandle, lParam, SMTO_ABORTIFHUNG,
                            HELP_FORWARD_TIMEOUT_MS, &answer);
    } else {
        PostMessageA(parent, message, parentHandle, lParam);
    }
}

bool IsSwallowedCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

// Where the window goes and how it looks.
struct SaverPlacement {
    DWORD exStyle;
    DWORD style;
    const char* title;
    RECT area;
};

// A preview fills its parent's client area; the full-screen window covers the screen.
SaverPlacement ChooseScreenArea(HWND parent)
{
    if (parent) {
        SaverPlacement preview = {0, PREVIEW_STYLE, PREVIEW_TITLE, {0, 0, 0, 0}};
        GetClientRect(parent, &preview.area);
        return preview;
    }
    SaverPlacement full = {WS_EX_TOPMOST, FULL_SCREEN_STYLE, SAVER_WINDOW_TITLE, {0, 0, 0, 0}};
    RECT& area = full.area;
    HDC screen = GetDC(nullptr);
    if (!screen || GetClipBox(screen, &area) == ERROR) {
        // Without the screen's clip box the window still covers the whole virtual screen.
        area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    if (screen) ReleaseDC(nullptr, screen);
    return full;
}

bool RegisterSaverClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = g_host.instance;
    windowClass.hIcon = LoadIconA(g_host.instance, MAKEINTRESOURCEA(IDI_LAKEGLASS));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = SAVER_WINDOW_CLASS;
    return RegisterClassA(&windowClass) != 0;
}

// The quit message's value; -1 after an error from the queue, which would repeat for ever.
int RunMessageLoop()
{
    MSG msg = {};
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

}  // namespace

LRESULT CALLBACK HostWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        DetachInputContext(hWnd);
        GetCursorPos(&g_host.lastCursor);
        if (!g_host.isPreview) SetCursor(nullptr);
        break;
    case WM_DESTROY:
        RestoreInputContext(hWnd);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (g_host.closing) return DefWindowProcA(hWnd, message, wParam, lParam);
        if (!g_host.isPreview) SetCursor(nullptr);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (g_host.isPreview) {
            HWND parent = GetParent(hWnd);
            if (parent && IsWindow(parent)) ForwardToDisplaySettings(parent, message, lParam);
            return 1;
        }
        break;
    case WM_SYSCOMMAND:
        if (!g_host.isPreview && IsSwallowedCommand(wParam)) return 0;
        break;
    case WM_TIMER:
        if (g_host.closing) return 0;
        // Lets the rest of the system run between two frames of a busy saver.
        Sleep(0);
        break;
    default:
        if (IsClosingInput(message) && g_host.closing)
            return DefWindowProcA(hWnd, message, wParam, lParam);
        break;
    }
    return ForwardToSaverWnd(hWnd, message, wParam, lParam);
}

int RunSaverWindow(HWND parent)
{
    const SaverPlacement placement = ChooseScreenArea(parent);
    if (parent) {
        g_host.isPreview = true;
    } else {
        HWND running = FindWindowA(SAVER_WINDOW_CLASS, SAVER_WINDOW_TITLE);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
    }
    if (g_host.onWin9x) g_host.autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    // A screen saver runs when nobody works: it takes only what no other program wants.
    // Input still reaches it at once, since the system raises a thread that input wakes.
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);

    const RECT& area = placement.area;
    if (RegisterSaverClass()) {
        g_host.mainWindow = CreateWindowExA(placement.exStyle, SAVER_WINDOW_CLASS, placement.title,
                                            placement.style, area.left, area.top,
                                            area.right - area.left, area.bottom - area.top,
                                            parent, nullptr, g_host.instance, nullptr);
    }
    int result = -1;
    if (g_host.mainWindow) {
        if (!parent) SetForegroundWindow(g_host.mainWindow);
        result = RunMessageLoop();
    }
    UnloadPasswordVerifier();
    return result;
}
