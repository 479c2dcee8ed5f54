// The registry store against the real registry of the Wine prefix: every case starts with
// no "Software\Lakeglass" key, prepares raw values where it needs them, and reads back what
// the store wrote with the registry's own calls.
#include "settings/store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const char* const PICTURE_VALUE = "BG File Name";

struct RawValue {
    LONG result;
    DWORD type;
    std::vector<BYTE> data;
};

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        const LONG deleted = RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
        ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) << deleted;
        ASSERT_FALSE(KeyExists());
    }

    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY); }

    static bool KeyExists()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static DWORD ValueCount()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return 0;
        DWORD values = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        return values;
    }

    // Writes exactly `size` bytes of `data`; the caller controls the byte after them, which
    // the system inspects for text types.
    static void PutRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SETTINGS_KEY, &key));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }

    static void PutDword(const char* name, uint32_t value)
    {
        PutRaw(name, REG_DWORD, &value, sizeof(value));
    }

    // A text value of exactly the characters given, with no terminator counted or added.
    static void PutUnterminatedText(const char* name, const std::string& text)
    {
        std::string buffer = text + 'x';
        PutRaw(name, REG_SZ, buffer.data(), static_cast<DWORD>(text.size()));
    }

    // An expandable text as registry editors write it: its characters and a terminator.
    static void PutExpandableText(const char* name, const std::string& text)
    {
        PutRaw(name, REG_EXPAND_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    static void DeleteValue(const char* name)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0,
                                               KEY_SET_VALUE, &key));
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, name));
        RegCloseKey(key);
    }

    static RawValue GetRaw(const char* name)
    {
        RawValue raw = {ERROR_FILE_NOT_FOUND, REG_NONE, std::vector<BYTE>(4096)};
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return raw;
        DWORD size = static_cast<DWORD>(raw.data.size());
        raw.result = RegQueryValueExA(key, name, nullptr, &raw.type, raw.data.data(), &size);
        raw.data.resize(raw.result == ERROR_SUCCESS ? size : 0);
        RegCloseKey(key);
        return raw;
    }

    // A record unlike the defaults in every field, in own-picture mode.
    static SaverSettings Distinct()
    {
        SaverSettings settings;
        settings.effectMask = 0x80000003u;
        settings.useSnapshot = 0;
        settings.useWallpaper = 0;
        settings.soundEffects = 0;
        settings.pictureFile = "C:\\pond\\lake.jpg";
        settings.rippleSize = 7;
        settings.rippleDepth = 3;
        settings.dropSize = 6;
        settings.dropWeight = 2048;
        settings.pictureLayout = 3;
        settings.allMonitors = 0;
        return settings;
    }

    // A record whose every field holds something no load could produce by accident.
    static SaverSettings Garbage()
    {
        SaverSettings settings;
        settings.effectMask = 0xDEADBEEFu;
        settings.useSnapshot = 0x5A5A5A5A;
        settings.useWallpaper = 0x5A5A5A5A;
        settings.soundEffects = 0x5A5A5A5A;
        settings.pictureFile = "stale";
        settings.rippleSize = 0x5A5A5A5A;
        settings.rippleDepth = 0x5A5A5A5A;
        settings.dropSize = 0x5A5A5A5A;
        settings.dropWeight = 0x5A5A5A5A;
        settings.pictureLayout = 0x5A5A5A5A;
        settings.allMonitors = 0x5A5A5A5A;
        return settings;
    }

    static SaverSettings Loaded()
    {
        SaverSettings settings = Garbage();
        LoadSaverSettings(&settings);
        return settings;
    }
};

