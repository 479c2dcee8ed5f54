// The system's open- and save-file choosers as framework dialogs. CFileDialog keeps the
// open-file record in its 76-byte form (the size every 32-bit Windows accepts) and hears
// the chooser's notifications in OnNotify through its hook.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "framework/dialog.h"
#include "framework/string.h"

// A system dialog runs its own OK and Cancel buttons; the object only watches.
class CCommonDialog : public CDialog {
    DECLARE_DYNAMIC(CCommonDialog)
public:
    explicit CCommonDialog(CWnd* pParentWnd) : CDialog(0, pParentWnd) {}

protected:
    void OnOK() override {}
    void OnCancel() override {}
};

class CFileDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter separates descriptions and patterns with '|', as "JPEG Files|*.jpg||".
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr,
                         LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

    // IDOK when the user chose a file, else IDCANCEL.
    int DoModal() override;
    CString GetPathName() const { return CString(m_ofn.lpstrFile); }

    OPENFILENAMEA m_ofn;

protected:
    // The chooser's notifications all answer 0: the chooser goes on as it would alone.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Runs the system's chooser on the record (m_ofn or a copy of it, with its owner set),
    // with this object attached to the chooser's window meanwhile; TRUE when a file was chosen.
    BOOL RunSystemChooser(OPENFILENAMEA* pRecord);

    BOOL m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string m_strFilter;
    char m_szFileName[MAX_PATH];
};
