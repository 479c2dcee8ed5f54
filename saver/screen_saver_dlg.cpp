// The settings dialog's framework base: its map, its one live object and its start.
#include "saver/screen_saver_dlg.h"

#include "saver/screen_saver_wnd.h"

CScreenSaverDlg* currentSaverDlg = nullptr;

IMPLEMENT_DYNAMIC(CScreenSaverDlg, CDialog)

// NCDESTROY, IDOK, IDCANCEL and INITDIALOG repeat CWnd's and CDialog's entries on purpose:
// the saver's dialog base answers them itself, so a change to those general maps never
// changes how the settings dialog starts and ends.
BEGIN_MESSAGE_MAP(CScreenSaverDlg, CDialog)
    ON_WM_NCDESTROY()               // void OnNcDestroy(): the object lets go of the window
    ON_WM_CREATE()                  // int OnCreate(LPCREATESTRUCT)
    ON_COMMAND(IDOK, OnOK)          // void OnOK()
    ON_COMMAND(IDCANCEL, OnCancel)  // void OnCancel()
    ON_WM_INITDIALOG()              // LRESULT HandleInitDialog(WPARAM, LPARAM)
END_MESSAGE_MAP()

CScreenSaverDlg::CScreenSaverDlg(UINT nIDTemplate, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd)
{
    currentSaverDlg = this;
}

CScreenSaverDlg::~CScreenSaverDlg()
{
    if (currentSaverDlg == this) currentSaverDlg = nullptr;
}

LRESULT CScreenSaverDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CWnd::WindowProc(message, wParam, lParam);
}

int CScreenSaverDlg::OnCreate(LPCREATESTRUCT)
{
    return Default() == -1 ? -1 : 0;
}

BOOL CScreenSaverDlg::OnInitDialog()
{
    if (currentSaverWnd) currentSaverWnd->LoadSettings();
    return CDialog::OnInitDialog();
}