void ExpectSameSettings(const SaverSettings& expected, const SaverSettings& actual)
{
    EXPECT_EQ(expected.effectMask, actual.effectMask);
    EXPECT_EQ(expected.useSnapshot, actual.useSnapshot);
    EXPECT_EQ(expected.useWallpaper, actual.useWallpaper);
    EXPECT_EQ(expected.soundEffects, actual.soundEffects);
    EXPECT_EQ(expected.pictureFile, actual.pictureFile);
    EXPECT_EQ(expected.rippleSize, actual.rippleSize);
    EXPECT_EQ(expected.rippleDepth, actual.rippleDepth);
    EXPECT_EQ(expected.dropSize, actual.dropSize);
    EXPECT_EQ(expected.dropWeight, actual.dropWeight);
    EXPECT_EQ(expected.pictureLayout, actual.pictureLayout);
    EXPECT_EQ(expected.allMonitors, actual.allMonitors);
}

TEST_F(Store, NoKeyLoadsDefaultsAndLeavesAnEmptyKey)
{
    const SaverSettings settings = Loaded();
    ExpectSameSettings(DefaultSaverSettings(), settings);
    EXPECT_EQ(BACKGROUND_OWN_PICTURE, GetBackgroundMode(settings));
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(0u, ValueCount());
}

TEST_F(Store, SavedSettingsLoadBack)
{
    ASSERT_TRUE(SaveSaverSettings(Distinct()));
    EXPECT_EQ(11u, ValueCount());
    ExpectSameSettings(Distinct(), Loaded());
}

TEST_F(Store, NumbersAreWrittenAsFourLittleEndianDwordBytes)
{
    SaverSettings settings = Distinct();
    settings.effectMask = 0x01020304u;
    settings.useSnapshot = 0x11121314;
    settings.useWallpaper = 0x21222324;
    settings.soundEffects = 0x31323334;
    settings.rippleSize = 0x41424344;
    settings.rippleDepth = 0x51525354;
    settings.dropSize = 0x61626364;
    settings.dropWeight = -2;
    SaveSaverSettings(settings);
    for (int id = 0; id < SETTING_COUNT; ++id) {
        if (g_settingTable[id].isText) continue;
        const RawValue raw = GetRaw(g_settingTable[id].registryName);
        ASSERT_EQ(ERROR_SUCCESS, raw.result) << id;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw.type) << id;
        ASSERT_EQ(4u, raw.data.size()) << id;
        const uint32_t value = GetNumericSetting(settings, static_cast<SettingId>(id));
        for (int byte = 0; byte < 4; ++byte)
            EXPECT_EQ(static_cast<BYTE>(value >> (8 * byte)), raw.data[byte]) << id << " " << byte;
    }
}

// The store passes the number of characters; the system itself counts a terminator when
// the byte after the text is zero, as it is in the store's buffer. Either way the data are
// the path's characters and nothing else.
TEST_F(Store, PathIsWrittenAsTextOfItsCharacters)
{
    SaveSaverSettings(Distinct());
    const std::string path = Distinct().pictureFile;
    const RawValue raw = GetRaw(PICTURE_VALUE);
    ASSERT_EQ(ERROR_SUCCESS, raw.result);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    ASSERT_GE(raw.data.size(), path.size());
    ASSERT_LE(raw.data.size(), path.size() + 1);
    EXPECT_EQ(path, std::string(raw.data.begin(), raw.data.begin() + path.size()));
    if (raw.data.size() > path.size()) {
        EXPECT_EQ(0, raw.data[path.size()]);
    }
}

TEST_F(Store, EmptyPathInOwnPictureModeIsWrittenWithoutDataAndLoadsEmpty)
{
    PutUnterminatedText(PICTURE_VALUE, "C:\\old.jpg");
    SaverSettings settings = Distinct();
    settings.pictureFile.clear();
    ASSERT_TRUE(SaveSaverSettings(settings));
    const RawValue raw = GetRaw(PICTURE_VALUE);
    ASSERT_EQ(ERROR_SUCCESS, raw.result);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    EXPECT_EQ(0u, raw.data.size());
    EXPECT_EQ("", Loaded().pictureFile);
}

class StoreMissingValue : public Store, public ::testing::WithParamInterface<int> {};

