// The closing rules of the full-screen saver and the saver's default message handling.
#include "saver/closing_rules.h"

#include <cstdint>
#include <cstdlib>

#include "saver/host_state.h"
#include "saver/passwords.h"

namespace {

const WPARAM PWR_CRITICAL_RESUME = 3;

void RequestClose(HWND hWnd) { PostMessageA(hWnd, WM_CLOSE, 0, 0); }

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

// True when the message is answered here with `result`.
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
    case WM_DISPLAYCHANGE: {
        // A monitor that goes away may take the cursor with it: the system moving it is
        // no travel of the user's, so the reference is taken anew.
        POINT now;
        if (GetCursorPos(&now)) g_host.lastCursor = now;
        break;
    }
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

}  // namespace

bool IsClosingInput(UINT message)
{
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_MOUSEMOVE ||
           message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

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
