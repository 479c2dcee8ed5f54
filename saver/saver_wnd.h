// The window the saver runs in: a full-screen topmost popup, or a child filling the
// preview window the display settings hand over. Its procedure passes messages on to the
// scene; what the scene leaves unhandled comes back to the closing rules (closing_rules.h).
#pragma once

#include <windows.h>

extern const char* const SAVER_WINDOW_CLASS;  // "WindowsScreenSaverClass"
extern const char* const SAVER_WINDOW_TITLE;  // "Screen Saver"

// Creates the window (full screen when the parent is null) and runs its message loop;
// returns the quit message's value, 0 when another full-screen saver already runs, and
// -1 when no window could be made.
int RunSaverWindow(HWND parent);
LRESULT CALLBACK HostWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
