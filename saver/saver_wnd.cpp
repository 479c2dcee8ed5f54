// The saver window's class, its message loop and its closing rules.
#include "saver/saver_wnd.h"

#include <cstdlib>

#include "res/resource.h"
#include "saver/bridge.h"
#include "saver/host_state.h"
#include "saver/passwords.h"

const char* const SAVER_WINDOW_CLASS = "WindowsScreenSaverClass";
const char* const SAVER_WINDOW_TITLE = "Screen Saver";

namespace {

const char* const PREVIEW_TITLE = "Preview";
const DWORD FULL_SCREEN_STYLE = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD PREVIEW_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
const WPARAM PWR_CRITICAL_RESUME = 3;

typedef HANDLE(WINAPI* AssociateContextFunction)(HWND, HANDLE);

// The input method's context is taken from the window while it runs, so that no
// composition window opens over the water, and given back at the end. The module is only
// used when something else already loaded it.
struct ImeState {
    AssociateContextFunction associate = nullptr;
    HANDLE savedContext = nullptr;
};
ImeState ime;

void DetachInputContext(HWND hWnd)
{
    HMODULE imm = GetModuleHandleA("IMM32.DLL");
    if (!imm) return;
    ime.associate = reinterpret_cast<AssociateContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")));
    if (ime.associate) ime.savedContext = ime.associate(hWnd, nullptr);
}

void RestoreInputContext(HWND hWnd)
{
    if (ime.associate && ime.savedContext) ime.associate(hWnd, ime.savedContext);
}

void RequestClose(HWND hWnd) { PostMessageA(hWnd, WM_CLOSE, 0, 0); }

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

// Travel is measured on the screen from where the cursor was last taken, not from the
// message's own coordinates.
void CloseOnMouseTravel(HWND hWnd)
{
    POINT now;
    // A position that cannot be read (the input desktop is another one) is no travel.
    if (!GetCursorPos(&now)) return;
    const uint32_t travel = static_cast<uint32_t>(std::abs(now.x - g_host.lastCursor.x)) +
                            static_cast<uint32_t>(std::abs(now.y - g_host.lastCursor.y));
    if (travel > g_host.mouseThreshold) {
        RequestClose(hWnd);
        g_host.lastCursor = now;
    }
}

// The closing rules; true when the message is answered here with `result`.
bool ApplyClosingRules(HWND hWnd, UINT message, WPARAM wParam, LRESULT* result)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        RequestClose(hWnd);
        break;
    case WM_MOUSEMOVE:
        CloseOnMouseTravel(hWnd);
        break;
    case WM_ACTIVATEAPP:
        if (wParam == 0) RequestClose(hWnd);
        break;
    case WM_POWER:
        if (wParam == PWR_CRITICAL_RESUME) RequestClose(hWnd);
        break;
    case WM_POWERBROADCAST:
        RequestClose(hWnd);
        break;
    case WM_SHOWWINDOW:
        if (wParam) SetCursor(nullptr);
        break;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        *result = 1;
        return true;
    default:
        break;
    }
    return false;
}

bool IsSwallowedCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

bool IsClosingInput(UINT message)
{
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_MOUSEMOVE ||
           message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

}  // namespace

LRESULT SaverDefaultProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_host.isPreview && !g_host.closing) {
        if (message == WM_CLOSE) {
            if (g_host.onWin9x && !ConfirmClose(hWnd)) {
                GetCursorPos(&g_host.lastCursor);
                return 0;
            }
        } else if (message == WM_VERIFY_PASSWORD && g_host.onWin9x) {
            return g_host.verifyPassword ? g_host.verifyPassword(hWnd) : 1;
        } else if (!g_host.checkingPassword) {
            LRESULT result = 0;
            if (ApplyClosingRules(hWnd, message, wParam, &result)) return result;
        }
    }
    if (g_host.autoPlayMessage != 0 && message == g_host.autoPlayMessage) {
        RequestClose(hWnd);
        return g_host.verifyPassword ? 1 : 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

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
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = g_host.instance;
    windowClass.hIcon = LoadIconA(g_host.instance, MAKEINTRESOURCEA(IDI_LAKEGLASS));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = SAVER_WINDOW_CLASS;

    DWORD exStyle;
    DWORD style;
    const char* title;
    RECT area = {0, 0, 0, 0};
    if (parent) {
        GetClientRect(parent, &area);
        exStyle = 0;
        style = PREVIEW_STYLE;
        title = PREVIEW_TITLE;
        g_host.isPreview = true;
    } else {
        HDC screen = GetDC(nullptr);
        if (!screen || GetClipBox(screen, &area) == ERROR) {
            // Without the screen's clip box the window still covers the whole virtual screen.
            area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
            area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
            area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
            area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
        }
        if (screen) ReleaseDC(nullptr, screen);
        exStyle = WS_EX_TOPMOST;
        style = FULL_SCREEN_STYLE;
        title = SAVER_WINDOW_TITLE;
        HWND running = FindWindowA(SAVER_WINDOW_CLASS, SAVER_WINDOW_TITLE);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
    }
    if (g_host.onWin9x) g_host.autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");

    if (RegisterClassA(&windowClass)) {
        g_host.mainWindow = CreateWindowExA(exStyle, SAVER_WINDOW_CLASS, title, style, area.left,
                                            area.top, area.right - area.left,
                                            area.bottom - area.top, parent, nullptr,
                                            g_host.instance, nullptr);
    }
    int result = -1;
    if (g_host.mainWindow) {
        if (!parent) SetForegroundWindow(g_host.mainWindow);
        MSG msg = {};
        BOOL got;
        // An error from the queue would repeat for ever; it ends the run instead.
        while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        result = got == 0 ? static_cast<int>(msg.wParam) : -1;
    }
    UnloadPasswordVerifier();
    return result;
}
