// The window-framework layer against real windows and real dialogs under Wine: routing
// through the message maps, binding windows to objects, the data exchange with check boxes
// and an edit box, modal results, the file chooser's hook, run-time classes and text.
#include "framework/afx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The host's way: the object waiting here is attached on its window's first message.
CWnd* waitingWnd = nullptr;
int bridgedMessages = 0;

LRESULT CALLBACK BridgeWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++bridgedMessages;
    if (waitingWnd != nullptr && waitingWnd->Attach(hWnd)) waitingWnd = nullptr;
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    return pWnd != nullptr ? AfxCallWndProc(pWnd, hWnd, message, wParam, lParam)
                           : DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND CreateBridgedWindow(CWnd* pWnd)
{
    static const WNDCLASSA windowClass = {0, BridgeWndProc, 0, 0, GetModuleHandleA(nullptr),
                                          nullptr, nullptr, nullptr, nullptr, "FrameworkTest"};
    static const ATOM atom = RegisterClassA(&windowClass);
    waitingWnd = pWnd;
    bridgedMessages = 0;
    return CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A modal run that a broken framework would never end is ended after five seconds.
void CALLBACK EndStuckDialog(HWND, UINT, UINT_PTR, DWORD) { EndDialog(GetActiveWindow(), IDABORT); }

struct StuckDialogGuard {
    const UINT_PTR timer = SetTimer(nullptr, 0, 5000, EndStuckDialog);
    ~StuckDialogGuard() { KillTimer(nullptr, timer); }
};

std::string Entry(const char* what, UINT message, WPARAM wParam)
{
    return std::string(what) + " " + std::to_string(message) + ":" + std::to_string(wParam) + ";";
}

class CBaseWnd : public CWnd {
    DECLARE_DYNAMIC(CBaseWnd)
public:
    std::string log;
    HWND firstHwnd = nullptr;  // the window of the first message routed here
    int messages = 0;
    int createAnswer = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (messages++ == 0) firstHwnd = AfxGetThreadState()->m_lastSentMsg.hwnd;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        log += Entry("default", message, wParam);
        return CWnd::DefWindowProc(message, wParam, lParam);
    }

protected:
    int OnCreate(LPCREATESTRUCT) { return createAnswer; }
    void OnTimer(UINT_PTR) { log += "base timer;"; }
    void OnDestroy() { log += m_hWnd != nullptr ? "destroy while attached;" : "destroy;"; }
    LRESULT OnApp(WPARAM wParam, LPARAM)
    {
        log += "base app;";
        return wParam + 1;
    }
    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNAMIC(CBaseWnd, CWnd)

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_WM_CREATE()             // int OnCreate(LPCREATESTRUCT)
    ON_WM_TIMER()              // void OnTimer(UINT_PTR nIDEvent)
    ON_WM_DESTROY()            // void OnDestroy()
    ON_MESSAGE(WM_APP, OnApp)  // LRESULT OnApp(WPARAM, LPARAM)
END_MESSAGE_MAP()

// Without run-time class information of its own.
class CDerivedWnd : public CBaseWnd {
protected:
    // Timer 9 handles a nested message before it hands its own on.
    void OnTimer(UINT_PTR nIDEvent)
    {
        log += "derived timer " + std::to_string(nIDEvent) + ";";
        if (nIDEvent != 9) return;
        SendMessageA(m_hWnd, WM_APP, 0, 0);
        Default();
    }
    void OnClick() { log += "click;"; }
    void OnMenu() { log += "menu;"; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_TIMER()              // void OnTimer(UINT_PTR nIDEvent)
    ON_BN_CLICKED(7, OnClick)  // void OnClick()
    ON_COMMAND(8, OnMenu)      // void OnMenu()
END_MESSAGE_MAP()

// Attached from the first message to the last; in between, the derived map's entries come
// first, then the base's, then DefWindowProc.
TEST(MessageMap, RoutesARealWindowsMessagesFromItsFirstToNcDestroy)
{
    CDerivedWnd wnd;
    const HWND hWnd = CreateBridgedWindow(&wnd);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(hWnd, wnd.firstHwnd);
    EXPECT_EQ(bridgedMessages, wnd.messages);
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));

    LRESULT result = 0;
    const auto send = [&](UINT message, WPARAM wParam) {
        wnd.log.clear();
        result = SendMessageA(hWnd, message, wParam, 0);
        return wnd.log;
    };
    EXPECT_EQ("derived timer 5;", send(WM_TIMER, 5));
    EXPECT_EQ("base app;", send(WM_APP, 41));
    EXPECT_EQ(42, result);
    EXPECT_EQ(Entry("default", WM_APP + 1, 3), send(WM_APP + 1, 3));
    EXPECT_EQ("derived timer 9;base app;" + Entry("default", WM_TIMER, 9), send(WM_TIMER, 9));
    EXPECT_EQ("click;", send(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED)));
    EXPECT_EQ("menu;", send(WM_COMMAND, MAKEWPARAM(8, 1)));  // from an accelerator
    const WPARAM change = MAKEWPARAM(8, EN_CHANGE);
    EXPECT_EQ(Entry("default", WM_COMMAND, change), send(WM_COMMAND, change));

    wnd.log.clear();
    DestroyWindow(hWnd);
    EXPECT_EQ(0u, wnd.log.find("destroy while attached;"));
    const std::string last = Entry("default", WM_NCDESTROY, 0);  // passed on, then let go
    EXPECT_EQ(last, wnd.log.substr(wnd.log.size() - std::min(last.size(), wnd.log.size())));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(MessageMap, CreationFailsAndTheObjectIsFreeWhenOnCreateAnswersMinusOne)
{
    CDerivedWnd wnd;
    wnd.createAnswer = -1;
    EXPECT_EQ(nullptr, CreateBridgedWindow(&wnd));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(wnd.firstHwnd));
}

