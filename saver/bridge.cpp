// Attaching the framework objects to the host's windows and routing their messages.
#include "saver/bridge.h"

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
