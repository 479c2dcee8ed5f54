// The settings dialog and its picture chooser under Wine: the program's own dialog template
// runs through the host's dialog procedure, a script clicks, types and slides inside its
// modal loop as a user would, answers the real open-file dialog, and the registry shows
// what OK and Cancel left behind. The banner is read back pixel by pixel at several
// display scales.
#include "settings/banner.h"
#include "settings/file_dialog_ex.h"
#include "settings/settings_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// The program's two process-wide objects: the scene holds the record, the dialog edits it.
CSceneWnd theScene;
CSettingsDlg theDialog;

const int SLIDER_IDS[] = {IDC_RIPPLE_SIZE, IDC_RIPPLE_DEPTH, IDC_DROP_SIZE, IDC_DROP_WEIGHT};
using Numbers = std::vector<long long>;
using Values = std::map<std::string, std::pair<DWORD, std::string>>;  // name: type, data

// ---- the registry -----------------------------------------------------------------------

Values ReadKey()
{
    Values values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    char name[256], data[1024];
    DWORD nameSize = sizeof(name), size = sizeof(data), type = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
         ++i, nameSize = sizeof(name), size = sizeof(data))
        values[name] = {type, std::string(data, size)};
    RegCloseKey(key);
    return values;
}

// The eight numbers in the table's order, -1 where one is missing.
Numbers StoredNumbers()
{
    const Values values = ReadKey();
    Numbers numbers;
    for (const SettingInfo& info : g_settingTable) {
        if (info.isText) continue;
        const auto found = values.find(info.registryName);
        uint32_t value = 0;
        const bool present = found != values.end() && found->second.first == REG_DWORD &&
                             found->second.second.size() == 4;
        if (present) std::memcpy(&value, found->second.second.data(), 4);
        numbers.push_back(present ? static_cast<long long>(value) : -1);
    }
    return numbers;
}

// Only the numbers at these places of the table's order.
Numbers StoredNumbers(std::initializer_list<int> places)
{
    const Numbers all = StoredNumbers();
    Numbers some;
    for (int place : places) some.push_back(all[place]);
    return some;
}

std::string StoredPath()
{
    const Values values = ReadKey();
    const auto found = values.find("BG File Name");
    return found == values.end() ? "(none)" : found->second.second.c_str();
}

void Put(const char* name, DWORD type, const void* data, size_t size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SETTINGS_KEY, &key));
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
}

void PutNumber(const char* name, uint32_t value) { Put(name, REG_DWORD, &value, 4); }

void PutPath(const std::string& path)
{
    Put("BG File Name", REG_SZ, path.c_str(), path.size() + 1);
}

// ---- what the dialog shows ------------------------------------------------------------

std::string Text(HWND window, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(window, id, text, sizeof(text));
    return text;
}

// Every control's state on one line, so that one comparison shows all differences.
std::string Shown(HWND dlg)
{
    auto state = [dlg](int id) {
        return std::to_string(SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0));
    };
    auto enabled = [dlg](int id) { return std::to_string(IsWindowEnabled(GetDlgItem(dlg, id))); };
    std::string shown = "effects " + state(IDC_RAIN) + state(IDC_REBOUND) + state(IDC_FANCY) +
                        " sound " + state(IDC_SOUND) + " background " + state(IDC_SNAPSHOT) +
                        state(IDC_WALLPAPER) + state(IDC_OWN_PICTURE) + " path [" +
                        Text(dlg, IDC_PICTURE_PATH) + "] enabled " + enabled(IDC_PICTURE_PATH) +
                        enabled(IDC_BROWSE) + " sliders";
    for (int id : SLIDER_IDS)
        shown += " " + std::to_string(SendDlgItemMessageA(dlg, id, TBM_GETPOS, 0, 0));
    return shown;
}

// ---- a script inside the modal loops ----------------------------------------------------

// A step answers true when done, false to be tried again on the next tick. A step that
// opens a modal window (Browse, a refused OK) stays inside it while the following steps
// run on the ticks that the inner loop delivers.
using Step = std::function<bool(HWND dlg)>;

struct Script {
    std::vector<Step> steps;
    size_t next;
    int running;  // steps entered and not yet returned
    DWORD deadline;
    bool timedOut;
};

Script* script = nullptr;

