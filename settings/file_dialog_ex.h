// The picture chooser behind the settings dialog's Browse button: the framework's file
// dialog, except that Windows 2000 and later receive the open-file record in its full size,
// while the framework's own copy keeps the short form its other operations expect.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "framework/afx.h"

class CFileDialogEx : public CFileDialog {
    DECLARE_DYNAMIC(CFileDialogEx)
public:
    // The framework's file dialog as the arguments make it; nothing else is set.
    using CFileDialog::CFileDialog;

    // IDOK when the user chose a file, else IDCANCEL. Afterwards m_ofn holds what the
    // system wrote (the chosen path among it) in its short form.
    int DoModal() override;

    // The NT platform from version 5 on, the first to take the full-size record.
    static bool IsWindows2000OrLater();

    // The record the system dialog actually works on; meaningful only during DoModal.
    OPENFILENAMEA m_ofnEx = {};

protected:
    // Notifications arrive while the system holds m_ofnEx, so the framework's copy is
    // brought up to date before the framework looks at it.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    DECLARE_MESSAGE_MAP()

private:
    void CopyBackToFrameworkRecord();
};
