// The settings table and the small conversions around it: defaults, field access by
// setting, the dialog's slider mapping and the background mode that the two flags make.
#include "settings/settings.h"

#include <algorithm>

const char* const SETTINGS_KEY = "Software\\Lakeglass";

const SettingInfo g_settingTable[SETTING_COUNT] = {
    // name             text   default  slider  scale  inverted  choices
    {"Ripple Style",    false, 7,       0, 0,   1,     false,    0},  // rain, rebound and fancy
    {"Snapshot",        false, 0,       0, 0,   1,     false,    0},
    {"Wallpaper",       false, 0,       0, 0,   1,     false,    0},
    {"Sound Effects",   false, 1,       0, 0,   1,     false,    0},
    {"BG File Name",    true,  0,       0, 0,   1,     false,    0},
    {"Ripple Size",     false, 4,       2, 8,   1,     false,    0},
    // The slider runs from "Shallow" to "Deep" while a smaller value is deeper water.
    {"Ripple Depth",    false, 4,       2, 8,   1,     true,     0},
    {"Drop Size",       false, 2,       1, 7,   1,     false,    0},
    {"Drop Weight",     false, 1536,    3, 9,   256,   false,    0},
    {"Picture Layout",  false, 0,       0, 0,   1,     false,    5},  // stretch .. span
    {"All Monitors",    false, 1,       0, 0,   1,     false,    2},
};

SaverSettings DefaultSaverSettings()
{
    SaverSettings settings{};
    for (int id = 0; id < SETTING_COUNT; ++id)
        SetNumericSetting(&settings, static_cast<SettingId>(id), g_settingTable[id].defaultValue);
    return settings;
}

uint32_t GetNumericSetting(const SaverSettings& settings, SettingId id)
{
    switch (id) {
    case SETTING_RIPPLE_STYLE: return settings.effectMask;
    case SETTING_SNAPSHOT: return static_cast<uint32_t>(settings.useSnapshot);
    case SETTING_WALLPAPER: return static_cast<uint32_t>(settings.useWallpaper);
    case SETTING_SOUND_EFFECTS: return static_cast<uint32_t>(settings.soundEffects);
    case SETTING_RIPPLE_SIZE: return static_cast<uint32_t>(settings.rippleSize);
    case SETTING_RIPPLE_DEPTH: return static_cast<uint32_t>(settings.rippleDepth);
    case SETTING_DROP_SIZE: return static_cast<uint32_t>(settings.dropSize);
    case SETTING_DROP_WEIGHT: return static_cast<uint32_t>(settings.dropWeight);
    case SETTING_PICTURE_LAYOUT: return static_cast<uint32_t>(settings.pictureLayout);
    case SETTING_ALL_MONITORS: return static_cast<uint32_t>(settings.allMonitors);
    default: return 0;
    }
}

void SetNumericSetting(SaverSettings* settings, SettingId id, uint32_t value)
{
    const int32_t signedValue = static_cast<int32_t>(value);
    switch (id) {
    case SETTING_RIPPLE_STYLE: settings->effectMask = value; break;
    case SETTING_SNAPSHOT: settings->useSnapshot = signedValue; break;
    case SETTING_WALLPAPER: settings->useWallpaper = signedValue; break;
    case SETTING_SOUND_EFFECTS: settings->soundEffects = signedValue; break;
    case SETTING_RIPPLE_SIZE: settings->rippleSize = signedValue; break;
    case SETTING_RIPPLE_DEPTH: settings->rippleDepth = signedValue; break;
    case SETTING_DROP_SIZE: settings->dropSize = signedValue; break;
    case SETTING_DROP_WEIGHT: settings->dropWeight = signedValue; break;
    case SETTING_PICTURE_LAYOUT: settings->pictureLayout = signedValue; break;
    case SETTING_ALL_MONITORS: settings->allMonitors = signedValue; break;
    default: break;
    }
}

uint32_t SettingFromStored(SettingId id, uint32_t stored)
{
    const SettingInfo& info = g_settingTable[id];
    if (info.choices != 0 && stored >= info.choices) return info.defaultValue;
    return stored;
}

// Hand-edited values can be anything; clamping before the inversion keeps the arithmetic
// away from overflow and gives the position the slider control would show anyway.
int32_t SliderPositionFromValue(SettingId id, int32_t value)
{
    const SettingInfo& info = g_settingTable[id];
    int32_t position = std::clamp(value / info.scale, info.sliderMin, info.sliderMax);
    if (info.inverted) position = info.sliderMin + info.sliderMax - position;
    return position;
}

int32_t ValueFromSliderPosition(SettingId id, int32_t position)
{
    const SettingInfo& info = g_settingTable[id];
    position = std::clamp(position, info.sliderMin, info.sliderMax);
    if (info.inverted) position = info.sliderMin + info.sliderMax - position;
    return position * info.scale;
}

BackgroundMode GetBackgroundMode(const SaverSettings& settings)
{
    if (settings.useSnapshot != 0) return BACKGROUND_SNAPSHOT;
    if (settings.useWallpaper != 0) return BACKGROUND_WALLPAPER;
    return BACKGROUND_OWN_PICTURE;
}

void SetBackgroundMode(SaverSettings* settings, BackgroundMode mode)
{
    settings->useSnapshot = mode == BACKGROUND_SNAPSHOT ? 1 : 0;
    settings->useWallpaper = mode == BACKGROUND_WALLPAPER ? 1 : 0;
}
