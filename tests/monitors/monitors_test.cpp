// The full-screen saver on a desk of three monitors of different sizes, one of them
// portrait and left of the primary: each monitor shows its own picture laid out as chosen,
// the desktop under it as a snapshot, moving water of its own, and darkness when only the
// primary is asked for; a monitor switched off leaves the others running. Runs on the
// display that scripts/with-monitors makes, under tests/monitors/run-monitor-tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/bmp.h"
#include "ripple/monitor_layout.h"
#include "ripple/scene_wnd.h"
#include "tests/bmp_builder.h"
#include "tests/e2e/driver.h"

namespace {

using namespace driver;

const char* const SAVER_CLASS = "WindowsScreenSaverClass";
const char* const SETTINGS = "Software\\Lakeglass";
const DWORD START_MS = 5000;

// Keeps the bits a 16-bit frame has of a screen pixel.
uint32_t Reduced(uint32_t pixel) { return pixel & 0xF8FCF8; }

// The monitors as the saver itself lists them.
std::vector<Monitor> Monitors() { return ListMonitors(); }

std::vector<uint32_t> ScreenRow(const ScreenRect& monitor, int row)
{
    return ReadScreen(monitor.left, monitor.top + row, RectWidth(monitor), 1);
}

// An 800 x 600 picture of a red disc on blue with a white frame, so that every layout
// shows it differently at the edges.
std::vector<uint8_t> DiscPicture()
{
    bmp_builder::BmpImage image;
    image.width = 800;
    image.height = 600;
    for (int y = 599; y >= 0; --y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < 800; ++x) {
            const int dx = x - 400, dy = y - 300;
            const bool frame = x < 8 || y < 8 || x >= 792 || y >= 592;
            const bool disc = dx * dx + dy * dy < 250 * 250;
            const uint32_t colour = frame ? 0xFFFFFF : disc ? 0xE02010 : 0x1030C0 + (x & 0x3F);
            row.push_back(uint8_t(colour));
            row.push_back(uint8_t(colour >> 8));
            row.push_back(uint8_t(colour >> 16));
        }
        image.rows.push_back(row);
    }
    return bmp_builder::BuildBmp(image);
}

class MonitorsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        monitors_ = Monitors();
        ASSERT_EQ(3u, monitors_.size()) << "run under scripts/with-monitors";
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS);
        const ScreenRect around = BoundingRect(monitors_);
        desktop_ = ShowPattern(around.left, around.top, RectWidth(around), RectHeight(around));
        MoveCursorTo(100, 100);
        Pump(200);
    }

    void TearDown() override
    {
        DestroyWindow(desktop_);
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS);
        std::error_code ignored;
        if (!picturePath_.empty()) std::filesystem::remove(picturePath_, ignored);
    }

    void UsePicture(int layout)
    {
        const std::vector<uint8_t> bytes = DiscPicture();
        picturePath_ = (std::filesystem::temp_directory_path() / "lakeglass-monitors.bmp").string();
        std::ofstream(picturePath_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_TRUE(ReadBmp(&picture_, bytes.data(), bytes.size(), nullptr, 0));
        SetUserDword(SETTINGS, "Snapshot", 0);
        SetUserString(SETTINGS, "BG File Name", picturePath_.c_str());
        SetUserDword(SETTINGS, "Picture Layout", DWORD(layout));
    }

    // The saver's window once it has shown a few frames.
    HWND WaitForSaver()
    {
        HWND window = WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS);
        Pump(800);
        return window;
    }

    void Close(Saver* saver)
    {
        PressKey('A');
        EXPECT_EQ(0u, saver->WaitExit(START_MS));
    }

    std::vector<Monitor> monitors_;
    HWND desktop_ = nullptr;
    std::string picturePath_;
    Surface picture_;
};

// The first and last rows are never refracted, so they show the laid-out picture exactly.
TEST_F(MonitorsTest, EveryLayoutShowsEachMonitorItsOwnPicture)
{
    for (int layout : {LAYOUT_STRETCH, LAYOUT_FILL, LAYOUT_FIT, LAYOUT_CENTER, LAYOUT_SPAN}) {
        SCOPED_TRACE(layout);
        UsePicture(layout);
        Saver saver = Start("/s");
        ASSERT_NE(nullptr, WaitForSaver());
        const Arrangement arrangement = ArrangementForLayout(layout);
        for (const Monitor& monitor : monitors_) {
            Surface expected;
            const ScreenRect over = arrangement.spansMonitors ? BoundingRect(monitors_) : monitor.rect;
            ASSERT_TRUE(ArrangePicture(picture_, arrangement, over, monitor.rect, 0, &expected));
            for (int row : {0, RectHeight(monitor.rect) - 1}) {
                const std::vector<uint32_t> shown = ScreenRow(monitor.rect, row);
                int wrong = 0;
                for (size_t x = 0; x < shown.size(); ++x)
                    wrong += Reduced(shown[x]) != To888Bits(expected.Row(row)[x]);
                EXPECT_EQ(0, wrong) << "monitor at " << monitor.rect.left << " row " << row;
            }
            expected.Release();
        }
        Close(&saver);
        picture_.Release();
    }
}