// The chooser's file-name box: a combo box where the system took the full record, an
// edit box where it took the short one.
HWND FileNameBox(HWND chooser)
{
    const HWND combo = GetDlgItem(chooser, 0x47C);
    return combo != nullptr ? combo : GetDlgItem(chooser, 0x480);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// A visible dialog owned by the settings dialog: the chooser has a file-name box, a
// message box has none.
HWND OwnedDialog(HWND dlg, bool chooser)
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        char name[16] = "";
        GetClassNameA(window, name, sizeof(name));
        if (window != dlg && std::strcmp(name, "#32770") == 0 && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) == dlg &&
            (FileNameBox(window) != nullptr) == chooser)
            return window;
    }
    return nullptr;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND dlg = theDialog.m_hWnd;
    if (script == nullptr || dlg == nullptr || script->timedOut) return;
    if (GetTickCount() > script->deadline) {
        script->timedOut = true;
        for (bool chooser : {true, false})
            if (HWND owned = OwnedDialog(dlg, chooser))
                PostMessageA(owned, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    } else if (script->next < script->steps.size()) {
        const size_t step = script->next++;
        ++script->running;
        if (!script->steps[step](dlg)) --script->next;
        --script->running;
    }
}

// Dialog 2003 from the built program, run as the settings mode runs it, with the
// program's module as the place of the resources its controls load; answers its result.
INT_PTR RunDialog(std::vector<Step> steps)
{
    static const HMODULE program = LoadLibraryExA(LAKEGLASS_SCR, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(IDD_SETTINGS), RT_DIALOG);
    EXPECT_NE(nullptr, found) << LAKEGLASS_SCR;
    if (found == nullptr) return -1;
    Script run = {std::move(steps), 0, 0, GetTickCount() + 20000, false};
    script = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    const INT_PTR result = DialogBoxIndirectParamA(
        program, static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(program, found))),
        nullptr, HostDialogProc, 0);
    KillTimer(nullptr, timer);
    script = nullptr;
    EXPECT_FALSE(run.timedOut) << "stuck at step " << run.next;
    EXPECT_EQ(run.steps.size(), run.next);
    return result;
}

Step Do(std::function<void(HWND)> action)
{
    return [action](HWND dlg) {
        action(dlg);
        return true;
    };
}

Step Click(int id)
{
    return Do([id](HWND dlg) { SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0); });
}

Step Capture(std::string* shown)
{
    return Do([shown](HWND dlg) { *shown = Shown(dlg); });
}

// The sliders' own keys, as at the keyboard; each slider tells the dialog itself.
Step SliderKeys(UINT key)
{
    return Do([key](HWND dlg) {
        for (int id : SLIDER_IDS) SendDlgItemMessageA(dlg, id, WM_KEYDOWN, key, 0);
    });
}

// The end of a drag: the new position and the notifications a drag sends.
Step SlideTo(int id, int position)
{
    return Do([id, position](HWND dlg) {
        const HWND slider = GetDlgItem(dlg, id);
        const LPARAM from = reinterpret_cast<LPARAM>(slider);
        SendMessageA(slider, TBM_SETPOS, TRUE, position);
        SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), from);
        SendMessageA(dlg, WM_HSCROLL, TB_ENDTRACK, from);
    });
}

Step Type(const std::string& text)
{
    return Do([text](HWND dlg) {
        SendDlgItemMessageA(dlg, IDC_PICTURE_PATH, EM_SETSEL, 0, -1);
        for (char c : text) SendDlgItemMessageA(dlg, IDC_PICTURE_PATH, WM_CHAR, c, 1);
    });
}

// Types the path into the chooser and confirms it; an empty path cancels the chooser.
Step AnswerChooser(const std::string& path)
{
    return [path](HWND dlg) {
        const HWND chooser = OwnedDialog(dlg, true);
        if (chooser == nullptr) return false;
        SetWindowTextA(FileNameBox(chooser), path.c_str());
        PostMessageA(chooser, WM_COMMAND, path.empty() ? IDCANCEL : IDOK, 0);
        return true;
    };
}