TEST_P(StoreMissingValue, TakesItsDefaultWhileTheOthersLoad)
{
    const SettingId missing = static_cast<SettingId>(GetParam());
    ASSERT_TRUE(SaveSaverSettings(Distinct()));
    DeleteValue(g_settingTable[missing].registryName);

    SaverSettings expected = Distinct();
    if (missing == SETTING_BG_FILE_NAME)
        expected.pictureFile.clear();
    else
        SetNumericSetting(&expected, missing, g_settingTable[missing].defaultValue);
    ExpectSameSettings(expected, Loaded());
}

std::string SettingTestName(const ::testing::TestParamInfo<int>& info)
{
    std::string name;
    for (const char* c = g_settingTable[info.param].registryName; *c != 0; ++c)
        if (*c != ' ') name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(EachValue, StoreMissingValue, ::testing::Range(0, int(SETTING_COUNT)),
                         SettingTestName);

TEST_F(Store, MissingSnapshotWithWallpaperSetReadsAsWallpaper)
{
    PutDword("Wallpaper", 1);
    const SaverSettings settings = Loaded();
    EXPECT_EQ(0, settings.useSnapshot);
    EXPECT_EQ(1, settings.useWallpaper);
    EXPECT_EQ(BACKGROUND_WALLPAPER, GetBackgroundMode(settings));
}

TEST_F(Store, SnapshotAndWallpaperBothSetReadAsSnapshot)
{
    PutDword("Snapshot", 1);
    PutDword("Wallpaper", 1);
    EXPECT_EQ(BACKGROUND_SNAPSHOT, GetBackgroundMode(Loaded()));
}

TEST_F(Store, RippleStyleZeroIsKeptNotDefaulted)
{
    PutDword("Ripple Style", 0);
    SaverSettings settings = Loaded();
    EXPECT_EQ(0u, settings.effectMask);
    SaveSaverSettings(settings);
    const RawValue raw = GetRaw("Ripple Style");
    ASSERT_EQ(4u, raw.data.size());
    EXPECT_EQ(std::vector<BYTE>({0, 0, 0, 0}), raw.data);
}

TEST_F(Store, RippleStyleBitsAboveTheEffectsSurviveLoadAndSave)
{
    PutDword("Ripple Style", 0xFFFFFFF8u | 5u);
    SaverSettings settings = Loaded();
    EXPECT_EQ(0xFFFFFFFDu, settings.effectMask);
    SaveSaverSettings(settings);
    EXPECT_EQ(std::vector<BYTE>({0xFD, 0xFF, 0xFF, 0xFF}), GetRaw("Ripple Style").data);
    EXPECT_EQ(0xFFFFFFFDu, Loaded().effectMask);
}

TEST_F(Store, ValuesOutsideTheDialogsRangesLoadUnchanged)
{
    PutDword("Ripple Depth", 9);
    PutDword("Drop Weight", 1000);
    PutDword("Drop Size", static_cast<uint32_t>(-5));
    PutDword("Sound Effects", 7);
    const SaverSettings settings = Loaded();
    EXPECT_EQ(9, settings.rippleDepth);
    EXPECT_EQ(1000, settings.dropWeight);
    EXPECT_EQ(-5, settings.dropSize);
    EXPECT_EQ(7, settings.soundEffects);
}

// The layout and the monitors' switch are choices: what is none of them takes the default.
TEST_F(Store, ChoicesOutOfRangeTakeTheirDefault)
{
    const struct { uint32_t layout, monitors; int32_t loadedLayout, loadedMonitors; } cases[] = {
        {4, 0, 4, 0}, {5, 2, 0, 1}, {0xFFFFFFFFu, 0xFFFFFFFFu, 0, 1}};
    for (const auto& c : cases) {
        PutDword("Picture Layout", c.layout);
        PutDword("All Monitors", c.monitors);
        const SaverSettings settings = Loaded();
        EXPECT_EQ(c.loadedLayout, settings.pictureLayout) << c.layout;
        EXPECT_EQ(c.loadedMonitors, settings.allMonitors) << c.monitors;
    }
}

TEST_F(Store, ShortBinaryNumberTakesTheDefault)
{
    const BYTE two[2] = {9, 0};
    PutRaw("Ripple Size", REG_BINARY, two, sizeof(two));
    PutRaw("Drop Weight", REG_DWORD, two, sizeof(two));
    const SaverSettings settings = Loaded();
    EXPECT_EQ(4, settings.rippleSize);
    EXPECT_EQ(1536, settings.dropWeight);
}

TEST_F(Store, FourByteBinaryNumberIsAccepted)
{
    const BYTE four[4] = {0x00, 0x04, 0x00, 0x00};
    PutRaw("Drop Weight", REG_BINARY, four, sizeof(four));
    EXPECT_EQ(1024, Loaded().dropWeight);
}

TEST_F(Store, TextUnderANumericNameTakesTheDefault)
{
    // "abc" with its terminator is four bytes: exactly a number's size, yet no number.
    PutRaw("Drop Size", REG_SZ, "abc", 4);
    PutRaw("Ripple Style", REG_SZ, "5", 2);
    const SaverSettings settings = Loaded();
    EXPECT_EQ(2, settings.dropSize);
    EXPECT_EQ(7u, settings.effectMask);
}

TEST_F(Store, BigEndianOrLongerNumbersTakeTheDefault)
{
    const BYTE four[4] = {0, 0, 0, 3};
    PutRaw("Ripple Depth", REG_DWORD_BIG_ENDIAN, four, sizeof(four));
    const uint64_t wide = 3;
    PutRaw("Ripple Size", REG_QWORD, &wide, sizeof(wide));
    const BYTE five[5] = {3, 0, 0, 0, 0};
    PutRaw("Drop Size", REG_BINARY, five, sizeof(five));
    const SaverSettings settings = Loaded();
    EXPECT_EQ(4, settings.rippleDepth);
    EXPECT_EQ(4, settings.rippleSize);
    EXPECT_EQ(2, settings.dropSize);
}

TEST_F(Store, PathOf259CharactersLoadsWhole)
{
    const std::string path = "C:\\" + std::string(252, 'p') + ".jpg";
    ASSERT_EQ(259u, path.size());
    PutUnterminatedText(PICTURE_VALUE, path);
    EXPECT_EQ(path, Loaded().pictureFile);

    SaverSettings settings = Distinct();
    settings.pictureFile = path;
    ASSERT_TRUE(SaveSaverSettings(settings));
    EXPECT_EQ(path, Loaded().pictureFile);
}

TEST_F(Store, PathWithATerminatorLoads)
{
    PutRaw(PICTURE_VALUE, REG_SZ, "C:\\lake.bmp", 12);
    EXPECT_EQ("C:\\lake.bmp", Loaded().pictureFile);

    const std::string path(259, 'q');
    PutRaw(PICTURE_VALUE, REG_SZ, path.c_str(), 260);
    EXPECT_EQ(path, Loaded().pictureFile);
}

TEST_F(Store, PathEndsAtItsFirstZeroByte)
{
    PutRaw(PICTURE_VALUE, REG_SZ, "C:\\a.jpg\0junk", 13);
    EXPECT_EQ("C:\\a.jpg", Loaded().pictureFile);
}

TEST_F(Store, Exactly260CharactersWithoutTerminatorLoadEmpty)
{
    PutUnterminatedText(PICTURE_VALUE, std::string(260, 'r'));
    EXPECT_EQ("", Loaded().pictureFile);
}

TEST_F(Store, PathDataLongerThan260BytesLoadsEmpty)
{
    PutUnterminatedText(PICTURE_VALUE, std::string(300, 's'));
    EXPECT_EQ("", Loaded().pictureFile);
    const std::string path(260, 't');
    PutRaw(PICTURE_VALUE, REG_SZ, path.c_str(), 261);
    EXPECT_EQ("", Loaded().pictureFile);
}

TEST_F(Store, PathOfAnotherTypeLoadsEmpty)
{
    PutRaw(PICTURE_VALUE, REG_BINARY, "C:\\a.jpg", 8);
    EXPECT_EQ("", Loaded().pictureFile);
    // A list of texts names no single picture, even when it holds just one.
    PutRaw(PICTURE_VALUE, REG_MULTI_SZ, "C:\\a.jpg\0", 10);
    EXPECT_EQ("", Loaded().pictureFile);
}

TEST_F(Store, ExpandablePathLoadsExpandedAndIsSavedAsPlainText)
{
    PutExpandableText(PICTURE_VALUE, "C:\\pics\\lake.jpg");
    EXPECT_EQ("C:\\pics\\lake.jpg", Loaded().pictureFile);

    char profile[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof(profile));
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof(profile));
    const std::string expanded = std::string(profile) + "\\Pictures\\lake.jpg";
    PutExpandableText(PICTURE_VALUE, "%USERPROFILE%\\Pictures\\lake.jpg");
    const SaverSettings settings = Loaded();
    EXPECT_EQ(expanded, settings.pictureFile);

    ASSERT_TRUE(SaveSaverSettings(settings));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), GetRaw(PICTURE_VALUE).type);
    EXPECT_EQ(expanded, Loaded().pictureFile);
}

