// The whole saver's CPU per second with the display lit, with it dark, and on battery
// saver, side by side in one run: the saver runs full screen in this process as the system
// runs it, another thread delivers the power messages the system would send, and the
// process's processor time is read over a span of each state. make bench-saver runs it.
//
//   saver_power [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "ripple/scene_wnd.h"
#include "saver/host_main.h"
#include "tests/power_messages.h"

CSceneWnd theScene;

namespace {


double ProcessorSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double Measure(int seconds)
{
    const double before = ProcessorSeconds();
    Sleep(DWORD(seconds) * 1000);
    return (ProcessorSeconds() - before) * 1000.0 / seconds;
}

void Drive(int span, double results[3])
{
    HWND window = nullptr;
    for (int i = 0; i < 400 && !(window = FindWindowA("WindowsScreenSaverClass", "Screen Saver")); ++i)
        Sleep(25);
    if (!window) return;
    Sleep(3000);
    results[0] = Measure(span);
    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_OFF);
    results[1] = Measure(span);
    SendPowerSetting(window, CONSOLE_DISPLAY_STATE_SETTING, SETTING_ON);
    SendPowerSetting(window, BATTERY_SAVER_SETTING, SETTING_ON);
    Sleep(1000);
    results[2] = Measure(span);
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    const int span = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    double results[3] = {0, 0, 0};
    std::thread driver(Drive, span, results);
    DispatchRunMode(GetModuleHandleA(nullptr), "/s");
    driver.join();
    std::printf("display lit:    %8.2f ms of CPU per second\n", results[0]);
    std::printf("display dark:   %8.2f ms of CPU per second (%.2f %% of lit)\n", results[1],
                results[0] > 0 ? 100.0 * results[1] / results[0] : 0.0);
    std::printf("battery saver:  %8.2f ms of CPU per second (%.2f %% of lit)\n", results[2],
                results[0] > 0 ? 100.0 * results[2] / results[0] : 0.0);
    return 0;
}
