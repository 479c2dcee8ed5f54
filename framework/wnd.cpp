// The framework's core: the table that binds windows to their objects, the routing of one
// message through an object's message maps, and the module and thread state.
#include "framework/wnd.h"

#include <vector>

#include "framework/string.h"

namespace {

struct HandleEntry {
    HWND hWnd;
    CWnd* pWnd;
};

// Few windows have objects at once: the saver window, or the dialog with its controls and
// the file chooser. A free entry has no handle.
HandleEntry handleTable[64];

HandleEntry* FindEntry(HWND hWnd)
{
    for (HandleEntry& entry : handleTable)
        if (entry.hWnd == hWnd) return &entry;
    return nullptr;
}

CWnd temporaryWnds[4];
unsigned nextTemporary = 0;

AFX_MODULE_STATE moduleState;
thread_local AFX_THREAD_STATE threadState;

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* pClass = this; pClass != nullptr; pClass = pClass->m_pBaseClass)
        if (pClass == pBaseClass) return TRUE;
    return FALSE;
}

CObject* AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject)
{
    return pObject != nullptr && pObject->IsKindOf(pClass) ? pObject : nullptr;
}

IMPLEMENT_DYNAMIC(CWnd, CObject)

// A handle still bound to an object that never saw the window's end (a dialog's control,
// say) is stale once the system reuses the handle: the new binding replaces it.
BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_hWnd != nullptr || hWndNew == nullptr) return FALSE;
    HandleEntry* entry = FindEntry(hWndNew);
    if (entry == nullptr) entry = FindEntry(nullptr);
    if (entry == nullptr) return FALSE;
    *entry = HandleEntry{hWndNew, this};
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    const HWND hWnd = m_hWnd;
    HandleEntry* entry = hWnd != nullptr ? FindEntry(hWnd) : nullptr;
    if (entry != nullptr && entry->pWnd == this) *entry = HandleEntry{nullptr, nullptr};
    m_hWnd = nullptr;
    return hWnd;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const HandleEntry* entry = hWnd != nullptr ? FindEntry(hWnd) : nullptr;
    return entry != nullptr ? entry->pWnd : nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = threadState.m_lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    ON_WM_NCDESTROY()
    if (message == WM_NOTIFY) return OnNotify(wParam, lParam, pResult);
    return FALSE;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    const HWND hWnd = ::GetDlgItem(m_hWnd, nID);
    if (hWnd == nullptr) return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd)) return pWnd;
    CWnd& temporary = temporaryWnds[nextTemporary++ % 4];
    temporary.m_hWnd = hWnd;
    return &temporary;
}

void CWnd::GetWindowText(CString& rString) const
{
    std::vector<char> text(::GetWindowTextLengthA(m_hWnd) + 1);
    ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    rString = text.data();
}

AFX_MODULE_STATE* AfxGetModuleState() { return &moduleState; }

AFX_THREAD_STATE* AfxGetThreadState() { return &threadState; }

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPCSTR, int)
{
    moduleState.m_hCurrentInstanceHandle = hInstance;
    moduleState.m_hCurrentResourceHandle = hInstance;
    return TRUE;
}

void AfxWinTerm()
{
    moduleState = AFX_MODULE_STATE{nullptr, nullptr};
    threadState.m_pWndInit = nullptr;
    threadState.m_pAlternateWndInit = nullptr;
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    const MSG previous = threadState.m_lastSentMsg;
    threadState.m_lastSentMsg.hwnd = hWnd;
    threadState.m_lastSentMsg.message = nMsg;
    threadState.m_lastSentMsg.wParam = wParam;
    threadState.m_lastSentMsg.lParam = lParam;
    const LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
    threadState.m_lastSentMsg = previous;
    return result;
}

void AfxHookWindowCreate(CWnd* pWnd) { threadState.m_pWndInit = pWnd; }

BOOL AfxUnhookWindowCreate()
{
    const BOOL found = threadState.m_pWndInit == nullptr;
    threadState.m_pWndInit = nullptr;
    return found;
}