Step AnswerMessageBox(std::string* text)
{
    return [text](HWND dlg) {
        const HWND box = OwnedDialog(dlg, false);
        if (box == nullptr) return false;
        *text = Text(box, 0xFFFF);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

// Waits until every step that opened a modal window has come back from it.
Step Settled()
{
    return [](HWND) { return script->running == 1; };
}

// Files are made through the wide calls, which take paths longer than the ANSI ones do.
std::wstring Wide(const std::string& path)
{
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

std::string MakeFile(const std::string& path)
{
    CloseHandle(
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return path;
}

std::string TempFolder()
{
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY); }
};

TEST_F(SettingsDialog, NoStoredSettingsShowTheDefaultsAndCancelStoresNothing)
{
    std::string shown, ranges;
    EXPECT_EQ(IDCANCEL, RunDialog({Capture(&shown), Do([&](HWND dlg) {
                                       for (int id : SLIDER_IDS)
                                           ranges += std::to_string(SendDlgItemMessageA(
                                                         dlg, id, TBM_GETRANGEMIN, 0, 0)) + ".." +
                                                     std::to_string(SendDlgItemMessageA(
                                                         dlg, id, TBM_GETRANGEMAX, 0, 0)) + " ";
                                   }),
                                   Click(IDCANCEL)}));
    EXPECT_EQ("effects 111 sound 1 background 001 path [] enabled 11 sliders 4 6 2 6", shown);
    EXPECT_EQ("2..8 2..8 1..7 3..9 ", ranges);
    EXPECT_TRUE(ReadKey().empty());
    EXPECT_EQ(nullptr, theDialog.m_hWnd);
}

// The inverted depth slider must not overflow on the most negative value either.
TEST_F(SettingsDialog, ValuesOutsideTheSlidersShowAtTheNearerEndAndOkStoresThatEnd)
{
    const struct {
        uint32_t size, depth, dropSize, weight;
        const char* shown;
        Numbers stored;
    } cases[] = {
        {0x7FFFFFFF, 9, 0x80000000u, 1000, "sliders 8 2 1 3", {8, 8, 1, 768}},
        {1, 0x80000000u, 8, 2559, "sliders 2 8 7 9", {2, 2, 7, 2304}},
    };
    for (const auto& c : cases) {
        PutNumber("Ripple Size", c.size);
        PutNumber("Ripple Depth", c.depth);
        PutNumber("Drop Size", c.dropSize);
        PutNumber("Drop Weight", c.weight);
        std::string shown;
        EXPECT_EQ(IDOK, RunDialog({Capture(&shown), Click(IDOK)}));
        EXPECT_EQ(c.shown, shown.substr(shown.find("sliders")));
        EXPECT_EQ(c.stored, StoredNumbers({4, 5, 6, 7}));
    }
}

TEST_F(SettingsDialog, SliderEndsAndPositionsStoreTheirValues)
{
    EXPECT_EQ(IDOK, RunDialog({SliderKeys(VK_END), SlideTo(IDC_RIPPLE_SIZE, 5), Click(IDOK)}));
    EXPECT_EQ((Numbers{7, 0, 0, 1, 5, 2, 7, 2304, 0, 1}), StoredNumbers());  // depth at "Deep"
    EXPECT_EQ(IDOK, RunDialog({SliderKeys(VK_HOME), SlideTo(IDC_DROP_WEIGHT, 4), Click(IDOK)}));
    EXPECT_EQ((Numbers{7, 0, 0, 1, 2, 8, 1, 1024, 0, 1}), StoredNumbers());  // depth at "Shallow"
}

TEST_F(SettingsDialog, EffectBoxesSetOnlyTheirBitsAndSoundIsStoredAsOneOrZero)
{
    const struct {
        uint32_t style, sound;
        std::vector<int> clicks;
        const char* shown;
        Numbers stored;  // style, sound
    } cases[] = {
        {0x8000000A, 5, {IDC_RAIN, IDC_REBOUND}, "effects 010 sound 1", {0x80000009, 1}},
        {7, 1, {IDC_RAIN, IDC_REBOUND, IDC_FANCY, IDC_SOUND}, "effects 111 sound 1", {0, 0}},
    };
    for (const auto& c : cases) {
        PutNumber("Ripple Style", c.style);
        PutNumber("Sound Effects", c.sound);
        std::string shown;
        std::vector<Step> steps = {Capture(&shown)};
        for (int id : c.clicks) steps.push_back(Click(id));
        steps.push_back(Click(IDOK));
        EXPECT_EQ(IDOK, RunDialog(steps));
        EXPECT_EQ(0u, shown.find(c.shown)) << shown;
        EXPECT_EQ(c.stored, StoredNumbers({0, 3}));
    }
}

TEST_F(SettingsDialog, BackgroundButtonsSwitchThePathBoxWhichKeepsItsText)
{
    PutPath("C:\\pond\\lake.jpg");
    std::string opened, wallpaper, own, snapshot;
    EXPECT_EQ(IDOK, RunDialog({Capture(&opened), Click(IDC_WALLPAPER), Capture(&wallpaper),
                               Click(IDC_OWN_PICTURE), Capture(&own), Click(IDC_SNAPSHOT),
                               Capture(&snapshot), Click(IDOK)}));
    const std::string path = " path [C:\\pond\\lake.jpg] enabled ";
    EXPECT_NE(std::string::npos, opened.find("background 001" + path + "11")) << opened;
    EXPECT_NE(std::string::npos, wallpaper.find("background 010" + path + "00")) << wallpaper;
    EXPECT_NE(std::string::npos, own.find("background 001" + path + "11")) << own;
    EXPECT_NE(std::string::npos, snapshot.find("background 100" + path + "00")) << snapshot;
    EXPECT_EQ((Numbers{1, 0}), StoredNumbers({1, 2}));

    // Both flags read as the snapshot; OK there leaves the stored path as it was.
    PutNumber("Wallpaper", 1);
    PutPath("C:\\pond\\other.jpg");
    EXPECT_EQ(IDOK, RunDialog({Capture(&opened), Click(IDOK)}));
    EXPECT_NE(std::string::npos,
              opened.find("background 100 path [C:\\pond\\other.jpg] enabled 00"))
        << opened;
    EXPECT_EQ("C:\\pond\\other.jpg", StoredPath());
}

// The layout list belongs to the own picture, the monitors' box to every background; a
// stored layout that is none of the list's shows as Stretch.
TEST_F(SettingsDialog, LayoutAndMonitorsShowTheStoredChoiceAndOkStoresTheNewOne)
{
    auto capture = [](std::string* shown) {
        return Do([shown](HWND dlg) {
            *shown = std::to_string(SendDlgItemMessageA(dlg, IDC_PICTURE_LAYOUT, CB_GETCURSEL, 0, 0)) +
                     " " + Text(dlg, IDC_PICTURE_LAYOUT) + " enabled " +
                     std::to_string(IsWindowEnabled(GetDlgItem(dlg, IDC_PICTURE_LAYOUT))) + " all " +
                     std::to_string(SendDlgItemMessageA(dlg, IDC_ALL_MONITORS, BM_GETCHECK, 0, 0));
        });
    };
    const Step chooseFit = Do([](HWND dlg) {
        SendDlgItemMessageA(dlg, IDC_PICTURE_LAYOUT, CB_SETCURSEL, LAYOUT_FIT, 0);
    });
    PutNumber("Picture Layout", 9);
    std::string opened, wallpaper, own;
    EXPECT_EQ(IDOK, RunDialog({capture(&opened), Click(IDC_WALLPAPER), capture(&wallpaper),
                               Click(IDC_OWN_PICTURE), chooseFit, Click(IDC_ALL_MONITORS),
                               capture(&own), Click(IDOK)}));
    EXPECT_EQ("0 Stretch enabled 1 all 1", opened);
    EXPECT_EQ("0 Stretch enabled 0 all 1", wallpaper);
    EXPECT_EQ("2 Fit enabled 1 all 0", own);
    EXPECT_EQ((Numbers{2, 0}), StoredNumbers({8, 9}));

    PutNumber("Picture Layout", LAYOUT_SPAN);
    EXPECT_EQ(IDOK, RunDialog({capture(&opened), Click(IDC_ALL_MONITORS), Click(IDOK)}));
    EXPECT_EQ("4 Span enabled 1 all 0", opened);
    EXPECT_EQ((Numbers{4, 1}), StoredNumbers({8, 9}));
}

TEST_F(SettingsDialog, TypedPathStopsWhereTheStoreStopsAndALongerOneIsRefusedAtOk)
{
    std::string shown;
    EXPECT_EQ(IDOK, RunDialog({Type(std::string(300, 'p')), Capture(&shown), Click(IDOK)}));
    EXPECT_NE(std::string::npos, shown.find("[" + std::string(259, 'p') + "]"));
    EXPECT_EQ(std::string(259, 'p'), StoredPath());

    // Only another program can put more into the box; OK then says why it stays open.
    const auto before = ReadKey();
    std::string message;
    EXPECT_EQ(IDCANCEL,
              RunDialog({Do([](HWND dlg) {
                             SetDlgItemTextA(dlg, IDC_PICTURE_PATH, std::string(260, 'q').c_str());
                         }),
                         Click(IDOK), AnswerMessageBox(&message), Settled(), Click(IDCANCEL)}));
    EXPECT_NE(std::string::npos, message.find("259")) << message;
    EXPECT_EQ(before, ReadKey());
}

TEST_F(SettingsDialog, EveryWayToCancelLeavesEveryRegistryByteAsItWas)
{
    PutNumber("Ripple Style", 0x10 | 3);
    PutNumber("Drop Weight", 1000);
    PutNumber("Ripple Depth", 9);
    PutPath("C:\\pond\\lake.jpg");
    const auto before = ReadKey();
    const Step cancels[] = {
        Click(IDCANCEL),
        Do([](HWND dlg) { PostMessageA(dlg, WM_KEYDOWN, VK_ESCAPE, 0); }),
        Do([](HWND dlg) { SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }),
    };
    for (const Step& cancel : cancels) {
        EXPECT_EQ(IDCANCEL, RunDialog({Click(IDC_RAIN), Click(IDC_SOUND), Type("C:\\new.jpg"),
                                       Click(IDC_WALLPAPER), SliderKeys(VK_END), cancel}));
        EXPECT_EQ(before, ReadKey());
    }
}

// Browse answered in the real chooser, in a folder deep enough for paths at the store's limit.
class SettingsDialogBrowse : public SettingsDialog {
protected:
    void SetUp() override
    {
        SettingsDialog::SetUp();
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const std::string& path : {picture, FileOfLength(259), FileOfLength(260)})
            DeleteFileW(Wide(path).c_str());
        RemoveDirectoryA(folder.c_str());
        SettingsDialog::TearDown();
    }
    // A file in the folder whose full path has exactly this many characters.
    std::string FileOfLength(size_t length) const
    {
        return folder + "\\" + std::string(length - folder.size() - 5, 'e') + ".jpg";
    }

    const std::string folder = TempFolder() + "lakeglass-" + std::string(150, 'd');
    const std::string picture = folder + "\\lake.jpg";
};

TEST_F(SettingsDialogBrowse, ChosenPathShowsAtOnceAndEarlierClicksSurvive)
{
    MakeFile(picture);
    std::string shown;
    bool browseFocusedInEnabledDialog = false;
    EXPECT_EQ(IDOK, RunDialog({Click(IDC_RAIN), Click(IDC_SOUND), Click(IDC_BROWSE),
                               AnswerChooser(picture), Settled(), Capture(&shown),
                               Do([&](HWND dlg) {
                                   browseFocusedInEnabledDialog =
                                       GetFocus() == GetDlgItem(dlg, IDC_BROWSE) &&
                                       IsWindowEnabled(dlg);
                               }),
                               Click(IDOK)}));
    EXPECT_EQ(0u, shown.find("effects 011 sound 0 background 001 path [" + picture + "]")) << shown;
    EXPECT_TRUE(browseFocusedInEnabledDialog);
    EXPECT_EQ(picture, StoredPath());
    EXPECT_EQ((Numbers{6, 0}), StoredNumbers({0, 3}));
}

// The chooser's buffer holds what the store keeps: 259 characters come back whole, one
// more is refused by the system and the user is told.
TEST_F(SettingsDialogBrowse, CancelledOrTooLongChoiceKeepsTheTextAndTheLongestFitsWhole)
{
    PutPath("C:\\pond\\lake.jpg");
    const std::string longest = MakeFile(FileOfLength(259)), tooLong = MakeFile(FileOfLength(260));
    std::string cancelled, message, refused, chosen;
    EXPECT_EQ(IDOK, RunDialog({Click(IDC_BROWSE), AnswerChooser(""), Settled(),
                               Capture(&cancelled), Click(IDC_BROWSE), AnswerChooser(tooLong),
                               AnswerMessageBox(&message), Settled(), Capture(&refused),
                               Click(IDC_BROWSE), AnswerChooser(longest), Settled(),
                               Capture(&chosen), Click(IDOK)}));
    EXPECT_NE(std::string::npos, cancelled.find("[C:\\pond\\lake.jpg]")) << cancelled;
    EXPECT_NE(std::string::npos, message.find("259")) << message;
    EXPECT_NE(std::string::npos, refused.find("[C:\\pond\\lake.jpg]")) << refused;
    EXPECT_NE(std::string::npos, chosen.find("[" + longest + "]")) << chosen;
    EXPECT_EQ(longest, StoredPath());
}

// ---- the chooser on its own -------------------------------------------------------------

// Notes what the system holds at every notification and answers the chooser at once.
class CProbeChooser : public CFileDialogEx {
public:
    CProbeChooser(const std::string& answer, CWnd* owner)
        : CFileDialogEx(TRUE, "jpg", "start.jpg", OFN_HIDEREADONLY, "All|*.*||", owner),
          m_answer(answer)
    {
        std::memcpy(m_ofn.lpstrFile + 10, "leftover", 8);  // after "start.jpg" and its zero
    }
    std::string m_answer, m_bufferAtStart;
    std::vector<DWORD> m_systemSizes, m_frameworkSizes;
    bool m_systemHoldsTheCopy = true;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        const OFNOTIFYA* notice = reinterpret_cast<const OFNOTIFYA*>(lParam);
        m_systemHoldsTheCopy &= notice->lpOFN == &m_ofnEx;
        m_systemSizes.push_back(notice->lpOFN->lStructSize);
        const BOOL handled = CFileDialogEx::OnNotify(wParam, lParam, pResult);
        m_frameworkSizes.push_back(m_ofn.lStructSize);
        if (notice->hdr.code == CDN_INITDONE) {
            m_bufferAtStart.assign(m_ofn.lpstrFile, m_ofn.nMaxFile);
            ::SetWindowTextA(FileNameBox(GetParent(m_hWnd)), m_answer.c_str());
            PostMessageA(GetParent(m_hWnd), WM_COMMAND, m_answer.empty() ? IDCANCEL : IDOK, 0);
        }
        return handled;
    }
};

