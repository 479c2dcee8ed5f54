// Power messages as the system sends them to a saver window that asked for them, for the
// tests and the benchmark that play the system's part.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "ripple/power_settings.h"

// The states a setting reports: off and on, and for the console display also dimmed.
const DWORD SETTING_OFF = 0, SETTING_ON = 1, DISPLAY_DIMMED = 2;

// A setting's new state: the record's data is one DWORD.
inline void SendPowerSetting(HWND window, const GUID& setting, DWORD state)
{
    std::vector<BYTE> record(sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD));
    POWERBROADCAST_SETTING* message = reinterpret_cast<POWERBROADCAST_SETTING*>(record.data());
    message->PowerSetting = setting;
    message->DataLength = sizeof(DWORD);
    std::memcpy(message->Data, &state, sizeof(state));
    SendMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(message));
}
