// Attaching the framework objects to the host's windows and routing their messages.
#include "saver/bridge.h"

CScreenSaverDlg* currentSaverDlg = nullptr;

IMPLEMENT_DYNAMIC(CScreenSaverDlg, CDialog)

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

LRESULT ForwardToSaverWnd(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScreenSaverWnd* pWnd = currentSaverWnd;
    if (!pWnd) return 0;
    if (!pWnd->m_hWnd) {
        const HINSTANCE instance =
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hWnd, GWLP_HINSTANCE));
        AfxWinInit(instance, nullptr, "", SW_SHOWNORMAL);
        pWnd->Attach(hWnd);
    }
    const LRESULT result = AfxCallWndProc(pWnd, pWnd->m_hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) AfxWinTerm();
    return result;
}

INT_PTR CALLBACK HostDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScreenSaverDlg* pDlg = currentSaverDlg;
    if (!pDlg) return 0;
    if (!pDlg->m_hWnd) pDlg->Attach(hDlg);
    if (message == WM_INITDIALOG) {
        CObject* pObject = CWnd::FromHandlePermanent(hDlg);
        CDialog* pDialog =
            static_cast<CDialog*>(AfxDynamicDownCast(RUNTIME_CLASS(CDialog), pObject));
        return pDialog ? pDialog->OnInitDialog() : TRUE;
    }
    return AfxCallWndProc(pDlg, pDlg->m_hWnd, message, wParam, lParam);
}