// Runs the chooser from a visible owner whose button has the focus, as Browse does.
void RunChooser(CProbeChooser* chooser, CWnd* owner, int expected)
{
    owner->Attach(CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr));
    const HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                        owner->m_hWnd, nullptr, nullptr, nullptr);
    SetFocus(button);
    EXPECT_EQ(expected, chooser->DoModal());
    EXPECT_TRUE(IsWindowEnabled(owner->m_hWnd));
    EXPECT_EQ(button, GetFocus());
    EXPECT_EQ(nullptr, chooser->m_hWnd);
    DestroyWindow(owner->Detach());
    ASSERT_FALSE(chooser->m_systemSizes.empty());
    EXPECT_TRUE(chooser->m_systemHoldsTheCopy);
    EXPECT_EQ(std::string("start.jpg") + std::string(MAX_PATH - 9, '\0'), chooser->m_bufferAtStart);
    EXPECT_EQ(std::vector<DWORD>(chooser->m_frameworkSizes.size(), OPENFILENAME_SIZE_VERSION_400A),
              chooser->m_frameworkSizes);
    EXPECT_EQ(static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A), chooser->m_ofn.lStructSize);
}

TEST(FileChooser, SystemHoldsTheFullRecordAndThePathComesBackInTheShortOne)
{
    EXPECT_TRUE(CFileDialogEx::IsWindows2000OrLater());
    const std::string path = MakeFile(TempFolder() + "lakeglass-chooser.jpg");
    CWnd owner;
    CProbeChooser chooser(path, &owner);
    RunChooser(&chooser, &owner, IDOK);
    EXPECT_EQ(std::vector<DWORD>(chooser.m_systemSizes.size(), sizeof(OPENFILENAMEA)),
              chooser.m_systemSizes);
    EXPECT_EQ(path, static_cast<const char*>(chooser.GetPathName()));
    DeleteFileA(path.c_str());
}

