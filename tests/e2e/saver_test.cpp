// The saver and preview modes as the system starts them: the full-screen window and its
// closing rules, the single instance, the preview inside a window of the display settings,
// and the requests that are refused with -1.

// The per-window DPI awareness query needs the Windows 10 declarations.
#define WINVER 0x0A00
#define _WIN32_WINNT 0x0A00
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

using namespace driver;

const char* const SAVER_CLASS = "WindowsScreenSaverClass";
const DWORD START_MS = 5000;
const int CURSOR_X = 500;
const int CURSOR_Y = 400;

class Saver : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Lakeglass");
        // The desktop snapshot: coloured bands, so that moving water shows.
        SetUserDword("Software\\Lakeglass", "Snapshot", 1);
        pattern_ = ShowPattern(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        MoveCursorTo(CURSOR_X, CURSOR_Y);
        Pump(50);
    }
    void TearDown() override
    {
        DestroyWindow(pattern_);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Lakeglass");
    }

    HWND pattern_ = nullptr;
};

// The help and context-menu requests that reach the display settings' window.
struct ParentRequests {
    int help = 0;
    int contextMenu = 0;
    WPARAM helpWParam = 0;
    WPARAM contextMenuWParam = 0;
    WNDPROC previousProc = nullptr;
};
ParentRequests parentRequests;

LRESULT CALLBACK RecordingParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP) {
        ++parentRequests.help;
        parentRequests.helpWParam = wParam;
        return TRUE;
    }
    if (message == WM_CONTEXTMENU) {
        ++parentRequests.contextMenu;
        parentRequests.contextMenuWParam = wParam;
        return 0;
    }
    return CallWindowProcA(parentRequests.previousProc, window, message, wParam, lParam);
}

TEST_F(Saver, FullScreenRipplesUntilAKeyAndRefusesASecondCopy)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const std::vector<uint32_t> desktop = ReadScreen(0, 0, width, height);
    driver::Saver saver = Start("/s");
    HWND window = WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS);
    ASSERT_NE(nullptr, window);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(width, rect.right);
    EXPECT_EQ(height, rect.bottom);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Aware of each monitor's DPI, so a scaled display is not stretched as a bitmap and
    // the frame has the screen's real pixel count, as the rectangle above shows.
    EXPECT_EQ(DPI_AWARENESS_PER_MONITOR_AWARE,
              GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)));

    Pump(1500);
    const std::vector<uint32_t> shown = ReadScreen(0, 0, width, height);
    size_t changed = 0;
    for (size_t i = 0; i < shown.size(); ++i) changed += shown[i] != desktop[i];
    EXPECT_GT(changed, size_t(width) * 10) << "the water does not move";
    // The first and last rows are never displaced, whatever the water does; the screen
    // holds 24 bits and the picture 16, so only the bits the picture keeps are compared.
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(desktop[x] & 0xF8FCF8, shown[x] & 0xF8FCF8) << x;
        const size_t last = size_t(height - 1) * width + x;
        EXPECT_EQ(desktop[last] & 0xF8FCF8, shown[last] & 0xF8FCF8) << x;
    }

    driver::Saver second = Start("/s");
    EXPECT_EQ(0u, second.WaitExit(START_MS));
    EXPECT_TRUE(saver.Running());

    PressKey('A');
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
}

// The saver and its preview take only what no other program wants; the settings dialog
// is an ordinary program. With every processor kept busy by ordinary work, a key still
// ends the saver.
TEST_F(Saver, RunsAtIdlePriorityAndAKeyEndsItOnABusyMachine)
{
    std::atomic<bool> busy(true);
    std::vector<std::thread> load;
    for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
        load.emplace_back([&busy] {
            volatile uint64_t spin = 0;
            while (busy) ++spin;
        });
    driver::Saver saver = Start("/s");
    HWND window = WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(DWORD(IDLE_PRIORITY_CLASS), GetPriorityClass(saver.process.hProcess));
    ASSERT_TRUE(WaitForForeground(window, START_MS));
    PressKey('A');
    const DWORD exitCode = saver.WaitExit(START_MS);
    busy = false;
    for (std::thread& thread : load) thread.join();
    EXPECT_EQ(0u, exitCode);

    driver::Saver settings = Start("/c");
    ASSERT_NE(nullptr, WaitForWindow(nullptr, "Lakeglass Settings", START_MS));
    EXPECT_EQ(DWORD(NORMAL_PRIORITY_CLASS), GetPriorityClass(settings.process.hProcess));
}

