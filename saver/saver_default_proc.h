// Where every message that the scene leaves unhandled ends: the host's default handling of
// the saver window, which applies the closing rules before the system's own.
#pragma once

#include <windows.h>

LRESULT SaverDefaultProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
