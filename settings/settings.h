// The saver's user settings and the one table that describes them: where each is
// stored, its default, and how the settings dialog's sliders show and store it. The
// registry store and the dialog both work from this table.
#pragma once

#include <cstdint>
#include <string>

// The key under the current user that holds the settings, one value per field.
extern const char* const SETTINGS_KEY;

// The store's buffers for the picture path hold this many bytes, terminator included, so
// a path may have at most PICTURE_PATH_SIZE - 1 characters.
const int PICTURE_PATH_SIZE = 260;
const int PICTURE_PATH_MAX_LENGTH = PICTURE_PATH_SIZE - 1;

struct SaverSettings {
    uint32_t effectMask;     // "Ripple Style": bits of the drop effects; other bits are kept
    int32_t useSnapshot;     // "Snapshot"
    int32_t useWallpaper;    // "Wallpaper"
    int32_t soundEffects;    // "Sound Effects"
    std::string pictureFile; // "BG File Name", in the system's ANSI code page
    int32_t rippleSize;      // "Ripple Size"
    int32_t rippleDepth;     // "Ripple Depth"
    int32_t dropSize;        // "Drop Size"
    int32_t dropWeight;      // "Drop Weight"
    int32_t pictureLayout;   // "Picture Layout": how the own picture lies on each monitor
    int32_t allMonitors;     // "All Monitors": water on every monitor, or the primary alone
};

// The settings in the record's order, which is also the order the store reads and
// writes the numeric ones in.
enum SettingId {
    SETTING_RIPPLE_STYLE,
    SETTING_SNAPSHOT,
    SETTING_WALLPAPER,
    SETTING_SOUND_EFFECTS,
    SETTING_BG_FILE_NAME,
    SETTING_RIPPLE_SIZE,
    SETTING_RIPPLE_DEPTH,
    SETTING_DROP_SIZE,
    SETTING_DROP_WEIGHT,
    SETTING_PICTURE_LAYOUT,
    SETTING_ALL_MONITORS,
    SETTING_COUNT
};

struct SettingInfo {
    const char* registryName;
    bool isText;              // the picture path; every other setting is a 32-bit number
    uint32_t defaultValue;    // taken when the stored value cannot be used; 0 for the path
    int32_t sliderMin;        // the dialog's slider positions; both 0 when there is no slider
    int32_t sliderMax;
    int32_t scale;            // stored value = position * scale
    bool inverted;            // the slider shows sliderMin + sliderMax - position
    // A setting that is one of a few choices is stored as 0..choices-1, and any other
    // stored value reads as its default; 0 for the settings that are used as stored.
    uint32_t choices;
};

extern const SettingInfo g_settingTable[SETTING_COUNT];

// All fields at their defaults: effects all on, own picture with no path, sound on, the
// picture stretched, water on every monitor.
SaverSettings DefaultSaverSettings();

// The value a stored number gives its setting: the number itself, or the default where the
// setting takes only a few choices and the number is none of them.
uint32_t SettingFromStored(SettingId id, uint32_t stored);

// The 32-bit value of a numeric setting as it is stored (signed fields as their two's
// complement bits). Not for SETTING_BG_FILE_NAME, which reads as 0 and ignores writes.
uint32_t GetNumericSetting(const SaverSettings& settings, SettingId id);
void SetNumericSetting(SaverSettings* settings, SettingId id, uint32_t value);

// The slider position the dialog shows for a stored value. A value outside the domain
// shows at the nearer end of the slider, as the slider control itself would place it.
int32_t SliderPositionFromValue(SettingId id, int32_t value);

// The value the dialog stores for a slider position; always within the dialog's domain.
int32_t ValueFromSliderPosition(SettingId id, int32_t position);

// Which picture lies under the water, decided by the two flags; a stored pair with both
// set reads as the snapshot.
enum BackgroundMode { BACKGROUND_SNAPSHOT, BACKGROUND_WALLPAPER, BACKGROUND_OWN_PICTURE };

BackgroundMode GetBackgroundMode(const SaverSettings& settings);
void SetBackgroundMode(SaverSettings* settings, BackgroundMode mode);
