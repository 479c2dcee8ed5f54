// Modal runs and the framework's dialog procedure, which attaches a waiting dialog object
// to its window; and the data exchange between a dialog's members and its controls.
#include "framework/dialog.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_WM_INITDIALOG()              // LRESULT HandleInitDialog(WPARAM, LPARAM)
    ON_COMMAND(IDOK, OnOK)          // void OnOK()
    ON_COMMAND(IDCANCEL, OnCancel)  // void OnCancel()
END_MESSAGE_MAP()

int CDialog::DoModal()
{
    const HWND hWndOwner = PreModal();
    const HINSTANCE hInstance = AfxGetModuleState()->m_hCurrentResourceHandle;
    const INT_PTR result =
        m_lpDialogTemplate != nullptr
            ? ::DialogBoxIndirectParamA(hInstance, m_lpDialogTemplate, hWndOwner, AfxDlgProc, 0)
            : ::DialogBoxParamA(hInstance, MAKEINTRESOURCEA(m_nIDTemplate), hWndOwner,
                                AfxDlgProc, 0);
    PostModal();
    return static_cast<int>(result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

HWND CDialog::PreModal()
{
    AfxHookWindowCreate(this);
    return m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
}

// Normally the hook was taken on the window's first message and the window let go of the
// object at WM_NCDESTROY; this clears what a run that made no window leaves behind.
void CDialog::PostModal()
{
    AfxUnhookWindowCreate();
    Detach();
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr) {
        AFX_THREAD_STATE* state = AfxGetThreadState();
        CWnd*& waiting =
            state->m_pWndInit != nullptr ? state->m_pWndInit : state->m_pAlternateWndInit;
        if (waiting == nullptr || !waiting->Attach(hWnd)) return FALSE;
        pWnd = waiting;
        waiting = nullptr;
    }
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

CWnd* CDataExchange::PrepareCtrl(int nIDC)
{
    CWnd* pControl = m_bFailed ? nullptr : m_pDlgWnd->GetDlgItem(nIDC);
    if (pControl == nullptr) m_bFailed = TRUE;
    return pControl;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    const CWnd* pControl = pDX->PrepareCtrl(nIDC);
    if (pControl == nullptr || pControl == &rControl) return;
    const HWND hWnd = pControl->m_hWnd;
    rControl.Detach();
    rControl.Attach(hWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    CWnd* pControl = pDX->PrepareCtrl(nIDC);
    if (pControl == nullptr) return;
    if (pDX->m_bSaveAndValidate)
        pControl->GetWindowText(value);
    else
        pControl->SetWindowText(value);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    const CWnd* pControl = pDX->PrepareCtrl(nIDC);
    if (pControl == nullptr) return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(pControl->m_hWnd, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(pControl->m_hWnd, CB_SETCURSEL, index, 0);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    const CWnd* pControl = pDX->PrepareCtrl(nIDC);
    if (pControl == nullptr) return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(pControl->m_hWnd, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(pControl->m_hWnd, BM_SETCHECK, value, 0);
}