TEST(RuntimeClass, ClassesAnswerForThemselvesAndTheirBases)
{
    CDerivedWnd wnd;
    CEdit edit;
    CFileDialog chooser(TRUE);
    EXPECT_STREQ("CBaseWnd", wnd.GetRuntimeClass()->m_lpszClassName);
    EXPECT_STREQ("CWnd", edit.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(wnd.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(wnd.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_FALSE(edit.IsKindOf(RUNTIME_CLASS(CBaseWnd)));
    EXPECT_EQ(nullptr, AfxDynamicDownCast(RUNTIME_CLASS(CDialog), &wnd));
    EXPECT_EQ(static_cast<CObject*>(&chooser), AfxDynamicDownCast(RUNTIME_CLASS(CDialog), &chooser));
    EXPECT_EQ(nullptr, AfxDynamicDownCast(RUNTIME_CLASS(CObject), nullptr));
}

const int FIRST_CHECK = 101;
const int SECOND_CHECK = 102;
const int TEXT_EDIT = 103;
const int MISSING_CONTROL = 999;

// Two automatic check boxes and an edit box, in the in-memory template format.
std::vector<WORD> DialogTemplate()
{
    std::vector<WORD> t;
    const auto dword = [&t](DWORD value) { t.insert(t.end(), {LOWORD(value), HIWORD(value)}); };
    dword(WS_POPUP | WS_CAPTION);
    dword(0);
    t.insert(t.end(), {3, 0, 0, 120, 60, 0, 0, 0});  // items, rectangle, no menu, class or title
    const WORD items[][2] = {{FIRST_CHECK, 0x0080}, {SECOND_CHECK, 0x0080}, {TEXT_EDIT, 0x0081}};
    for (const auto& item : items) {
        if (t.size() % 2 != 0) t.push_back(0);
        dword(WS_CHILD | WS_VISIBLE | (item[1] == 0x0080 ? BS_AUTOCHECKBOX : WS_BORDER));
        dword(0);
        const WORD y = static_cast<WORD>(12 * (item[0] - 100));
        t.insert(t.end(), {5, y, 100, 10, item[0], 0xFFFF, item[1], 0, 0});
    }
    return t;
}

const std::vector<WORD> dialogTemplate = DialogTemplate();
const LPCDLGTEMPLATEA DIALOG_TEMPLATE = reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data());

class CExchangeDlg : public CDialog {
public:
    CExchangeDlg() { m_lpDialogTemplate = DIALOG_TEMPLATE; }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (onInit) onInit(*this);
        return TRUE;
    }

    std::function<void(CExchangeDlg&)> onInit;  // the user's part, once the dialog shows
    bool exchangeMissingControl = false;
    CEdit m_edit;
    CString m_strText;
    int m_bFirst = 0;
    int m_bSecond = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, TEXT_EDIT, m_edit);
        DDX_Text(pDX, TEXT_EDIT, m_strText);
        DDX_Check(pDX, FIRST_CHECK, m_bFirst);
        if (exchangeMissingControl) DDX_Check(pDX, MISSING_CONTROL, m_bSecond);
        DDX_Check(pDX, SECOND_CHECK, m_bSecond);
    }
};

