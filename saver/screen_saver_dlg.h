// The framework base of the settings dialog: the stored settings reach the scene object's
// record before the dialog shows them. Its one live object is currentSaverDlg, which the
// host's dialog procedure drives.
#pragma once

#include "framework/afx.h"

class CScreenSaverDlg : public CDialog {
    DECLARE_DYNAMIC(CScreenSaverDlg)
public:
    explicit CScreenSaverDlg(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);
    ~CScreenSaverDlg() override;

    // Passes straight on; kept so that an override in the settings dialog chains to the
    // saver's base rather than past it to CWnd.
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
