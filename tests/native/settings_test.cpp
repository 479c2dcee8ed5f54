// The settings table and its conversions: defaults, access to each field by setting, the
// dialog's slider mapping and the background mode of the two flags.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Settings, TableNamesTheRegistryValuesInRecordOrder)
{
    const char* const names[SETTING_COUNT] = {
        "Ripple Style", "Snapshot", "Wallpaper", "Sound Effects", "BG File Name",
        "Ripple Size", "Ripple Depth", "Drop Size", "Drop Weight", "Picture Layout",
        "All Monitors"};
    for (int id = 0; id < SETTING_COUNT; ++id) {
        EXPECT_STREQ(names[id], g_settingTable[id].registryName) << id;
        EXPECT_EQ(id == SETTING_BG_FILE_NAME, g_settingTable[id].isText) << id;
    }
    EXPECT_STREQ("Software\\Lakeglass", SETTINGS_KEY);
}

TEST(Settings, DefaultsAreAllEffectsOwnPictureWithoutPathAndSoundOn)
{
    SaverSettings settings = DefaultSaverSettings();
    EXPECT_EQ(7u, settings.effectMask);
    EXPECT_EQ(0, settings.useSnapshot);
    EXPECT_EQ(0, settings.useWallpaper);
    EXPECT_EQ(1, settings.soundEffects);
    EXPECT_EQ("", settings.pictureFile);
    EXPECT_EQ(4, settings.rippleSize);
    EXPECT_EQ(4, settings.rippleDepth);
    EXPECT_EQ(2, settings.dropSize);
    EXPECT_EQ(1536, settings.dropWeight);
    EXPECT_EQ(0, settings.pictureLayout);
    EXPECT_EQ(1, settings.allMonitors);
    EXPECT_EQ(BACKGROUND_OWN_PICTURE, GetBackgroundMode(settings));
}

