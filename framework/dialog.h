// Dialogs of the framework layer: CDialog runs a dialog template modally, or lets a host's
// dialog procedure attach and drive it; the data exchange moves values between a dialog's
// members and its controls.
#pragma once

#include <windows.h>

#include "framework/string.h"
#include "framework/wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_lpDialogTemplate(nullptr), m_pParentWnd(pParentWnd)
    {
    }

    // Runs the dialog resource (or m_lpDialogTemplate) with AfxDlgProc; answers the result
    // given to EndDialog, or -1 when the dialog could not be made.
    virtual int DoModal();
    // Shows the members in the controls; TRUE lets the system place the focus.
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }
    // Answers 0 to whatever no handler takes, so the system's dialog manager does the default.
    LRESULT DefWindowProc(UINT, WPARAM, LPARAM) override { return 0; }

protected:
    // Takes the controls into the members, then ends with IDOK; stays open when that fails.
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    LRESULT HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }
    // The owner for the modal run; this object waits for its window from here on.
    HWND PreModal();
    void PostModal();

    UINT m_nIDTemplate;
    LPCDLGTEMPLATEA m_lpDialogTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

// The dialog procedure of DoModal and of the file chooser's hook: on the first message of
// a window that has no object, attaches the object waiting for it (AfxHookWindowCreate, or
// the thread state's alternate); then routes every message through AfxCallWndProc.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_bFailed(FALSE)
    {
    }
    // The control with that id; null, and the exchange failed, when the dialog has none.
    // After a failure the rest of the exchange does nothing.
    CWnd* PrepareCtrl(int nIDC);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    BOOL m_bFailed;
};

// Binds the member control to the dialog's item; a later run of the dialog binds it anew.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// The int is the check state as BM_GETCHECK and BM_SETCHECK know it.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// The index of a drop-down list's chosen entry; -1 when none is chosen.
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