// This program again, running only the named (disabled) test; answers its exit code, 99
// when it could not run.
DWORD RunThisProgram(const char* test)
{
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string command = std::string("\"") + program +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=" + test;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    DWORD exitCode = 99;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &child)) {
        WaitForSingleObject(child.hProcess, 60000);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    return exitCode;
}

// Wine fixes the reported version when a program starts, so each version is tried in a
// child run of this program under Wine's per-program version setting.
TEST(FileChooser, ReportedVersionDecidesTheRecordSize)
{
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string wineKey =
        std::string("Software\\Wine\\AppDefaults\\") + (std::strrchr(program, '\\') + 1);
    const struct {
        const char* version;
        const char* full;
    } cases[] = {{"win98", "0"}, {"nt40", "0"}, {"win2k", "1"}};
    for (const auto& c : cases) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, wineKey.c_str(), &key));
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.version),
                       static_cast<DWORD>(std::strlen(c.version) + 1));
        RegCloseKey(key);
        SetEnvironmentVariableA("LAKEGLASS_EXPECT_FULL_RECORD", c.full);
        const DWORD exitCode = RunThisProgram("FileChooser.DISABLED_UnderTheReportedVersion");
        SetEnvironmentVariableA("LAKEGLASS_EXPECT_FULL_RECORD", nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, wineKey.c_str());
        EXPECT_EQ(0u, exitCode) << c.version;
    }
}