// The layout and the monitors' switch are choices: a stored number that is none of them
// reads as the default; every other number is used as it is stored.
TEST(Settings, ChoicesOutOfRangeReadAsTheDefault)
{
    struct Case { SettingId id; uint32_t stored; uint32_t read; };
    const Case cases[] = {
        {SETTING_PICTURE_LAYOUT, 4, 4}, {SETTING_PICTURE_LAYOUT, 5, 0},
        {SETTING_PICTURE_LAYOUT, 0xFFFFFFFFu, 0}, {SETTING_ALL_MONITORS, 0, 0},
        {SETTING_ALL_MONITORS, 1, 1}, {SETTING_ALL_MONITORS, 2, 1},
        {SETTING_RIPPLE_DEPTH, 9, 9}, {SETTING_RIPPLE_STYLE, 0xFFFFFFFFu, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(c.read, SettingFromStored(c.id, c.stored)) << c.id << " " << c.stored;
}

TEST(Settings, EachNumericSettingReachesItsOwnFieldOnly)
{
    for (int id = 0; id < SETTING_COUNT; ++id) {
        if (id == SETTING_BG_FILE_NAME) continue;
        SaverSettings settings{};
        SetNumericSetting(&settings, static_cast<SettingId>(id), 0xA5000000u + id);
        for (int other = 0; other < SETTING_COUNT; ++other) {
            if (other == SETTING_BG_FILE_NAME) continue;
            const uint32_t expected = other == id ? 0xA5000000u + id : 0u;
            EXPECT_EQ(expected, GetNumericSetting(settings, static_cast<SettingId>(other)))
                << id << " " << other;
        }
        EXPECT_EQ("", settings.pictureFile);
    }
}

TEST(Settings, PlainSlidersShowAndStoreTheValue)
{
    for (int value = 2; value <= 8; ++value) {
        EXPECT_EQ(value, SliderPositionFromValue(SETTING_RIPPLE_SIZE, value));
        EXPECT_EQ(value, ValueFromSliderPosition(SETTING_RIPPLE_SIZE, value));
    }
    for (int value = 1; value <= 7; ++value) {
        EXPECT_EQ(value, SliderPositionFromValue(SETTING_DROP_SIZE, value));
        EXPECT_EQ(value, ValueFromSliderPosition(SETTING_DROP_SIZE, value));
    }
}

TEST(Settings, RippleDepthSliderIsInverted)
{
    EXPECT_EQ(6, SliderPositionFromValue(SETTING_RIPPLE_DEPTH, 4));
    EXPECT_EQ(2, ValueFromSliderPosition(SETTING_RIPPLE_DEPTH, 8));  // "Deep" end
    EXPECT_EQ(8, ValueFromSliderPosition(SETTING_RIPPLE_DEPTH, 2));  // "Shallow" end
    for (int value = 2; value <= 8; ++value)
        EXPECT_EQ(value, ValueFromSliderPosition(SETTING_RIPPLE_DEPTH,
                                                 SliderPositionFromValue(SETTING_RIPPLE_DEPTH, value)));
}

TEST(Settings, DropWeightIsPositionTimes256)
{
    EXPECT_EQ(6, SliderPositionFromValue(SETTING_DROP_WEIGHT, 1536));
    EXPECT_EQ(768, ValueFromSliderPosition(SETTING_DROP_WEIGHT, 3));
    EXPECT_EQ(2304, ValueFromSliderPosition(SETTING_DROP_WEIGHT, 9));
    // 1000 is not a multiple of 256: shown at 3, stored back as 768.
    EXPECT_EQ(3, SliderPositionFromValue(SETTING_DROP_WEIGHT, 1000));
    EXPECT_EQ(768, ValueFromSliderPosition(SETTING_DROP_WEIGHT,
                                           SliderPositionFromValue(SETTING_DROP_WEIGHT, 1000)));
    EXPECT_EQ(9, SliderPositionFromValue(SETTING_DROP_WEIGHT, 2559));
}

TEST(Settings, ValuesOutsideTheDomainShowAtTheNearerEnd)
{
    EXPECT_EQ(2, SliderPositionFromValue(SETTING_RIPPLE_DEPTH, 9));
    EXPECT_EQ(8, SliderPositionFromValue(SETTING_RIPPLE_DEPTH, 0));
    EXPECT_EQ(8, SliderPositionFromValue(SETTING_RIPPLE_DEPTH, INT32_MIN));
    EXPECT_EQ(2, SliderPositionFromValue(SETTING_RIPPLE_DEPTH, INT32_MAX));
    EXPECT_EQ(8, SliderPositionFromValue(SETTING_RIPPLE_SIZE, 100));
    EXPECT_EQ(1, SliderPositionFromValue(SETTING_DROP_SIZE, -5));
    EXPECT_EQ(3, SliderPositionFromValue(SETTING_DROP_WEIGHT, -1000));
    EXPECT_EQ(9, SliderPositionFromValue(SETTING_DROP_WEIGHT, INT32_MAX));
    EXPECT_EQ(3, SliderPositionFromValue(SETTING_DROP_WEIGHT, INT32_MIN));
}

TEST(Settings, StoredSliderValuesStayWithinTheDomain)
{
    EXPECT_EQ(2, ValueFromSliderPosition(SETTING_RIPPLE_DEPTH, INT32_MAX));
    EXPECT_EQ(8, ValueFromSliderPosition(SETTING_RIPPLE_DEPTH, INT32_MIN));
    EXPECT_EQ(2304, ValueFromSliderPosition(SETTING_DROP_WEIGHT, INT32_MAX));
    EXPECT_EQ(768, ValueFromSliderPosition(SETTING_DROP_WEIGHT, 0));
    EXPECT_EQ(7, ValueFromSliderPosition(SETTING_DROP_SIZE, 8));
}

TEST(Settings, SnapshotFlagWinsOverWallpaperFlag)
{
    SaverSettings settings = DefaultSaverSettings();
    settings.useSnapshot = 1;
    settings.useWallpaper = 1;
    EXPECT_EQ(BACKGROUND_SNAPSHOT, GetBackgroundMode(settings));
    settings.useSnapshot = 0;
    EXPECT_EQ(BACKGROUND_WALLPAPER, GetBackgroundMode(settings));
    settings.useWallpaper = -7;  // any non-zero value counts as set
    EXPECT_EQ(BACKGROUND_WALLPAPER, GetBackgroundMode(settings));
    settings.useWallpaper = 0;
    EXPECT_EQ(BACKGROUND_OWN_PICTURE, GetBackgroundMode(settings));
}

TEST(Settings, SettingTheModeWritesOnlyTheThreeDialogPairs)
{
    SaverSettings settings = DefaultSaverSettings();
    settings.useSnapshot = 5;
    settings.useWallpaper = 9;
    SetBackgroundMode(&settings, BACKGROUND_WALLPAPER);
    EXPECT_EQ(0, settings.useSnapshot);
    EXPECT_EQ(1, settings.useWallpaper);
    SetBackgroundMode(&settings, BACKGROUND_SNAPSHOT);
    EXPECT_EQ(1, settings.useSnapshot);
    EXPECT_EQ(0, settings.useWallpaper);
    SetBackgroundMode(&settings, BACKGROUND_OWN_PICTURE);
    EXPECT_EQ(0, settings.useSnapshot);
    EXPECT_EQ(0, settings.useWallpaper);
}

}  // namespace
