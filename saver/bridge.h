// The bridge between the host's plain window and dialog procedures and the framework's
// objects: the saver window's messages reach the scene, and the settings dialog's the
// dialog object, each attached on its window's first message.
#pragma once

#include <windows.h>

#include "framework/afx.h"
#include "saver/screen_saver_dlg.h"
#include "saver/screen_saver_wnd.h"

// Hands one message of the saver window to the scene object, attaching the object and
// starting the framework on the window's first message and ending it after the last.
LRESULT ForwardToSaverWnd(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog procedure of the settings dialog.
INT_PTR CALLBACK HostDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
