// The file chooser's record, built from the caller's arguments; the hook through which
// the chooser's notifications reach the object; and the modal run around the system's call.
#include "framework/file_dialog.h"

#include <cstddef>
#include <cstring>

// OPENFILENAME_SIZE_VERSION_400A is no constant expression, so its 76 bytes are checked
// through the offset of its last field. The short record is the full one's beginning, which
// is what lets a chooser copy one into the other.
#if defined(__i386__)
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 400A open-file record is 76 bytes");
static_assert(sizeof(OPENFILENAMEA) == 88, "the full open-file record is 88 bytes");
#endif

namespace {

// Called for the chooser's own dialog, or for the child dialog that an Explorer-style
// chooser makes for its hook. A notification's answer goes in the dialog's message result.
UINT_PTR CALLBACK FileDialogHook(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const INT_PTR result = AfxDlgProc(hWnd, message, wParam, lParam);
    if (message != WM_NOTIFY) return result;
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

IMPLEMENT_DYNAMIC(CCommonDialog, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(lpszDefExt != nullptr ? lpszDefExt : ""),
      m_strFilter(lpszFilter != nullptr ? lpszFilter : "")
{
    std::memset(&m_ofn, 0, sizeof(m_ofn));
    std::memset(m_szFileName, 0, sizeof(m_szFileName));
    if (lpszFileName != nullptr) lstrcpynA(m_szFileName, lpszFileName, MAX_PATH);
    for (char& c : m_strFilter)
        if (c == '|') c = '\0';
    m_strFilter.push_back('\0');  // the list ends with two zero bytes even without "||"

    m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    m_ofn.lpstrFilter = lpszFilter != nullptr ? m_strFilter.c_str() : nullptr;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = lpszDefExt != nullptr ? m_strDefExt.c_str() : nullptr;
    m_ofn.Flags = dwFlags | OFN_ENABLEHOOK | OFN_EXPLORER;
    m_ofn.lpfnHook = FileDialogHook;
}

int CFileDialog::DoModal()
{
    m_ofn.hwndOwner = PreModal();
    const BOOL chosen = RunSystemChooser(&m_ofn);
    PostModal();
    return chosen ? IDOK : IDCANCEL;
}

// An Explorer-style chooser meets the object through its hook's child dialog, any other
// through its own dialog, which is the next window the framework's procedure sees.
BOOL CFileDialog::RunSystemChooser(OPENFILENAMEA* pRecord)
{
    AfxUnhookWindowCreate();
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (pRecord->Flags & OFN_EXPLORER)
        state->m_pAlternateWndInit = this;
    else
        AfxHookWindowCreate(this);
    const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(pRecord) : ::GetSaveFileNameA(pRecord);
    state->m_pAlternateWndInit = nullptr;
    return chosen;
}

BOOL CFileDialog::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    if (code > CDN_FIRST || code < CDN_LAST) return FALSE;
    *pResult = 0;
    return TRUE;
}
