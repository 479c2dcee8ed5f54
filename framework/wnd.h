// The window object of the framework layer: CWnd binds a system window to an object and
// routes each of its messages through the message maps of the object's classes, most
// derived first. Run-time class information and the framework's module and thread state
// live here too.
#pragma once

#include <windows.h>

class CDC;
class CDataExchange;
class CString;
class CWnd;

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                   \
public:                                               \
    static const CRuntimeClass class##class_name;     \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                    \
    const CRuntimeClass class_name::class##class_name = {#class_name,                     \
                                                         RUNTIME_CLASS(base_class_name)}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

class CObject {
public:
    static const CRuntimeClass classCObject;
    virtual ~CObject() {}
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
};

// The object itself when it is of the class or derived from it, else null.
CObject* AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject);

// A message map is the class's OnWndMsg: each entry is one test that decodes the parameters
// and calls the handler; what no entry takes goes on to the base class's map.
#define DECLARE_MESSAGE_MAP() \
protected:                    \
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
    BOOL theClass::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) \
    {                                                                                     \
        typedef baseClass TheBaseClass;

#define END_MESSAGE_MAP()                                                \
        return TheBaseClass::OnWndMsg(message, wParam, lParam, pResult); \
    }

#define AFX_MAP_ENTRY(test, call) \
    if (test) {                   \
        *pResult = 0;             \
        call;                     \
        return TRUE;              \
    }

#define ON_WM_CREATE()               \
    AFX_MAP_ENTRY(message == WM_CREATE, \
                  *pResult = OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
#define ON_WM_DESTROY() AFX_MAP_ENTRY(message == WM_DESTROY, OnDestroy())
#define ON_WM_NCDESTROY() AFX_MAP_ENTRY(message == WM_NCDESTROY, OnNcDestroy())
#define ON_WM_TIMER() AFX_MAP_ENTRY(message == WM_TIMER, OnTimer(static_cast<UINT_PTR>(wParam)))
#define ON_WM_PAINT() AFX_MAP_ENTRY(message == WM_PAINT, OnPaint())
#define ON_WM_ERASEBKGND()                                                          \
    AFX_MAP_ENTRY(message == WM_ERASEBKGND, CDC dc(reinterpret_cast<HDC>(wParam)); \
                  *pResult = OnEraseBkgnd(&dc))
#define ON_WM_PALETTECHANGED()                  \
    AFX_MAP_ENTRY(message == WM_PALETTECHANGED, \
                  OnPaletteChanged(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(wParam))))
#define ON_WM_QUERYNEWPALETTE() \
    AFX_MAP_ENTRY(message == WM_QUERYNEWPALETTE, *pResult = OnQueryNewPalette())
#define ON_WM_INITDIALOG() \
    AFX_MAP_ENTRY(message == WM_INITDIALOG, *pResult = HandleInitDialog(wParam, lParam))
// A command comes from a menu (code 0), an accelerator (1) or a button click (BN_CLICKED, 0).
#define ON_COMMAND(id, memberFxn)                                                       \
    AFX_MAP_ENTRY(message == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) <= 1, \
                  memberFxn())
#define ON_BN_CLICKED(id, memberFxn)                                                          \
    AFX_MAP_ENTRY(message == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == BN_CLICKED, \
                  memberFxn())
#define ON_MESSAGE(msg, memberFxn) \
    AFX_MAP_ENTRY(message == (msg), *pResult = memberFxn(wParam, lParam))

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() : m_hWnd(nullptr) {}
    ~CWnd() override { Detach(); }
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Binding for good: FromHandlePermanent finds the object until Detach or WM_NCDESTROY.
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    static CWnd* FromHandlePermanent(HWND hWnd);
    HWND GetSafeHwnd() const { return m_hWnd; }

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message being handled, passed to DefWindowProc unchanged.
    LRESULT Default();

    // TRUE: from the controls into the members; FALSE: back. FALSE when a control is missing.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // The control's attached object, or a temporary one that stays valid for a few more
    // look-ups; null when the window has no such control.
    CWnd* GetDlgItem(int nID) const;
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    void GetWindowText(CString& rString) const;
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
    {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE)
    {
        ::InvalidateRect(m_hWnd, lpRect, bErase);
    }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

    HWND m_hWnd;

protected:
    // CWnd's own map: WM_NCDESTROY lets go of the window, WM_NOTIFY goes to OnNotify.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
    virtual void DoDataExchange(CDataExchange*) {}

    // The handlers of the message-map entries, for a derived class to call first.
    int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
    void OnDestroy() { Default(); }
    void OnNcDestroy()
    {
        Default();
        Detach();
    }
    void OnTimer(UINT_PTR) { Default(); }
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    void OnPaletteChanged(CWnd*) { Default(); }
    BOOL OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
};

struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
};

struct AFX_THREAD_STATE {
    MSG m_lastSentMsg;           // the message being handled, for CWnd::Default
    CWnd* m_pWndInit;            // waits for its window since AfxHookWindowCreate
    CWnd* m_pAlternateWndInit;   // an Explorer-style file chooser waiting for its hook window
};

AFX_MODULE_STATE* AfxGetModuleState();
AFX_THREAD_STATE* AfxGetThreadState();
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPCSTR lpCmdLine, int nCmdShow);
void AfxWinTerm();
// Routes one message through the object's WindowProc with the message recorded for Default.
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// The object is attached to the next window that the framework's dialog procedure meets.
void AfxHookWindowCreate(CWnd* pWnd);
// TRUE when the hooked object found its window (or none was waiting).
BOOL AfxUnhookWindowCreate();