TEST(FileChooser, DISABLED_UnderTheReportedVersion)
{
    const char* full = std::getenv("LAKEGLASS_EXPECT_FULL_RECORD");
    ASSERT_NE(nullptr, full);
    EXPECT_EQ(*full == '1', CFileDialogEx::IsWindows2000OrLater());
    CWnd owner;
    CProbeChooser chooser("", &owner);
    RunChooser(&chooser, &owner, IDCANCEL);
    const DWORD size = *full == '1' ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;
    EXPECT_EQ(std::vector<DWORD>(chooser.m_systemSizes.size(), size), chooser.m_systemSizes);
}


// ---- the chooser's filter -----------------------------------------------------------------

// The filter as the chooser takes it: entries separated by '|', the list ended by "||".
TEST_F(SettingsDialogBrowse, ChooserOffersAllPicturesFirstAndEveryPictureEnding)
{
    std::string filters;
    EXPECT_EQ(IDOK, RunDialog({Click(IDC_BROWSE), [&](HWND dlg) {
                                   const HWND chooser = OwnedDialog(dlg, true);
                                   if (chooser == nullptr) return false;
                                   const HWND types = GetDlgItem(chooser, 0x470);
                                   const int count = static_cast<int>(
                                       SendMessageA(types, CB_GETCOUNT, 0, 0));
                                   for (int i = 0; i < count; ++i) {
                                       char text[128] = "";
                                       SendMessageA(types, CB_GETLBTEXT, i,
                                                    reinterpret_cast<LPARAM>(text));
                                       filters += std::string(text) + "\n";
                                   }
                                   return true;
                               },
                               AnswerChooser(""), Settled(), Click(IDOK)}));
    EXPECT_EQ("All Pictures (*.jpg;*.jpeg;*.jpe;*.png;*.bmp)\n"
              "JPEG Files (*.jpg;*.jpeg;*.jpe)\n"
              "PNG Files (*.png)\n"
              "BMP Files (*.bmp)\n"
              "All Files (*.*)\n",
              filters);
}