// Notes what the dialog shows, then checks the first box only, types `text` and leaves
// with `command`.
void ShowAndChange(CExchangeDlg& dlg, std::string* shown, const std::string& text, int command)
{
    char typed[2048] = "";
    GetDlgItemTextA(dlg.m_hWnd, TEXT_EDIT, typed, sizeof(typed));
    *shown += std::to_string(IsDlgButtonChecked(dlg.m_hWnd, FIRST_CHECK)) +
              std::to_string(IsDlgButtonChecked(dlg.m_hWnd, SECOND_CHECK)) + " " + typed + ";";
    CheckDlgButton(dlg.m_hWnd, FIRST_CHECK, BST_CHECKED);
    CheckDlgButton(dlg.m_hWnd, SECOND_CHECK, BST_UNCHECKED);
    SetDlgItemTextA(dlg.m_hWnd, TEXT_EDIT, text.c_str());
    PostMessageA(dlg.m_hWnd, WM_COMMAND, command, 0);
}

TEST(Dialog, OkTakesTheControlsIntoTheMembersOnlyWhenAllAreThere)
{
    const StuckDialogGuard guard;
    const std::string longText(1500, 'x');
    std::string shown;
    CExchangeDlg dlg;
    dlg.m_bSecond = 1;
    dlg.m_strText = "C:\\pond.jpg";
    dlg.onInit = [&](CExchangeDlg& d) { ShowAndChange(d, &shown, longText, IDOK); };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_bFirst);
    EXPECT_EQ(0, dlg.m_bSecond);
    EXPECT_EQ(longText, static_cast<const char*>(dlg.m_strText));
    EXPECT_EQ(nullptr, dlg.m_hWnd);

    dlg.onInit = [&](CExchangeDlg& d) {
        EXPECT_EQ(&d.m_edit, CWnd::FromHandlePermanent(GetDlgItem(d.m_hWnd, TEXT_EDIT)));
        ShowAndChange(d, &shown, "", IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ("01 C:\\pond.jpg;10 " + longText + ";", shown);
    EXPECT_EQ(longText, static_cast<const char*>(dlg.m_strText));

    // A missing control fails the exchange from there on, and OK then leaves the dialog up.
    dlg.exchangeMissingControl = true;
    dlg.m_bFirst = 0;
    dlg.onInit = [&](CExchangeDlg& d) {
        ShowAndChange(d, &shown, "", IDOK);
        CheckDlgButton(d.m_hWnd, SECOND_CHECK, BST_CHECKED);
        PostMessageA(d.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_bFirst);
    EXPECT_EQ(0, dlg.m_bSecond);
}

CExchangeDlg* hostedDlg = nullptr;

// Attaches the dialog itself and calls OnInitDialog outside the message map, as the
// screen-saver host does.
INT_PTR CALLBACK HostDialogProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hostedDlg->m_hWnd == nullptr) hostedDlg->Attach(hWnd);
    if (message == WM_INITDIALOG) return hostedDlg->OnInitDialog();
    return AfxCallWndProc(hostedDlg, hWnd, message, wParam, lParam);
}

