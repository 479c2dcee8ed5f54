// The settings record read from raw stored values as the registry store reads them: per
// setting a value of any type and size, or none. Seeds are the shapes the store's tests
// prepare: numbers as the dialog writes them, short, long, big-endian and text numbers,
// choices out of range, paths with and without an end at 259, 260 and more bytes, and others.
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/stored_value.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

const char NAME[] = "stored_settings_sweep";
// A part's first byte is its type; this one stands for a value that is not stored at all.
const uint8_t MISSING = 0xFF;
const uint32_t STALE = 0x5A5A5A5A;

// One raw value of the input: type, two bytes of length, then the bytes (fewer where the
// input ends first).
struct RawValue {
    bool present;
    uint32_t type;
    const uint8_t* data;
    size_t size;
};

RawValue NextValue(const uint8_t** at, const uint8_t* end)
{
    if (end - *at < 3 || (*at)[0] == MISSING) {
        if (end - *at >= 1) ++*at;
        return RawValue{false, STORED_NONE, nullptr, 0};
    }
    const size_t declared = (*at)[1] | (*at)[2] << 8;
    const size_t size = declared < size_t(end - *at - 3) ? declared : size_t(end - *at - 3);
    const RawValue value{true, (*at)[0], *at + 3, size};
    *at += 3 + size;
    return value;
}

// The number a value gives: four bytes of a number or of binary data, little-endian.
uint32_t CheckNumber(const RawValue& raw, SettingId id)
{
    const ExactCopy bytes(raw.data, raw.size);
    uint32_t value = STALE;
    const bool read = raw.present && NumberFromStored(raw.type, bytes.bytes, bytes.size, &value);
    const bool wellFormed =
        raw.size == 4 && (raw.type == STORED_NUMBER || raw.type == STORED_BINARY);
    Check(read == (raw.present && wellFormed), NAME, "exactly four bytes of a number are read");
    if (!read) {
        Check(value == STALE, NAME, "a refused number leaves the value alone");
        return g_settingTable[id].defaultValue;
    }
    uint32_t little = 0;
    std::memcpy(&little, raw.data, 4);
    Check(value == little, NAME, "a number is read little-endian");
    return value;
}

// The path a value gives, compared with the store's former reading: the value's bytes in
// a zero-filled buffer of PICTURE_PATH_SIZE, the text ending at the buffer's first zero.
std::string CheckPath(const RawValue& raw)
{
    const ExactCopy bytes(raw.data, raw.size);
    StoredPath path{"stale", false};
    const bool read = raw.present && PathFromStored(raw.type, bytes.bytes, bytes.size, &path);
    if (!read) Check(path.text == "stale", NAME, "a refused path leaves the text alone");
    if (raw.present && raw.size <= size_t(PICTURE_PATH_SIZE)) {
        char buffer[PICTURE_PATH_SIZE] = {};
        if (raw.size) std::memcpy(buffer, raw.data, raw.size);
        const bool text = raw.type == STORED_TEXT || raw.type == STORED_EXPANDABLE_TEXT;
        const void* end = std::memchr(buffer, 0, sizeof(buffer));
        Check(read == (text && end != nullptr), NAME, "a path is read where the store read one");
        if (read)
            Check(path.text == std::string(buffer, static_cast<const char*>(end) - buffer), NAME,
                  "the path is the text the store read");
    } else {
        Check(!read, NAME, "a value longer than the store's buffer is no path");
    }
    if (read) Check(path.expandable == (raw.type == STORED_EXPANDABLE_TEXT), NAME,
                    "only an expandable text is expanded");
    return read ? path.text : std::string();
}

void RunStoredSettings(const uint8_t* data, size_t size)
{
    const uint8_t* at = data;
    SaverSettings settings = DefaultSaverSettings();
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const SettingId id = static_cast<SettingId>(i);
        const RawValue raw = NextValue(&at, data + size);
        if (g_settingTable[id].isText) {
            settings.pictureFile = CheckPath(raw);
            continue;
        }
        const uint32_t number = SettingFromStored(id, CheckNumber(raw, id));
        SetNumericSetting(&settings, id, number);
        const uint32_t choices = g_settingTable[id].choices;
        Check(choices == 0 || GetNumericSetting(settings, id) < choices, NAME,
              "a setting of a few choices holds one of them");
    }
    Check(settings.pictureFile.size() <= size_t(PICTURE_PATH_MAX_LENGTH) &&
              settings.pictureFile.find('\0') == std::string::npos,
          NAME, "the path fits the store's buffer and holds no zero");
}

