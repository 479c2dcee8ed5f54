// The bridge between the host's plain window and dialog procedures and the framework's
// objects: the saver window's messages reach the scene, and the settings dialog's the
// dialog object, each attached on its window's first message.
#pragma once

#include <windows.h>

#include "framework/afx.h"
#include "saver/screen_saver_wnd.h"

// The framework base of the settings dialog. Its one live object is currentSaverDlg.
class CScreenSaverDlg : public CDialog {
    DECLARE_DYNAMIC(CScreenSaverDlg)
public:
    explicit CScreenSaverDlg(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);
    ~CScreenSaverDlg() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Whatever no handler takes is left to the system's dialog manager.
    LRESULT DefWindowProc(UINT, WPARAM, LPARAM) override { return 0; }
    // Loads the stored settings into the scene object's record before the dialog shows them.
    BOOL OnInitDialog() override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);

    DECLARE_MESSAGE_MAP()
};

extern CScreenSaverDlg* currentSaverDlg;

// Hands one message of the saver window to the scene object, attaching the object and
// starting the framework on the window's first message and ending it after the last.
LRESULT ForwardToSaverWnd(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog procedure of the settings dialog.
INT_PTR CALLBACK HostDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
