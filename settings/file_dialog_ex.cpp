// The picture chooser's modal run: the system dialog works on a full-size copy of the
// framework's open-file record where the system knows that size, and every change the
// system makes flows back into the framework's short record.
#include "settings/file_dialog_ex.h"

#include <cstring>

#include "framework/platform_version.h"

IMPLEMENT_DYNAMIC(CFileDialogEx, CFileDialog)

BEGIN_MESSAGE_MAP(CFileDialogEx, CCommonDialog)
END_MESSAGE_MAP()

// The system may read the whole file-name buffer (a multiple selection is a list of
// names ending in two zero bytes), so nothing left over after the initial name may remain.
static void ClearAfterText(char* buffer, DWORD size)
{
    if (buffer == nullptr || size == 0) return;
    char* end = static_cast<char*>(std::memchr(buffer, 0, size));
    if (end == nullptr) end = buffer + size - 1;
    std::memset(end, 0, static_cast<size_t>(buffer + size - end));
}

// The owner stays disabled from before the system dialog appears until after it is gone,
// and is enabled again only if it was enabled before; the window that had the focus (the
// Browse button) gets it back.
int CFileDialogEx::DoModal()
{
    ClearAfterText(m_ofn.lpstrFile, m_ofn.nMaxFile);
    const HWND hWndFocus = ::GetFocus();

    m_ofn.hwndOwner = PreModal();
    const bool reenableOwner =
        m_ofn.hwndOwner != nullptr && ::IsWindowEnabled(m_ofn.hwndOwner);
    if (reenableOwner) ::EnableWindow(m_ofn.hwndOwner, FALSE);

    std::memset(&m_ofnEx, 0, sizeof(m_ofnEx));
    std::memcpy(&m_ofnEx, &m_ofn, OPENFILENAME_SIZE_VERSION_400A);
    m_ofnEx.lStructSize =
        IsWindows2000OrLater() ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;
    const BOOL chosen = RunSystemChooser(&m_ofnEx);
    CopyBackToFrameworkRecord();

    if (reenableOwner) ::EnableWindow(m_ofnEx.hwndOwner, TRUE);
    if (hWndFocus != nullptr && ::IsWindow(hWndFocus)) ::SetFocus(hWndFocus);
    PostModal();
    return chosen ? IDOK : IDCANCEL;
}

BOOL CFileDialogEx::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CopyBackToFrameworkRecord();
    return CFileDialog::OnNotify(wParam, lParam, pResult);
}

void CFileDialogEx::CopyBackToFrameworkRecord()
{
    std::memcpy(&m_ofn, &m_ofnEx, OPENFILENAME_SIZE_VERSION_400A);
    m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
}

// A system that answers no version record gets the short open-file record.
bool CFileDialogEx::IsWindows2000OrLater()
{
    OSVERSIONINFOEXA info;
    return ReadPlatformVersion(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           info.dwMajorVersion >= 5;
}
