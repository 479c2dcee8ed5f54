// What the system tells a saver window of the power it runs on: whether the display is
// lit, and whether battery saver is on. The calls are looked up at run time, since Windows
// XP has none of them; there the display counts as always lit and battery saver as off.
#pragma once

#include <windows.h>

struct PowerNotifications {
    HPOWERNOTIFY display = nullptr;
    HPOWERNOTIFY batterySaver = nullptr;
};

// Asks for the display's state (the console's on Windows 8 and later, the monitors' on
// Vista and 7) and for battery saver's, as WM_POWERBROADCAST messages to the window. The
// system answers each at once with the present state.
void RegisterPowerNotifications(HWND window, PowerNotifications* notifications);
void UnregisterPowerNotifications(PowerNotifications* notifications);

// Battery saver's state as the system reports it now (Windows 10 and later).
bool BatterySaverIsOn();

// The settings' identifiers, which older headers lack: the console display's state
// (Windows 8 and later), the monitors' power (Vista and 7), battery saver's state.
extern const GUID CONSOLE_DISPLAY_STATE_SETTING;
extern const GUID MONITOR_POWER_SETTING;
extern const GUID BATTERY_SAVER_SETTING;

// What a PBT_POWERSETTINGCHANGE message reports.
enum PowerSetting { POWER_SETTING_OTHER, POWER_SETTING_DISPLAY, POWER_SETTING_BATTERY_SAVER };

// Reads the setting and its state from the message's record: for the display, true while
// it is on or dimmed; for battery saver, true while it is on.
PowerSetting ReadPowerSetting(LPARAM lParam, bool* on);
