// The display and battery-saver notifications, looked up by name in user32 so that the
// program still starts on Windows XP.
#include "ripple/power_settings.h"

#include <cstring>
#include <initializer_list>

const GUID CONSOLE_DISPLAY_STATE_SETTING = {0x6fe69556, 0x704a, 0x47a0,
                                            {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID MONITOR_POWER_SETTING = {0x02731015, 0x4510, 0x4526,
                                    {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
const GUID BATTERY_SAVER_SETTING = {0xe00958c0, 0xc213, 0x4ace,
                                    {0xac, 0x77, 0xfe, 0xcc, 0xed, 0x2e, 0xee, 0xa5}};

namespace {

// The display is off at 0; the console's state is 2 while dimmed, which counts as lit.
const DWORD DISPLAY_OFF = 0;
// The fourth byte of the power status, which later headers call SystemStatusFlag.
const BYTE SYSTEM_STATUS_POWER_SAVING_ON = 0x01;

typedef HPOWERNOTIFY(WINAPI* RegisterCall)(HANDLE, LPCGUID, DWORD);
typedef BOOL(WINAPI* UnregisterCall)(HPOWERNOTIFY);

FARPROC User32Call(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

// Windows 8 (6.2) and later report the console's display; earlier ones the monitors'.
bool HasConsoleDisplayState()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2));
}

}  // namespace

void RegisterPowerNotifications(HWND window, PowerNotifications* notifications)
{
    const RegisterCall registerCall = reinterpret_cast<RegisterCall>(
        reinterpret_cast<void*>(User32Call("RegisterPowerSettingNotification")));
    if (!registerCall) return;
    const GUID& display = HasConsoleDisplayState() ? CONSOLE_DISPLAY_STATE_SETTING : MONITOR_POWER_SETTING;
    notifications->display = registerCall(window, &display, DEVICE_NOTIFY_WINDOW_HANDLE);
    notifications->batterySaver = registerCall(window, &BATTERY_SAVER_SETTING, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void UnregisterPowerNotifications(PowerNotifications* notifications)
{
    const UnregisterCall unregisterCall = reinterpret_cast<UnregisterCall>(
        reinterpret_cast<void*>(User32Call("UnregisterPowerSettingNotification")));
    for (HPOWERNOTIFY* handle : {&notifications->display, &notifications->batterySaver}) {
        if (*handle && unregisterCall) unregisterCall(*handle);
        *handle = nullptr;
    }
}

bool BatterySaverIsOn()
{
    SYSTEM_POWER_STATUS status = {};
    return GetSystemPowerStatus(&status) && (status.Reserved1 & SYSTEM_STATUS_POWER_SAVING_ON) != 0;
}

PowerSetting ReadPowerSetting(LPARAM lParam, bool* on)
{
    const POWERBROADCAST_SETTING* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (!setting || setting->DataLength < sizeof(DWORD)) return POWER_SETTING_OTHER;
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof(state));
    if (IsEqualGUID(setting->PowerSetting, CONSOLE_DISPLAY_STATE_SETTING) ||
        IsEqualGUID(setting->PowerSetting, MONITOR_POWER_SETTING)) {
        *on = state != DISPLAY_OFF;
        return POWER_SETTING_DISPLAY;
    }
    if (IsEqualGUID(setting->PowerSetting, BATTERY_SAVER_SETTING)) {
        *on = state != 0;
        return POWER_SETTING_BATTERY_SAVER;
    }
    return POWER_SETTING_OTHER;
}