// Each monitor's edge rows show the desktop under it exactly, and its water moves.
TEST_F(MonitorsTest, SnapshotIsCutPerMonitorAndTheWaterMovesOnEvery)
{
    std::vector<std::vector<uint32_t>> before;
    for (const Monitor& monitor : monitors_)
        for (int row : {0, RectHeight(monitor.rect) - 1}) before.push_back(ScreenRow(monitor.rect, row));
    SetUserDword(SETTINGS, "Snapshot", 1);
    Saver saver = Start("/s");
    ASSERT_NE(nullptr, WaitForSaver());
    size_t edge = 0;
    for (const Monitor& monitor : monitors_) {
        for (int row : {0, RectHeight(monitor.rect) - 1}) {
            const std::vector<uint32_t> shown = ScreenRow(monitor.rect, row);
            int wrong = 0;
            for (size_t x = 0; x < shown.size(); ++x) wrong += Reduced(shown[x]) != Reduced(before[edge][x]);
            EXPECT_EQ(0, wrong) << "monitor at " << monitor.rect.left << " row " << row;
            ++edge;
        }
        const ScreenRect& r = monitor.rect;
        const std::vector<uint32_t> first = ReadScreen(r.left, r.top + 1, RectWidth(r), RectHeight(r) - 2);
        Pump(400);
        EXPECT_NE(first, ReadScreen(r.left, r.top + 1, RectWidth(r), RectHeight(r) - 2))
            << "still water on the monitor at " << r.left;
    }
    Close(&saver);
}

TEST_F(MonitorsTest, OnlyThePrimaryHasWaterWhenAllMonitorsIsOff)
{
    UsePicture(LAYOUT_FIT);
    SetUserDword(SETTINGS, "All Monitors", 0);
    Saver saver = Start("/s");
    ASSERT_NE(nullptr, WaitForSaver());
    for (const Monitor& monitor : monitors_) {
        const std::vector<uint32_t> middle = ScreenRow(monitor.rect, RectHeight(monitor.rect) / 2);
        int lit = 0;
        for (uint32_t pixel : middle) lit += pixel != 0;
        if (monitor.primary)
            EXPECT_GT(lit, 0);
        else
            EXPECT_EQ(0, lit) << "monitor at " << monitor.rect.left;
    }
    Close(&saver);
    picture_.Release();
}

// The runner switches a monitor off when asked through a file, as a user unplugs it; the
// system's display-change message follows, which Wine leaves to the test.
TEST_F(MonitorsTest, AMonitorSwitchedOffLeavesTheOthersRunning)
{
    const char* folder = std::getenv("LAKEGLASS_MONITOR_SWITCH");
    if (!folder) GTEST_SKIP() << "needs tests/monitors/run-monitor-tests to switch a monitor off";
    std::string windowsFolder = std::string("Z:") + folder;
    for (char& c : windowsFolder)
        if (c == '/') c = '\\';
    SetUserDword(SETTINGS, "Snapshot", 1);
    const ScreenRect primary = monitors_[0].primary ? monitors_[0].rect
                               : monitors_[1].primary ? monitors_[1].rect : monitors_[2].rect;
    const std::vector<uint32_t> primaryTop = ScreenRow(primary, 0);
    Saver saver = Start("/s");
    HWND window = WaitForSaver();
    ASSERT_NE(nullptr, window);

    std::ofstream(windowsFolder + "\\off-request") << "DUMMY1\n";
    const std::string done = windowsFolder + "\\off-done";
    for (int i = 0; i < 200 && !std::filesystem::exists(done); ++i) Pump(50);
    ASSERT_TRUE(std::filesystem::exists(done));
    Pump(300);
    ASSERT_EQ(2u, Monitors().size());
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32,
                                    MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
                                    SMTO_ABORTIFHUNG, START_MS, &answer));
    Pump(500);
    EXPECT_EQ(STILL_ACTIVE, saver.WaitExit(0));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), rect.right - rect.left);
    const std::vector<uint32_t> shown = ScreenRow(primary, 0);
    int wrong = 0;
    for (size_t x = 0; x < shown.size(); ++x) wrong += Reduced(shown[x]) != Reduced(primaryTop[x]);
    EXPECT_EQ(0, wrong);
    Close(&saver);
}

}  // namespace
