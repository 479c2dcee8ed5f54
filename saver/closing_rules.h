// The rules by which the full-screen saver closes: input and system events ask for a close,
// the close is confirmed against the password, and what is left goes to the system.
#pragma once

#include <windows.h>

// The saver's default handling: the closing rules, the password's verify request, the
// autoplay reply, then the system's default.
LRESULT SaverDefaultProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Keyboard and mouse input, each of which may close the saver.
bool IsClosingInput(UINT message);
