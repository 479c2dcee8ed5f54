// The full-screen saver run in this process as the system runs it, its message loop and
// closing rules included, with the power messages the system sends it delivered from
// another thread: no step and no timer while the display is dark, the same water when it
// lights again, a slower pace with fewer wake-ups on battery saver, idle priority, and a
// key that still ends the saver while the display is dark.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "ripple/scene_wnd.h"
#include "saver/host_main.h"
#include "tests/power_messages.h"
#include "settings/store.h"

CSceneWnd theScene;

namespace {


std::vector<uint8_t> Water()
{
    const Surface& map = theScene.heightMapA;
    return std::vector<uint8_t>(map.bits, map.bits + size_t(map.pitch) * map.height);
}

// Paints the window now, from this thread, as a system asking for a repaint would.
void Repaint(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// What the thread that plays the system saw, checked once the saver has ended.
struct Seen {
    bool window = false;
    UINT_PTR timersWhileOff = 1;
    bool stillWhileOff = false;
    UINT periodDimmed = 0;
    UINT periodOnBatterySaver = 0;
    UINT periodOnMains = 0;
    UINT_PTR effectTimerOnBatterySaver = 1;
    UINT_PTR effectTimerOnMains = 0;
    UINT_PTR timersOffOnBatterySaver = 1;
    bool sameWaterWhenLit = false;
};

void PlayTheSystem(Seen* seen)
{
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window = FindWindowA("WindowsScreenSaverClass", "Screen Saver")); ++i)
        Sleep(25);
    seen->window = window != nullptr;
    if (!window) return;
    for (int i = 0; i < 200 && theScene.frameTimerId == 0; ++i) Sleep(25);
    Sleep(300);

    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_OFF);
    seen->timersWhileOff = theScene.frameTimerId | theScene.effectTimerId;
    const std::vector<uint8_t> dark = Water();
    Sleep(200);
    Repaint(window);
    seen->stillWhileOff = Water() == dark;

    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, DISPLAY_DIMMED);
    seen->periodDimmed = theScene.frameTimerPeriod;
    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_OFF);
    SendPowerSetting(window, BATTERY_SAVER_SETTING, SETTING_ON);
    seen->timersOffOnBatterySaver = theScene.frameTimerId | theScene.effectTimerId;
    const std::vector<uint8_t> beforeLight = Water();
    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_ON);
    seen->sameWaterWhenLit = Water() == beforeLight;
    seen->periodOnBatterySaver = theScene.frameTimerPeriod;
    seen->effectTimerOnBatterySaver = theScene.effectTimerId;
    SendPowerSetting(window, BATTERY_SAVER_SETTING, SETTING_OFF);
    seen->periodOnMains = theScene.frameTimerPeriod;
    seen->effectTimerOnMains = theScene.effectTimerId;

    // A key while the display is dark still ends the saver.
    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_OFF);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
}

TEST(SaverPower, DarkDisplayStopsTheWaterBatterySaverSlowsItAndAKeyStillEndsIt)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
    SaverSettings settings = DefaultSaverSettings();
    settings.useSnapshot = 1;
    settings.soundEffects = 0;
    ASSERT_TRUE(SaveSaverSettings(settings));

    Seen seen;
    std::thread system(PlayTheSystem, &seen);
    const int result = DispatchRunMode(GetModuleHandleA(nullptr), "/s");
    system.join();
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);

    EXPECT_EQ(0, result);
    ASSERT_TRUE(seen.window);
    EXPECT_EQ(DWORD(IDLE_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_EQ(0u, seen.timersWhileOff);
    EXPECT_TRUE(seen.stillWhileOff);
    EXPECT_EQ(FRAME_PERIOD_MS, seen.periodDimmed);
    EXPECT_EQ(0u, seen.timersOffOnBatterySaver);
    EXPECT_TRUE(seen.sameWaterWhenLit);
    EXPECT_EQ(FRAME_PERIOD_MS * BATTERY_SAVER_SLOWDOWN, seen.periodOnBatterySaver);
    EXPECT_EQ(FRAME_PERIOD_MS, seen.periodOnMains);
    // On battery saver each frame runs its own drop ticks: no timer of their own.
    EXPECT_EQ(0u, seen.effectTimerOnBatterySaver);
    EXPECT_NE(0u, seen.effectTimerOnMains);
}

}  // namespace
