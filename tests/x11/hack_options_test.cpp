// The Linux program's options: the settings store's defaults, the sliders' domains at both
// ends, both dash spellings, window ids as XScreenSaver writes them, and refusals that name
// what was refused.
#include "x11/hack_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ripple/effects.h"
#include "ripple/monitor_layout.h"

namespace {

ParseOutcome Parse(std::vector<const char*> arguments, HackOptions* options, std::string* error)
{
    arguments.insert(arguments.begin(), "lakeglass");
    return ParseHackOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(HackOptions, NoOptionsGiveTheStoreDefaultsWithoutSound)
{
    HackOptions options;
    std::string error;
    ASSERT_EQ(PARSE_RUN, Parse({}, &options, &error));
    const SaverSettings defaults = DefaultSaverSettings();
    EXPECT_EQ(defaults.effectMask, options.settings.effectMask);
    EXPECT_EQ(defaults.rippleSize, options.settings.rippleSize);
    EXPECT_EQ(defaults.rippleDepth, options.settings.rippleDepth);
    EXPECT_EQ(defaults.dropSize, options.settings.dropSize);
    EXPECT_EQ(defaults.dropWeight, options.settings.dropWeight);
    EXPECT_EQ(defaults.useSnapshot, options.settings.useSnapshot);
    EXPECT_TRUE(options.settings.pictureFile.empty());
    EXPECT_EQ(0, options.settings.soundEffects);
    EXPECT_EQ(TARGET_OWN_WINDOW, options.target);
    EXPECT_EQ(50000, options.delayMicroseconds);
    EXPECT_FALSE(options.showFps);
}

TEST(HackOptions, SlidersTakeTheirWholeDomainAndNothingBeyond)
{
    const struct {
        const char* name;
        SettingId id;
    } sliders[] = {{"--ripple-size", SETTING_RIPPLE_SIZE}, {"--ripple-depth", SETTING_RIPPLE_DEPTH},
                   {"--drop-size", SETTING_DROP_SIZE}, {"--drop-weight", SETTING_DROP_WEIGHT}};
    for (const auto& slider : sliders) {
        const SettingInfo& info = g_settingTable[slider.id];
        const int low = info.sliderMin * info.scale, high = info.sliderMax * info.scale;
        for (int value : {low, high}) {
            HackOptions options;
            std::string error;
            const std::string text = std::to_string(value);
            ASSERT_EQ(PARSE_RUN, Parse({slider.name, text.c_str()}, &options, &error)) << slider.name;
            EXPECT_EQ(uint32_t(value), GetNumericSetting(options.settings, slider.id)) << slider.name;
        }
        for (const std::string& bad : {std::to_string(low - 1), std::to_string(high + 1),
                                      std::string("4x"), std::string(""), std::string(" 4"),
                                      std::string("+4"), std::string("0x4"),
                                      std::string("99999999999999999999")}) {
            HackOptions options;
            std::string error;
            EXPECT_EQ(PARSE_ERROR, Parse({slider.name, bad.c_str()}, &options, &error)) << bad;
            EXPECT_NE(std::string::npos, error.find(slider.name)) << error;
            EXPECT_NE(std::string::npos, error.find("'" + bad + "'")) << error;
        }
    }
}

TEST(HackOptions, SingleAndDoubleDashAndEqualsSpellAlike)
{
    const std::vector<std::vector<const char*>> spellings = {
        {"--root", "--delay", "20000", "--drop-size", "7", "--fps"},
        {"-root", "-delay", "20000", "-drop-size", "7", "-fps"},
        {"--root", "--delay=20000", "-drop-size=7", "--fps"},
    };
    for (const auto& spelling : spellings) {
        HackOptions options;
        std::string error;
        ASSERT_EQ(PARSE_RUN, Parse(spelling, &options, &error)) << error;
        EXPECT_EQ(TARGET_ROOT, options.target);
        EXPECT_EQ(20000, options.delayMicroseconds);
        EXPECT_EQ(7, options.settings.dropSize);
        EXPECT_TRUE(options.showFps);
    }
}

TEST(HackOptions, EffectSwitchesSetAndClearTheirBitsOnly)
{
    HackOptions options;
    std::string error;
    ASSERT_EQ(PARSE_RUN, Parse({"--no-rain", "--no-fancy"}, &options, &error));
    EXPECT_EQ(EFFECT_REBOUND, options.settings.effectMask);
    ASSERT_EQ(PARSE_RUN, Parse({"--no-rain", "--no-rebound", "--no-fancy", "--fancy"}, &options, &error));
    EXPECT_EQ(EFFECT_FANCY, options.settings.effectMask);
    ASSERT_EQ(PARSE_RUN, Parse({"--no-rebound", "--rebound", "-rain"}, &options, &error));
    EXPECT_EQ(EFFECT_RAIN | EFFECT_REBOUND | EFFECT_FANCY, options.settings.effectMask);
    EXPECT_EQ(PARSE_ERROR, Parse({"--rain=1"}, &options, &error));
    EXPECT_NE(std::string::npos, error.find("--rain")) << error;
}

TEST(HackOptions, WindowIdsAreDecimalOrHexAndNeverZero)
{
    const struct {
        const char* text;
        bool valid;
        uint64_t id;
    } cases[] = {
        {"4194305", true, 4194305}, {"0x400001", true, 0x400001}, {"0X1fffffff", true, 0x1FFFFFFF},
        {"0", false, 0}, {"0x0", false, 0}, {"0x", false, 0}, {"0x20000000", false, 0},
        {"12a", false, 0}, {"-5", false, 0}, {"+5", false, 0}, {" 5", false, 0}, {"", false, 0},
        {"0x-5", false, 0}, {"0x 5", false, 0}, {"0x+5", false, 0}, {"\t5", false, 0},
        {"\n+5", false, 0}, {"0x0x5", false, 0},
    };
    for (const auto& c : cases) {
        uint64_t id = 0;
        EXPECT_EQ(c.valid, ParseWindowId(c.text, &id)) << c.text;
        if (c.valid) {
            EXPECT_EQ(c.id, id) << c.text;
        }
    }
    HackOptions options;
    std::string error;
    ASSERT_EQ(PARSE_RUN, Parse({"-window-id", "0x400001"}, &options, &error));
    EXPECT_EQ(TARGET_WINDOW_ID, options.target);
    EXPECT_EQ(0x400001u, options.windowId);
    EXPECT_EQ(PARSE_ERROR, Parse({"--window-id", "0"}, &options, &error));
    EXPECT_NE(std::string::npos, error.find("--window-id")) << error;
}

TEST(HackOptions, PictureAndSnapshotChooseTheBackground)
{
    HackOptions options;
    std::string error;
    ASSERT_EQ(PARSE_RUN, Parse({"--picture", "/some/lake.png"}, &options, &error));
    EXPECT_EQ("/some/lake.png", options.settings.pictureFile);
    EXPECT_EQ(BACKGROUND_OWN_PICTURE, GetBackgroundMode(options.settings));
    // The snapshot wins over a picture, as a stored pair with both set reads on Windows.
    ASSERT_EQ(PARSE_RUN, Parse({"--snapshot", "--picture", "/some/lake.png"}, &options, &error));
    EXPECT_EQ(BACKGROUND_SNAPSHOT, GetBackgroundMode(options.settings));
    ASSERT_EQ(PARSE_RUN, Parse({"--snapshot", "--no-snapshot"}, &options, &error));
    EXPECT_EQ(0, options.settings.useSnapshot);
    EXPECT_EQ(PARSE_ERROR, Parse({"--picture", ""}, &options, &error));

    EXPECT_EQ(LAYOUT_STRETCH, options.settings.pictureLayout);
    const char* const layouts[] = {"stretch", "fill", "fit", "center", "span"};
    for (int layout = 0; layout < LAYOUT_COUNT; ++layout) {
        ASSERT_EQ(PARSE_RUN, Parse({"--layout", layouts[layout]}, &options, &error));
        EXPECT_EQ(layout, options.settings.pictureLayout);
    }
}

TEST(HackOptions, RefusalsNameWhatWasRefused)
{
    const struct {
        std::vector<const char*> arguments;
        const char* named;
    } cases[] = {
        {{"--bogus"}, "'--bogus'"},
        {{"--root", "-x"}, "'-x'"},
        {{"stray"}, "'stray'"},
        {{"-"}, "'-'"},
        {{"--delay"}, "--delay needs a value"},
        {{"--delay", "-1"}, "--delay"},
        {{"--delay", "10000001"}, "'10000001'"},
        {{"--delay", "\r5"}, "--delay"},
        {{"--drop-size", "\f3"}, "--drop-size"},
        {{"--root=yes"}, "--root takes no value"},
        {{"--ripple-depth", "1"}, "--ripple-depth"},
        {{"--layout", "Fill"}, "'Fill' for --layout"},
        {{"--layout"}, "--layout needs a value"},
    };
    for (const auto& c : cases) {
        HackOptions options;
        std::string error;
        EXPECT_EQ(PARSE_ERROR, Parse(c.arguments, &options, &error)) << c.named;
        EXPECT_NE(std::string::npos, error.find(c.named)) << error;
    }
}

TEST(HackOptions, HelpWinsWhereverItStands)
{
    HackOptions options;
    std::string error;
    EXPECT_EQ(PARSE_HELP, Parse({"--help"}, &options, &error));
    EXPECT_EQ(PARSE_HELP, Parse({"-root", "-help"}, &options, &error));
    EXPECT_EQ(PARSE_HELP, Parse({"-h"}, &options, &error));
    for (const char* option : {"--ripple-size", "--ripple-depth", "--drop-size", "--drop-weight",
                               "--no-rain", "--no-rebound", "--no-fancy", "--picture", "--snapshot",
                               "--root", "--window-id", "--delay", "--fps"})
        EXPECT_NE(nullptr, std::strstr(HackUsage(), option)) << option;
}

}  // namespace