// The part of the drawing shown keeps its proportions, lies inside it and is centred.
TEST(BannerPart, KeepsTheDrawingsProportionsAndFillsThePlace)
{
    const struct {
        SIZE place;
        std::vector<long> part;  // left, top, right, bottom
    } cases[] = {
        {{385, 94}, {0, 0, 1155, 282}},        // the drawing's own proportions
        {{578, 146}, {19, 0, 1135, 282}},      // taller: the middle columns
        {{771, 188}, {0, 0, 1155, 281}},       // a little wider: one row less
        {{800, 100}, {0, 69, 1155, 213}},      // much wider: the middle rows
        {{1, 100000}, {577, 0, 578, 282}},     // a sliver: still one column
        {{100000, 1}, {0, 140, 1155, 141}},    // a line: still one row
        {{0, 94}, {0, 0, 1155, 282}},          // no place: the whole drawing
        {{-5, -5}, {0, 0, 1155, 282}},
    };
    for (const auto& c : cases) {
        const RECT part = BannerPartFilling({1155, 282}, c.place);
        EXPECT_EQ(c.part, (std::vector<long>{part.left, part.top, part.right, part.bottom}))
            << c.place.cx << "x" << c.place.cy;
    }
}

// A banner control of the given module and size: the bitmap made for it, and its size.
std::string FittedBannerFor(HINSTANCE module, int width, int height)
{
    const HWND banner = CreateWindowExA(0, "STATIC", "", WS_POPUP | SS_BITMAP | SS_CENTERIMAGE,
                                        0, 0, width, height, nullptr, nullptr, module, nullptr);
    const HBITMAP fitted = MakeFittedBanner(banner);
    DestroyWindow(banner);
    BITMAP made = {};
    if (fitted == nullptr || !GetObjectA(fitted, sizeof(made), &made)) return "none";
    DeleteObject(fitted);
    return std::to_string(made.bmWidth) + "x" + std::to_string(made.bmHeight);
}

// Without a place or without the drawing there is no banner to show, and no failure.
TEST(BannerPart, IsMadeForAnyPlaceThatHasPixelsAndADrawing)
{
    const HMODULE program = LoadLibraryExA(LAKEGLASS_SCR, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    EXPECT_EQ("1x1", FittedBannerFor(program, 1, 1));
    EXPECT_EQ("4000x3", FittedBannerFor(program, 4000, 3));
    EXPECT_EQ("none", FittedBannerFor(program, 0, 94));
    EXPECT_EQ("none", FittedBannerFor(GetModuleHandleA(nullptr), 385, 94));  // no drawing
    FreeLibrary(program);
}

// ---- the banner at every display scale -------------------------------------------------

// What the banner looks like in the painted dialog, in the dialog's client pixels.
struct BannerView {
    int dpi = 0;
    RECT place = {};      // the banner control
    RECT template_ = {};  // the banner's rectangle in the template, 257 x 58 dialog units
    SIZE image = {};      // the bitmap the control shows
    long shownPixels = 0; // pixels of the banner's place inside the dialog's client area
    long facePixels = 0;  // of those, the ones in the dialog's face colour
    long bluePixels = 0;  // and the ones of deep or lit water (blue well above red)
    int band = 0;         // face-coloured rows under the banner, down to the first group box
    int bandLimit = 0;    // 12 dialog units: the 7 between banner and box, half a caption line
};

// The window's pixels inside the rectangle of its client area, as 0x00RRGGBB, rows top down.
std::vector<uint32_t> Grab(HWND window, const RECT& area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = GetDC(window);
    const HDC copy = CreateCompatibleDC(dc);
    const HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> pixels;
    if (dib != nullptr) {
        const HGDIOBJ old = SelectObject(copy, dib);
        BitBlt(copy, 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
        GdiFlush();
        const uint32_t* from = static_cast<const uint32_t*>(bits);
        for (long i = 0; i < long(width) * height; ++i) pixels.push_back(from[i] & 0xFFFFFF);
        SelectObject(copy, old);
        DeleteObject(dib);
    }
    DeleteDC(copy);
    ReleaseDC(window, dc);
    return pixels;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

BannerView LookAtBanner(HWND dlg)
{
    RedrawWindow(dlg, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    BannerView view;
    const HDC dc = GetDC(dlg);
    view.dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(dlg, dc);
    const HWND banner = GetDlgItem(dlg, IDC_BANNER);
    GetWindowRect(banner, &view.place);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&view.place), 2);
    view.template_ = {0, 0, 257, 58};
    MapDialogRect(dlg, &view.template_);
    RECT limit = {0, 0, 0, 12};
    MapDialogRect(dlg, &limit);
    view.bandLimit = limit.bottom;
    BITMAP shown = {};
    const HGDIOBJ image = reinterpret_cast<HGDIOBJ>(
        SendMessageA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (image && GetObjectA(image, sizeof(shown), &shown))
        view.image = {shown.bmWidth, shown.bmHeight};

    RECT client = {};
    GetClientRect(dlg, &client);
    const RECT area = {0, 0, client.right,
                       std::min<LONG>(client.bottom, view.place.bottom + 3 * view.bandLimit)};
    const std::vector<uint32_t> pixels = Grab(dlg, area);
    if (pixels.empty()) return view;
    const COLORREF faceColour = GetSysColor(COLOR_BTNFACE);
    const uint32_t face = (GetRValue(faceColour) << 16) | (GetGValue(faceColour) << 8) |
                          GetBValue(faceColour);
    auto at = [&](long x, long y) { return pixels[y * area.right + x]; };
    for (long y = view.place.top; y < std::min(view.place.bottom, area.bottom); ++y)
        for (long x = view.place.left; x < std::min(view.place.right, area.right); ++x) {
            const uint32_t pixel = at(x, y);
            ++view.shownPixels;
            view.facePixels += pixel == face;
            view.bluePixels += long(pixel & 0xFF) > long(pixel >> 16) + 48;
        }
    // Down the middle: past the banner, then the dialog's face up to the group box's frame.
    long y = 0;
    const long x = area.right / 2;
    while (y < area.bottom && at(x, y) != face) ++y;
    const long bandTop = y;
    while (y < area.bottom && at(x, y) == face) ++y;
    view.band = int(y - bandTop);
    return view;
}

void ExpectBannerFillsItsPlace(const BannerView& view, const char* when)
{
    SCOPED_TRACE(std::string(when) + " at " + std::to_string(view.dpi) + " DPI, place " +
                 Describe(view.place));
    EXPECT_EQ(view.place.right - view.place.left, view.image.cx);
    EXPECT_EQ(view.place.bottom - view.place.top, view.image.cy);
    EXPECT_GT(view.shownPixels, 0);
    EXPECT_EQ(0, view.facePixels);
    EXPECT_GT(view.bluePixels, view.shownPixels * 3 / 4) << "of " << view.shownPixels;
}

// Wine reads the display's DPI once, as a program starts: each scale is looked at in a
// child run of this program, with the scale in the user's desktop settings.
TEST(SettingsBanner, FillsItsPlaceAtEveryScaleWithNoBandBelow)
{
    const char* const desktop = "Control Panel\\Desktop";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, desktop, &key));
    DWORD before = 0, size = sizeof(before), type = 0;
    const bool had = RegQueryValueExA(key, "LogPixels", nullptr, &type,
                                      reinterpret_cast<BYTE*>(&before), &size) == ERROR_SUCCESS;
    for (DWORD dpi : {96, 144, 192}) {
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), 4);
        SetEnvironmentVariableA("LAKEGLASS_EXPECT_DPI", std::to_string(dpi).c_str());
        EXPECT_EQ(0u, RunThisProgram("SettingsBanner.DISABLED_AtTheDisplayScale")) << dpi;
    }
    SetEnvironmentVariableA("LAKEGLASS_EXPECT_DPI", nullptr);
    if (had)
        RegSetValueExA(key, "LogPixels", 0, type, reinterpret_cast<const BYTE*>(&before), size);
    else
        RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
}