Bytes Value(uint32_t type, const Bytes& data)
{
    Bytes part = {static_cast<uint8_t>(type)};
    part.insert(part.end(), data.begin(), data.end());
    return part;
}

Bytes Number(uint32_t value)
{
    return Value(STORED_NUMBER, {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                 uint8_t(value >> 24)});
}

Bytes Text(uint32_t type, const std::string& text) { return Value(type, TextPart(text)); }

// A record in the table's order: the numbers as the dialog writes them and `path`.
std::vector<Bytes> Record(const Bytes& path)
{
    const uint32_t numbers[SETTING_COUNT] = {0x80000003u, 0, 1, 0, 0, 7, 3, 6, 2048, 3, 0};
    std::vector<Bytes> parts;
    for (int id = 0; id < SETTING_COUNT; ++id)
        parts.push_back(g_settingTable[id].isText ? path : Number(numbers[id]));
    return parts;
}

std::vector<Seed> Seeds()
{
    const std::vector<Bytes> dialog = Record(Text(STORED_TEXT, "C:\\pond\\lake.jpg"));
    const std::string path259 = "C:\\" + std::string(252, 'p') + ".jpg";
    std::vector<Bytes> foreignNumbers = dialog;
    foreignNumbers[SETTING_RIPPLE_STYLE] = Text(STORED_TEXT, std::string("5", 2));
    foreignNumbers[SETTING_RIPPLE_SIZE] = Value(STORED_BINARY, {9, 0});
    foreignNumbers[SETTING_RIPPLE_DEPTH] = Value(STORED_NUMBER_BIG_ENDIAN, {0, 0, 0, 3});
    foreignNumbers[SETTING_DROP_SIZE] = Text(STORED_TEXT, std::string("abc", 4));
    foreignNumbers[SETTING_DROP_WEIGHT] = Value(STORED_BINARY, {0x00, 0x04, 0x00, 0x00});
    foreignNumbers[SETTING_SNAPSHOT] = Value(STORED_WIDE_NUMBER, {3, 0, 0, 0, 0, 0, 0, 0});
    foreignNumbers[SETTING_WALLPAPER] = Value(STORED_BINARY, {3, 0, 0, 0, 0});
    std::vector<Bytes> outOfRange = dialog;
    outOfRange[SETTING_PICTURE_LAYOUT] = Number(5);
    outOfRange[SETTING_ALL_MONITORS] = Number(0xFFFFFFFFu);
    return {
        {"as-the-dialog-writes", dialog},
        {"nothing-stored", std::vector<Bytes>(SETTING_COUNT, Bytes{MISSING})},
        {"foreign-numbers", foreignNumbers},
        {"choices-out-of-range", outOfRange},
        {"path-of-259-without-end", Record(Text(STORED_TEXT, path259))},
        {"path-of-259-with-end", Record(Text(STORED_TEXT, path259 + std::string(1, '\0')))},
        {"path-of-260-without-end", Record(Text(STORED_TEXT, std::string(260, 'r')))},
        {"path-of-261", Record(Text(STORED_TEXT, std::string(261, 't')))},
        {"path-with-junk-after-its-end",
         Record(Text(STORED_TEXT, std::string("C:\\a.jpg\0junk", 13)))},
        {"empty-path", Record(Value(STORED_TEXT, {}))},
        {"path-as-binary", Record(Text(STORED_BINARY, "C:\\a.jpg"))},
        {"path-as-a-list", Record(Text(STORED_TEXT_LIST, std::string("C:\\a.jpg\0", 10)))},
        {"expandable-path", Record(Text(STORED_EXPANDABLE_TEXT,
                                        std::string("%USERPROFILE%\\Pictures\\lake.jpg", 32)))},
    };
}

Bytes Pack(const std::vector<Bytes>& parts)
{
    Bytes input;
    for (const Bytes& part : parts) {
        if (part.empty() || part[0] == MISSING) {
            input.push_back(MISSING);
            continue;
        }
        const size_t size = part.size() - 1;
        input.insert(input.end(), {part[0], uint8_t(size), uint8_t(size >> 8)});
        input.insert(input.end(), part.begin() + 1, part.end());
    }
    return input;
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {NAME, RunStoredSettings, Seeds, Pack, false, 64,
                                 "\x02\x03\x04\x05\x07\x0B", 200000};