TEST_F(Saver, MouseTravelOfFourPixelsIsToleratedAndFiveCloses)
{
    driver::Saver saver = Start("/s");
    ASSERT_NE(nullptr, WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS));
    Pump(300);
    MoveCursorTo(CURSOR_X + 2, CURSOR_Y + 2);
    Pump(300);
    MoveCursorTo(CURSOR_X + 1, CURSOR_Y + 1);
    EXPECT_EQ(STILL_ACTIVE, saver.WaitExit(500));
    MoveCursorTo(CURSOR_X + 3, CURSOR_Y + 2);
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
}

TEST_F(Saver, ClickCloses)
{
    driver::Saver saver = Start("-S");
    HWND window = WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS);
    ASSERT_NE(nullptr, window);
    // Real input reaches the saver only once its window is the foreground one.
    ASSERT_TRUE(WaitForForeground(window, START_MS));
    Pump(200);
    Click(CURSOR_X, CURSOR_Y);
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
}

// The display settings' preview: a child of a small window, which only the parent's end
// closes. Wine on a bare X display does not show a child window that another process
// draws, so what the preview draws is checked with the scene's own tests (a window lower
// than the display runs Fancy alone), not read back from the screen here.
TEST_F(Saver, PreviewRipplesInsideItsParentUntilTheParentGoes)
{
    HWND parent = ShowDisplaySettings(300, 200, 152, 112);
    ASSERT_NE(nullptr, parent);
    Pump(100);

    driver::Saver saver = Start("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent)));
    HWND preview = nullptr;
    for (int i = 0; i < 250 && !preview; ++i) {
        Pump(20);
        preview = FindWindowExA(parent, nullptr, SAVER_CLASS, "Preview");
    }
    ASSERT_NE(nullptr, preview);
    EXPECT_EQ(DWORD(IDLE_PRIORITY_CLASS), GetPriorityClass(saver.process.hProcess));
    RECT client;
    GetClientRect(preview, &client);
    EXPECT_EQ(152, client.right);
    EXPECT_EQ(112, client.bottom);

    POINT origin = {0, 0};
    ClientToScreen(preview, &origin);
    // The window shows once its creation, which builds the scene, has ended.
    Pump(500);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
              GetWindowLongPtrA(preview, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_POPUP));

    // Help and context-menu requests over the preview go on to the display settings.
    parentRequests = ParentRequests();
    parentRequests.previousProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingParentProc)));
    HELPINFO help = {sizeof(HELPINFO), HELPINFO_WINDOW, 0, preview, 0, {origin.x + 5, origin.y + 5}};
    EXPECT_EQ(1, SendMessageA(preview, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    EXPECT_EQ(1, SendMessageA(preview, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(preview),
                              MAKELPARAM(origin.x + 5, origin.y + 5)));
    Pump(300);
    EXPECT_EQ(1, parentRequests.help);
    EXPECT_EQ(reinterpret_cast<WPARAM>(parent), parentRequests.helpWParam);
    EXPECT_EQ(1, parentRequests.contextMenu);
    EXPECT_EQ(reinterpret_cast<WPARAM>(parent), parentRequests.contextMenuWParam);

    SetForegroundWindow(parent);
    PressKey('A');
    Click(origin.x + 70, origin.y + 50);
    MoveCursorTo(origin.x + 10, origin.y + 10);
    EXPECT_EQ(STILL_ACTIVE, saver.WaitExit(500));

    DestroyWindow(parent);
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
}

TEST(Requests, UnusableRequestsExitWithMinusOneAndShowNothing)
{
    for (const char* arguments : {"/p 1", "/p:1234", "/p", "/x", "/?", "/\t", "-q", "/l"}) {
        driver::Saver saver = Start(arguments);
        EXPECT_EQ(DWORD(-1), saver.WaitExit(START_MS)) << arguments;
        EXPECT_EQ(nullptr, FindWindowA(SAVER_CLASS, nullptr)) << arguments;
    }
}

}  // namespace
