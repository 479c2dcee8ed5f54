// The input method's context is taken from the saver window while it runs, so that no
// composition window opens over the water, and given back at the end.
#pragma once

#include <windows.h>

// The input method's module is only used when something else already loaded it.
void DetachInputContext(HWND hWnd);
void RestoreInputContext(HWND hWnd);