// Opens the dialog as the program does, aware of the display's DPI; then moves it, as far
// as the banner can tell, to a monitor of a quarter smaller scale: the system shrinks the
// control and tells the dialog.
TEST(SettingsBanner, DISABLED_AtTheDisplayScale)
{
    const char* expected = std::getenv("LAKEGLASS_EXPECT_DPI");
    ASSERT_NE(nullptr, expected);
    const auto aware = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")));
    if (aware) aware();
    BannerView opened, moved;
    HGDIOBJ shown = nullptr;
    EXPECT_EQ(IDCANCEL,
              RunDialog({Do([&](HWND dlg) { opened = LookAtBanner(dlg); }),
                         Do([&](HWND dlg) {
                             const HWND banner = GetDlgItem(dlg, IDC_BANNER);
                             RECT r = opened.place;
                             SetWindowPos(banner, nullptr, 0, 0, (r.right - r.left) * 3 / 4,
                                          (r.bottom - r.top) * 3 / 4,
                                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                             const UINT dpi = opened.dpi * 3 / 4;
                             GetWindowRect(dlg, &r);
                             SendMessageA(dlg, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                                          reinterpret_cast<LPARAM>(&r));
                         }),
                         Do([&](HWND dlg) {
                             moved = LookAtBanner(dlg);
                             shown = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(
                                 dlg, IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0));
                         }),
                         Click(IDCANCEL)}));
    EXPECT_EQ(std::atoi(expected), opened.dpi);
    EXPECT_EQ(Describe(opened.template_), Describe(opened.place));
    ExpectBannerFillsItsPlace(opened, "opened");
    EXPECT_LE(opened.band, opened.bandLimit);
    ExpectBannerFillsItsPlace(moved, "moved");
    EXPECT_EQ(0, GetObjectType(shown)) << "the dialog keeps no banner after it closes";
}

}  // namespace
