// The host's one process-wide record: the module, the platform family, the saver window
// and its flags, the mouse reference, the password hooks, and the input method's context.
#pragma once

#include <windows.h>

#include <cstdint>

typedef BOOL(WINAPI* VerifyPasswordFunction)(HWND);
typedef HANDLE(WINAPI* AssociateContextFunction)(HWND, HANDLE);

struct HostState {
    HINSTANCE instance = nullptr;
    bool onWin9x = false;        // the 95/98/Me family: the saver asks for the password itself
    HWND mainWindow = nullptr;
    bool isPreview = false;
    bool closing = false;        // a close was confirmed; input no longer matters
    bool checkingPassword = false;
    POINT lastCursor = {0, 0};   // where the mouse must travel from to close the saver
    uint32_t mouseThreshold = 4; // the largest travel, in pixels, that does not close it
    UINT autoPlayMessage = 0;
    DWORD lastPasswordCheck = 0xFFFFFFFF;  // end of the last verification; all bits: none yet
    HMODULE passwordModule = nullptr;
    VerifyPasswordFunction verifyPassword = nullptr;  // null: no password is required
    AssociateContextFunction associateContext = nullptr;  // the input method's, once found
    HANDLE savedInputContext = nullptr;  // taken from the saver window while it runs
};

extern HostState g_host;
