// Loading and saving the settings record under HKEY_CURRENT_USER. Nothing that fails here
// is reported to the user: a value that cannot be used takes its default, and a write
// that fails leaves the previous value in place.
#include "settings/store.h"

#include <windows.h>

#include <cstring>

#include "settings/stored_value.h"

// The portable decoder spells the registry's type numbers itself.
static_assert(STORED_NONE == REG_NONE && STORED_TEXT == REG_SZ &&
                  STORED_EXPANDABLE_TEXT == REG_EXPAND_SZ && STORED_BINARY == REG_BINARY &&
                  STORED_NUMBER == REG_DWORD && STORED_NUMBER_BIG_ENDIAN == REG_DWORD_BIG_ENDIAN &&
                  STORED_TEXT_LIST == REG_MULTI_SZ && STORED_WIDE_NUMBER == REG_QWORD,
              "the registry's value types");

namespace {

// Null when the key can neither be opened nor created.
HKEY OpenSettingsKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SETTINGS_KEY, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// Only four bytes of REG_DWORD are a number as the dialog writes it; four bytes of
// REG_BINARY are accepted too, since a hand editor may leave one and its bytes are just as
// unambiguous. Anything shorter, or a text or a big-endian number, is refused so that no
// partial or foreign bytes reach the field; *value is then left as it was. A longer value
// does not fit the buffer, and the query fails.
bool ReadNumber(HKEY key, const char* name, uint32_t* value)
{
    BYTE data[STORED_NUMBER_BYTES] = {0, 0, 0, 0};
    DWORD type = REG_NONE;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return false;
    return NumberFromStored(type, data, size, value);
}

// An expandable path, as some registry editors and deployment tools write it, is only a
// path once its environment variables are replaced. An expansion that no longer fits the
// path field reads as no path, as stored text that does not fit does. The ANSI call may
// ask for one byte more than the text needs, hence the spare byte; the text's own length
// decides whether it fits.
std::string ExpandPicturePath(const char* stored)
{
    char expanded[PICTURE_PATH_SIZE + 1] = {};
    const DWORD needed = ExpandEnvironmentStringsA(stored, expanded, sizeof(expanded));
    if (needed == 0 || needed > sizeof(expanded)) return std::string();
    const void* end = std::memchr(expanded, 0, sizeof(expanded));
    if (end == nullptr) return std::string();
    const size_t length = static_cast<const char*>(end) - expanded;
    if (length > static_cast<size_t>(PICTURE_PATH_MAX_LENGTH)) return std::string();
    return std::string(expanded, length);
}

// The path is stored without a terminating zero; PathFromStored finds where it ends and
// refuses what is too long or not text. A value longer than the buffer fails the query.
std::string ReadPicturePath(HKEY key)
{
    char buffer[PICTURE_PATH_SIZE] = {};
    DWORD type = REG_NONE;
    DWORD size = PICTURE_PATH_SIZE;
    if (RegQueryValueExA(key, g_settingTable[SETTING_BG_FILE_NAME].registryName, nullptr,
                         &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return std::string();
    StoredPath path;
    if (!PathFromStored(type, reinterpret_cast<const uint8_t*>(buffer), size, &path))
        return std::string();
    return path.expandable ? ExpandPicturePath(path.text.c_str()) : path.text;
}

bool WriteNumber(HKEY key, const char* name, uint32_t value)
{
    const BYTE data[STORED_NUMBER_BYTES] = {
        static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
        static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return RegSetValueExA(key, name, 0, REG_DWORD, data, STORED_NUMBER_BYTES) == ERROR_SUCCESS;
}

// The length given is the number of characters, without the terminator; the system may
// add the terminator itself when the byte after the text is zero, which the zero-filled
// buffer guarantees and keeps inside the buffer. A path longer than the loader's buffer
// would come back as no path at all, so it is refused and the stored path stays as it
// was: the user's earlier choice survives instead of silently vanishing.
bool WritePicturePath(HKEY key, const std::string& path)
{
    const size_t length = std::strlen(path.c_str());
    if (length > static_cast<size_t>(PICTURE_PATH_MAX_LENGTH)) return false;
    BYTE buffer[PICTURE_PATH_SIZE] = {};
    std::memcpy(buffer, path.c_str(), length);
    return RegSetValueExA(key, g_settingTable[SETTING_BG_FILE_NAME].registryName, 0, REG_SZ,
                          buffer, static_cast<DWORD>(length)) == ERROR_SUCCESS;
}

}  // namespace

void LoadSaverSettings(SaverSettings* settings)
{
    const HKEY key = OpenSettingsKey();
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const SettingInfo& info = g_settingTable[i];
        if (info.isText) continue;
        uint32_t value = info.defaultValue;
        if (key != nullptr) ReadNumber(key, info.registryName, &value);  // else the default
        const SettingId id = static_cast<SettingId>(i);
        SetNumericSetting(settings, id, SettingFromStored(id, value));
    }
    settings->pictureFile = key != nullptr ? ReadPicturePath(key) : std::string();
    if (key != nullptr) RegCloseKey(key);
}

bool SaveSaverSettings(const SaverSettings& settings)
{
    const HKEY key = OpenSettingsKey();
    if (key == nullptr) return false;
    bool stored = true;
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const SettingInfo& info = g_settingTable[i];
        if (info.isText) continue;
        if (!WriteNumber(key, info.registryName, GetNumericSetting(settings, static_cast<SettingId>(i))))
            stored = false;
    }
    // In the snapshot and wallpaper modes the stored path is left alone, so that the path
    // chosen earlier is offered again when the user returns to the own picture.
    if (GetBackgroundMode(settings) == BACKGROUND_OWN_PICTURE &&
        !WritePicturePath(key, settings.pictureFile))
        stored = false;
    RegCloseKey(key);
    return stored;
}
