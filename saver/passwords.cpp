// Loading the password components by name and confirming a close against them.
#include "saver/passwords.h"

#include "saver/host_state.h"

namespace {

const UINT SPI_SCREEN_SAVER_RUNNING = 97;
typedef DWORD(WINAPI* ChangePasswordFunction)(LPCSTR, HWND, DWORD, LPVOID);

// "ScreenSaveUsePassword" as a number of up to four bytes of any type; 0 when it cannot
// be read.
DWORD ReadUsePassword(HKEY key)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

}  // namespace

void SetSaverRunning(bool running)
{
    if (!g_host.onWin9x) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREEN_SAVER_RUNNING, running ? 1 : 0, &previous, 0);
}

void UnloadPasswordVerifier()
{
    if (!g_host.onWin9x || !g_host.passwordModule) return;
    FreeLibrary(g_host.passwordModule);
    g_host.passwordModule = nullptr;
    if (g_host.verifyPassword) {
        g_host.verifyPassword = nullptr;
        SetSaverRunning(false);
    }
}

void LoadPasswordVerifier()
{
    if (!g_host.onWin9x) return;
    if (g_host.passwordModule) UnloadPasswordVerifier();
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
    if (ReadUsePassword(key) != 0) {
        g_host.passwordModule = LoadLibraryA("PASSWORD.CPL");
        if (g_host.passwordModule) {
            g_host.verifyPassword = reinterpret_cast<VerifyPasswordFunction>(
                reinterpret_cast<void*>(GetProcAddress(g_host.passwordModule, "VerifyScreenSavePwd")));
            if (g_host.verifyPassword)
                SetSaverRunning(true);
            else
                UnloadPasswordVerifier();
        }
    }
    RegCloseKey(key);
}

// The verifier's dialog runs its own message loop on this thread, so close requests
// arrive again while it is up; checkingPassword turns them away. Ticks queued before the
// dialog would otherwise all land at once when it ends.
bool ConfirmClose(HWND hWnd)
{
    if (g_host.checkingPassword || g_host.closing) return false;
    if (!g_host.verifyPassword) {
        g_host.closing = true;
        return true;
    }
    const DWORD now = GetTickCount();
    if (g_host.lastPasswordCheck != 0xFFFFFFFF && now - g_host.lastPasswordCheck < PASSWORD_RECHECK_MS)
        return false;

    g_host.checkingPassword = true;
    MSG dropped;
    for (int i = 0; i < 2; ++i)
        PeekMessageA(&dropped, hWnd, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    g_host.closing = SendMessageA(hWnd, WM_VERIFY_PASSWORD, 0, 0) != 0;
    g_host.checkingPassword = false;
    if (!g_host.closing) SetCursor(nullptr);
    g_host.lastPasswordCheck = GetTickCount();
    return g_host.closing;
}

void ChangeSaverPassword(HWND owner)
{
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) return;
    const ChangePasswordFunction change = reinterpret_cast<ChangePasswordFunction>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(mpr);
}