TEST(Dialog, AHostProcedureCanDriveItAndTheDialogManagerKeepsItsDefaults)
{
    const StuckDialogGuard guard;
    std::string shown;
    LRESULT defaultId = 0;
    CWnd* items[2] = {};
    CExchangeDlg dlg;
    dlg.onInit = [&](CExchangeDlg& d) {
        SendMessageA(d.m_hWnd, DM_SETDEFID, SECOND_CHECK, 0);
        defaultId = SendMessageA(d.m_hWnd, DM_GETDEFID, 0, 0);
        items[0] = d.GetDlgItem(TEXT_EDIT);
        items[1] = d.GetDlgItem(MISSING_CONTROL);
        EXPECT_EQ(GetDlgItem(d.m_hWnd, FIRST_CHECK), d.GetDlgItem(FIRST_CHECK)->m_hWnd);
        ShowAndChange(d, &shown, "hosted", IDOK);
    };
    hostedDlg = &dlg;
    EXPECT_EQ(IDOK, DialogBoxIndirectParamA(GetModuleHandleA(nullptr), DIALOG_TEMPLATE, nullptr,
                                            HostDialogProcedure, 0));
    EXPECT_EQ(MAKELONG(SECOND_CHECK, DC_HASDEFID), defaultId);
    EXPECT_EQ(&dlg.m_edit, items[0]);
    EXPECT_EQ(nullptr, items[1]);
    EXPECT_EQ("hosted", dlg.m_strText);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

class CAutoFileDialog : public CFileDialog {
public:
    using CFileDialog::CFileDialog;
    std::vector<UINT> codes;

protected:
    // Confirms the file the chooser starts with, as a user pressing Open would.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        codes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
        if (codes.back() == CDN_INITDONE) PostMessageA(GetParent(m_hWnd), WM_COMMAND, IDOK, 0);
        return CFileDialog::OnNotify(wParam, lParam, pResult);
    }
};

TEST(FileDialog, NotificationsReachOnNotifyAndThePathComesBack)
{
    char folder[MAX_PATH] = "";
    char path[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    ASSERT_NE(0u, GetTempFileNameA(folder, "lg", 0, path));
    CDerivedWnd owner;
    ASSERT_NE(nullptr, CreateBridgedWindow(&owner));
    const StuckDialogGuard guard;

    CAutoFileDialog chooser(TRUE, "jpg", path, OFN_FILEMUSTEXIST, "Any (*.*)|*.*|JPEG|*.jpg", &owner);
    EXPECT_EQ(static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A), chooser.m_ofn.lStructSize);
    EXPECT_EQ(std::string("Any (*.*)\0*.*\0JPEG\0*.jpg\0\0", 26),
              std::string(chooser.m_ofn.lpstrFilter, 26));
    EXPECT_EQ(IDOK, chooser.DoModal());
    EXPECT_EQ(0, lstrcmpiA(path, chooser.GetPathName())) << chooser.GetPathName();
    ASSERT_LE(2u, chooser.codes.size());
    EXPECT_EQ(CDN_INITDONE, chooser.codes.front());
    EXPECT_EQ(CDN_FILEOK, chooser.codes.back());
    EXPECT_EQ(nullptr, chooser.m_hWnd);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    DestroyWindow(owner.m_hWnd);
    DeleteFileA(path);
}

TEST(CString, RightStopsAtTheWholeTextAndUtf16GoesThroughTheAnsiCodePage)
{
    const CString name(L"lake.JPG");
    EXPECT_EQ(".JPG", name.Right(4));
    EXPECT_EQ("lake.JPG", name.Right(8));
    EXPECT_EQ("lake.JPG", name.Right(9));
    EXPECT_TRUE(name.Right(0).IsEmpty());
    EXPECT_TRUE(name.Right(-1).IsEmpty());
    CString emptied = name;
    emptied.Empty();
    EXPECT_TRUE(emptied.Right(4).IsEmpty());
    EXPECT_NE(name, emptied);

    EXPECT_TRUE(CString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
    EXPECT_TRUE(CString(L"").IsEmpty());
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    const CString text(L"Caf\u00e9 \u6e56");  // the second word has no character in 1252
    EXPECT_EQ("Caf\xe9 ?", text);
    EXPECT_EQ(6, text.GetLength());
}

}  // namespace
