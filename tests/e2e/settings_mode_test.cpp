// The settings mode as the display settings start it: the dialog "Lakeglass Settings"
// read and changed through its controls from outside, as a user would, with the registry
// and the exit code checked afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "res/resource.h"
#include "tests/e2e/driver.h"

namespace {

using namespace driver;

const char* const SETTINGS_KEY = "Software\\Lakeglass";
const DWORD START_MS = 5000;

// Every value under the settings key, type and bytes, to tell whether anything changed.
std::string RegistrySnapshot()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(no key)";
    std::string snapshot;
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        snapshot += std::string(name) + ":" + std::to_string(type) + ":" +
                    std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
    }
    RegCloseKey(key);
    return snapshot;
}

DWORD StoredNumber(const char* name)
{
    DWORD value = 0xDEADBEEF, size = sizeof(value);
    RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string StoredText(const char* name)
{
    char text[MAX_PATH] = {};
    DWORD size = sizeof(text);
    RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

// The running settings dialog of a started program, and its controls.
struct Dialog {
    driver::Saver program;
    HWND window = nullptr;

    explicit Dialog(const std::string& arguments) : program(Start(arguments))
    {
        window = WaitForWindow("#32770", "Lakeglass Settings", START_MS);
        // The dialog exists before its controls are filled; it shows once they are.
        for (int i = 0; window && !IsWindowVisible(window) && i < 250; ++i) Pump(20);
    }
    HWND Item(int id) const { return GetDlgItem(window, id); }
    bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    LRESULT Position(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }
    void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Slide(int id, int position) const
    {
        SendMessageA(Item(id), TBM_SETPOS, TRUE, position);
        SendMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    std::string Text(int id) const
    {
        // Asked of the control itself: for another process's window the system would only
        // give the text the window was made with.
        char text[MAX_PATH + 8] = {};
        SendMessageA(Item(id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        return text;
    }
    void Type(int id, const std::string& text) const
    {
        SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    DWORD Close(int button) const
    {
        PostMessageA(Item(button), BM_CLICK, 0, 0);
        return program.WaitExit(START_MS);
    }
};

class Settings : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY); }
};

TEST_F(Settings, WithNothingStoredTheDefaultsShowAndCancelWritesNothing)
{
    for (const char* arguments : {"", "/c"}) {
        SCOPED_TRACE(arguments);
        Dialog dialog(arguments);
        ASSERT_NE(nullptr, dialog.window);
        for (int id : {IDC_RAIN, IDC_REBOUND, IDC_FANCY, IDC_SOUND, IDC_OWN_PICTURE})
            EXPECT_TRUE(dialog.Checked(id)) << id;
        EXPECT_FALSE(dialog.Checked(IDC_SNAPSHOT));
        EXPECT_FALSE(dialog.Checked(IDC_WALLPAPER));
        EXPECT_EQ("", dialog.Text(IDC_PICTURE_PATH));
        EXPECT_TRUE(dialog.Enabled(IDC_PICTURE_PATH));
        EXPECT_TRUE(dialog.Enabled(IDC_BROWSE));
        EXPECT_EQ(4, dialog.Position(IDC_RIPPLE_SIZE));
        EXPECT_EQ(6, dialog.Position(IDC_RIPPLE_DEPTH));
        EXPECT_EQ(2, dialog.Position(IDC_DROP_SIZE));
        EXPECT_EQ(6, dialog.Position(IDC_DROP_WEIGHT));

        const std::string before = RegistrySnapshot();
        dialog.Click(IDC_SNAPSHOT);
        dialog.Click(IDC_RAIN);
        dialog.Slide(IDC_RIPPLE_SIZE, 7);
        EXPECT_EQ(2u, dialog.Close(IDCANCEL));
        EXPECT_EQ(before, RegistrySnapshot());
    }
}

TEST_F(Settings, StoredValuesShowOnTheSlidersAndOkStoresWhatTheyShow)
{
    SetUserDword(SETTINGS_KEY, "Drop Weight", 1000);
    SetUserDword(SETTINGS_KEY, "Ripple Depth", 9);
    SetUserDword(SETTINGS_KEY, "Ripple Style", 8 | 7);
    Dialog dialog("/c");
    ASSERT_NE(nullptr, dialog.window);
    EXPECT_EQ(3, dialog.Position(IDC_DROP_WEIGHT));
    EXPECT_EQ(2, dialog.Position(IDC_RIPPLE_DEPTH));  // 10 - 9 lies below the slider
    dialog.Click(IDC_RAIN);
    dialog.Click(IDC_REBOUND);
    dialog.Click(IDC_FANCY);
    EXPECT_EQ(1u, dialog.Close(IDOK));
    EXPECT_EQ(768u, StoredNumber("Drop Weight"));
    EXPECT_EQ(8u, StoredNumber("Ripple Depth"));
    EXPECT_EQ(8u, StoredNumber("Ripple Style"));  // the effects cleared, the other bit kept
}

TEST_F(Settings, DepthSliderEndsStoreDeepAndShallow)
{
    const struct {
        int position;
        DWORD stored;
    } ends[] = {{8, 2}, {2, 8}};
    for (const auto& end : ends) {
        Dialog dialog("/c");
        ASSERT_NE(nullptr, dialog.window);
        dialog.Slide(IDC_RIPPLE_DEPTH, end.position);
        EXPECT_EQ(1u, dialog.Close(IDOK));
        EXPECT_EQ(end.stored, StoredNumber("Ripple Depth"));
    }
}

TEST_F(Settings, SnapshotDisablesThePathAndKeepsTheStoredOne)
{
    SetUserString(SETTINGS_KEY, "BG File Name", "C:\\pictures\\lake.jpg");
    Dialog dialog("/c");
    ASSERT_NE(nullptr, dialog.window);
    EXPECT_EQ("C:\\pictures\\lake.jpg", dialog.Text(IDC_PICTURE_PATH));
    dialog.Type(IDC_PICTURE_PATH, "C:\\other.jpg");
    dialog.Click(IDC_SNAPSHOT);
    EXPECT_FALSE(dialog.Enabled(IDC_PICTURE_PATH));
    EXPECT_FALSE(dialog.Enabled(IDC_BROWSE));
    EXPECT_EQ("C:\\other.jpg", dialog.Text(IDC_PICTURE_PATH));
    EXPECT_EQ(1u, dialog.Close(IDOK));
    EXPECT_EQ(1u, StoredNumber("Snapshot"));
    EXPECT_EQ("C:\\pictures\\lake.jpg", StoredText("BG File Name"));
}

// The open-file dialog that Browse shows, answered as a user would.
HWND WaitForChooser(HWND owner)
{
    for (int i = 0; i < 250; ++i) {
        HWND chooser = nullptr;
        while ((chooser = FindWindowExA(nullptr, chooser, "#32770", nullptr)) != nullptr)
            if (GetWindow(chooser, GW_OWNER) == owner) return chooser;
        Pump(20);
    }
    return nullptr;
}

// Answers the chooser with the command, typing the path first when there is one, until the
// chooser is gone: a chooser still setting itself up may clear its fields or miss the
// command, so the answer is given again after a pause.
bool AnswerChooser(HWND chooser, WPARAM command, const std::string& path = "")
{
    for (int attempt = 0; attempt < 10 && IsWindow(chooser); ++attempt) {
        if (!path.empty()) {
            SendDlgItemMessageA(chooser, 0x47C, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            SendDlgItemMessageA(chooser, 0x480, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
        PostMessageA(chooser, WM_COMMAND, command, 0);
        for (int i = 0; i < 25 && IsWindow(chooser); ++i) Pump(20);
    }
    return !IsWindow(chooser);
}

TEST_F(Settings, BrowseShowsTheChosenPathAtOnceAndKeepsEarlierClicks)
{
    const std::filesystem::path picture =
        std::filesystem::temp_directory_path() / "lakeglass-browse.jpg";
    std::ofstream(picture, std::ios::binary) << "not really a picture";
    Dialog dialog("/c");
    ASSERT_NE(nullptr, dialog.window);
    dialog.Click(IDC_REBOUND);
    dialog.Click(IDC_SOUND);

    PostMessageA(dialog.Item(IDC_BROWSE), BM_CLICK, 0, 0);
    HWND chooser = WaitForChooser(dialog.window);
    ASSERT_NE(nullptr, chooser);
    ASSERT_TRUE(AnswerChooser(chooser, IDCANCEL));  // cancelled: nothing changes
    Pump(100);
    EXPECT_EQ("", dialog.Text(IDC_PICTURE_PATH));

    PostMessageA(dialog.Item(IDC_BROWSE), BM_CLICK, 0, 0);
    chooser = WaitForChooser(dialog.window);
    ASSERT_NE(nullptr, chooser);
    const std::string path = picture.string();
    ASSERT_TRUE(AnswerChooser(chooser, IDOK, path));
    for (int i = 0; i < 100 && dialog.Text(IDC_PICTURE_PATH).empty(); ++i) Pump(20);
    EXPECT_EQ(path, dialog.Text(IDC_PICTURE_PATH));
    EXPECT_FALSE(dialog.Checked(IDC_REBOUND));
    EXPECT_FALSE(dialog.Checked(IDC_SOUND));

    EXPECT_EQ(1u, dialog.Close(IDOK));
    EXPECT_EQ(path, StoredText("BG File Name"));
    EXPECT_EQ(0u, StoredNumber("Sound Effects"));
    EXPECT_EQ(5u, StoredNumber("Ripple Style"));
    std::filesystem::remove(picture);
}

TEST_F(Settings, ColonHandleOwnsTheDialogWhenItIsAWindow)
{
    HWND owner = ShowDisplaySettings(50, 50, 300, 200);
    Pump(100);
    {
        Dialog dialog("/c:" + std::to_string(reinterpret_cast<uintptr_t>(owner)));
        ASSERT_NE(nullptr, dialog.window);
        EXPECT_EQ(owner, GetWindow(dialog.window, GW_OWNER));
        EXPECT_EQ(2u, dialog.Close(IDCANCEL));
    }
    SetForegroundWindow(owner);
    Pump(100);
    {
        Dialog dialog("/c:1");  // no such window: the foreground window owns it
        ASSERT_NE(nullptr, dialog.window);
        EXPECT_EQ(owner, GetWindow(dialog.window, GW_OWNER));
        EXPECT_EQ(2u, dialog.Close(IDCANCEL));
    }
    DestroyWindow(owner);
}

}  // namespace