// The stored text is short; only the variable's value carries the path past the field.
TEST_F(Store, ExpandablePathWhoseExpansionDoesNotFitLoadsEmpty)
{
    const char* const variable = "LAKEGLASS_PICTURES";
    PutExpandableText(PICTURE_VALUE, "C:\\%LAKEGLASS_PICTURES%\\lake.jpg");
    const std::string fits = "C:\\" + std::string(247, 'd') + "\\lake.jpg";
    ASSERT_EQ(259u, fits.size());
    ASSERT_TRUE(SetEnvironmentVariableA(variable, std::string(247, 'd').c_str()));
    EXPECT_EQ(fits, Loaded().pictureFile);
    ASSERT_TRUE(SetEnvironmentVariableA(variable, std::string(248, 'd').c_str()));
    EXPECT_EQ("", Loaded().pictureFile);
    ASSERT_TRUE(SetEnvironmentVariableA(variable, std::string(1000, 'd').c_str()));
    EXPECT_EQ("", Loaded().pictureFile);
    SetEnvironmentVariableA(variable, nullptr);
}

TEST_F(Store, SavingInSnapshotOrWallpaperModeLeavesThePathAlone)
{
    for (BackgroundMode mode : {BACKGROUND_SNAPSHOT, BACKGROUND_WALLPAPER}) {
        PutUnterminatedText(PICTURE_VALUE, "C:\\earlier.jpg");
        SaverSettings settings = Distinct();
        SetBackgroundMode(&settings, mode);
        settings.pictureFile = "C:\\typed\\but\\not\\chosen.bmp";
        ASSERT_TRUE(SaveSaverSettings(settings));
        const SaverSettings loaded = Loaded();
        EXPECT_EQ(mode, GetBackgroundMode(loaded));
        EXPECT_EQ("C:\\earlier.jpg", loaded.pictureFile);

        DeleteValue(PICTURE_VALUE);
        settings.pictureFile.clear();
        ASSERT_TRUE(SaveSaverSettings(settings));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRaw(PICTURE_VALUE).result);
    }
}

TEST_F(Store, OverlongPathIsRefusedAndTheStoredPathKept)
{
    PutUnterminatedText(PICTURE_VALUE, "C:\\earlier.jpg");
    SaverSettings settings = Distinct();
    settings.pictureFile = "C:\\" + std::string(253, 'u') + ".jpg";
    ASSERT_EQ(260u, settings.pictureFile.size());
    EXPECT_FALSE(SaveSaverSettings(settings));

    SaverSettings expected = Distinct();
    expected.pictureFile = "C:\\earlier.jpg";
    ExpectSameSettings(expected, Loaded());
}

}  // namespace
