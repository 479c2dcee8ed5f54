// The resources of the built Lakeglass.scr, read back the way the system finds them: the
// saver's name, icon, banner, sound clips, the settings dialog's template, the version
// record and the application manifest.
#include "res/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifndef LAKEGLASS_SCR
#error "LAKEGLASS_SCR must name the built Lakeglass.scr"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// Little-endian fields of a resource through a bounded cursor: reading past the end
// yields zeros and marks the reader, so a truncated resource fails its checks.
struct Reader {
    const Bytes& bytes;
    size_t pos = 0;
    bool overrun = false;

    explicit Reader(const Bytes& b, size_t start = 0) : bytes(b), pos(start) {}

    uint32_t Take(size_t size)
    {
        if (pos + size > bytes.size()) {
            overrun = true;
            pos = bytes.size();
            return 0;
        }
        uint32_t value = 0;
        for (size_t i = 0; i < size; ++i)
            value |= uint32_t(bytes[pos + i]) << (8 * i);
        pos += size;
        return value;
    }
    uint8_t U8() { return uint8_t(Take(1)); }
    uint16_t U16() { return uint16_t(Take(2)); }
    uint32_t U32() { return Take(4); }
    int16_t S16() { return int16_t(U16()); }
    std::string Tag() { return std::string(reinterpret_cast<const char*>(Raw(4)), 4); }

    const uint8_t* Raw(size_t size)
    {
        static const uint8_t none[4] = {};
        if (pos + size > bytes.size()) {
            overrun = true;
            pos = bytes.size();
            return none;
        }
        pos += size;
        return bytes.data() + pos - size;
    }

    // A NUL-terminated UTF-16 text; the resources hold only ASCII.
    std::string Text()
    {
        std::string text;
        while (uint16_t c = U16())
            text += char(c);
        return text;
    }

    // A name-or-ordinal field of a dialog template: an ordinal comes back as "#<number>".
    std::string NameOrOrdinal()
    {
        if (pos + 2 <= bytes.size() && bytes[pos] == 0xFF && bytes[pos + 1] == 0xFF) {
            pos += 2;
            return "#" + std::to_string(U16());
        }
        return Text();
    }

    void AlignTo4(size_t base = 0) { pos = base + ((pos - base + 3) & ~size_t(3)); }
};

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module = LoadLibraryExA(LAKEGLASS_SCR, nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }

    static void TearDownTestSuite()
    {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }

    void SetUp() override { ASSERT_NE(module, nullptr) << "cannot open " << LAKEGLASS_SCR; }

    // A copy of one resource's bytes; empty when the program does not have it.
    static Bytes Load(LPCSTR type, int id)
    {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(module, found);
        const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
        return data ? Bytes(data, data + SizeofResource(module, found)) : Bytes();
    }

    static HMODULE module;
};

HMODULE Resources::module = nullptr;

TEST_F(Resources, SaverNameIsStringOne)
{
    char name[64] = {};
    ASSERT_GT(LoadStringA(module, IDS_SAVER_NAME, name, sizeof name), 0);
    EXPECT_STREQ(name, "Lakeglass");
}

// Each directory entry must match the image it points to, or the system shows a broken
// icon at that size.
TEST_F(Resources, IconGroupHoldsSixteenThirtyTwoAndFortyEightPixels)
{
    const Bytes group = Load(RT_GROUP_ICON, IDI_LAKEGLASS);
    ASSERT_FALSE(group.empty());
    Reader dir(group);
    EXPECT_EQ(dir.U16(), 0);
    EXPECT_EQ(dir.U16(), 1);  // icons, not cursors
    const uint16_t count = dir.U16();

    std::vector<int> sizes;
    for (uint16_t i = 0; i < count; ++i) {
        const int width = dir.U8(), height = dir.U8();
        dir.U16();  // colour count, reserved
        EXPECT_EQ(dir.U16(), 1);  // planes
        const uint16_t bitCount = dir.U16();
        const uint32_t byteCount = dir.U32();
        const uint16_t imageId = dir.U16();
        SCOPED_TRACE(width);
        EXPECT_EQ(height, width);

        const Bytes image = Load(RT_ICON, imageId);
        ASSERT_EQ(image.size(), byteCount);
        Reader info(image);
        EXPECT_EQ(info.U32(), 40u);
        EXPECT_EQ(int32_t(info.U32()), width);
        EXPECT_EQ(int32_t(info.U32()), 2 * height);  // colour rows, then the mask rows
        info.U16();
        EXPECT_EQ(info.U16(), bitCount);
        sizes.push_back(width);
    }
    EXPECT_FALSE(dir.overrun);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

// A bitmap resource as the system loads it: a 40-byte header, then the rows of 24-bit
// pixels stored bottom-up, each padded to four bytes.
void ExpectBitmap(const Bytes& bitmap, int32_t width, int32_t height)
{
    Reader info(bitmap);
    EXPECT_EQ(info.U32(), 40u);
    EXPECT_EQ(int32_t(info.U32()), width);
    EXPECT_EQ(int32_t(info.U32()), height);  // positive: rows stored bottom-up
    EXPECT_EQ(info.U16(), 1);
    EXPECT_EQ(info.U16(), 24);
    EXPECT_EQ(info.U32(), uint32_t(BI_RGB));
    ASSERT_FALSE(info.overrun);
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    EXPECT_GE(bitmap.size(), 40 + size_t(height) * rowBytes);
}

TEST_F(Resources, BannerIs385By80AtTwentyFourBits)
{
    ExpectBitmap(Load(RT_BITMAP, IDB_BANNER), 385, 80);
}

// The dialog stretches this one to the banner's place at every display scale: three times
// that place at 96 DPI in the system's dialog font (257 x 58 dialog units, 385 x 94 pixels).
TEST_F(Resources, LargeBannerIsThreeTimesAsWideAndAsTallAsItsPlace)
{
    ExpectBitmap(Load(RT_BITMAP, IDB_BANNER_3X), 1155, 282);
}

// The scene hands these to the sound service as they are: each must be a whole RIFF file
// in the one format, as long as its slot says, and loud enough to be heard.
TEST_F(Resources, SoundClipsArePcmMono11025Hz16BitOfTheirLengths)
{
    const struct {
        int id;
        int hundredths;
    } clips[] = {{129, 126}, {130, 126}, {131, 198}, {132, 220},
                 {133, 216}, {134, 685}, {135, 639}};
    static_assert(IDW_DROP_FIRST == 129 && IDW_RAIN_LAST == 135, "clip ids");

    for (const auto& clip : clips) {
        SCOPED_TRACE(clip.id);
        const Bytes wave = Load("WAVE", clip.id);
        Reader riff(wave);
        ASSERT_EQ(riff.Tag(), "RIFF");
        EXPECT_EQ(riff.U32(), wave.size() - 8);
        ASSERT_EQ(riff.Tag(), "WAVE");

        bool format = false;
        size_t samples = 0, dataAt = 0;
        while (riff.pos + 8 <= wave.size()) {
            const std::string tag = riff.Tag();
            const uint32_t size = riff.U32();
            const size_t next = riff.pos + size + (size & 1);
            if (tag == "fmt ") {
                format = true;
                EXPECT_EQ(riff.U16(), WAVE_FORMAT_PCM);
                EXPECT_EQ(riff.U16(), 1);
                EXPECT_EQ(riff.U32(), 11025u);
                EXPECT_EQ(riff.U32(), 22050u);
                EXPECT_EQ(riff.U16(), 2);
                EXPECT_EQ(riff.U16(), 16);
            } else if (tag == "data") {
                ASSERT_LE(riff.pos + size, wave.size());
                samples = size / 2;
                dataAt = riff.pos;
            }
            riff.pos = next;
        }
        ASSERT_TRUE(format);
        const long expected = (clip.hundredths * 11025L + 50) / 100;
        EXPECT_NEAR(long(samples), expected, 1);

        int peak = 0;
        Reader data(wave, dataAt);
        for (size_t i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs(int(data.S16())));
        EXPECT_GT(peak, 8000);
    }
}

struct ControlRow {
    int id;
    const char* className;  // "#128" and so on for the system's class atoms
    const char* text;       // "#129" for the banner's bitmap
    uint32_t style;
    int16_t x, y, cx, cy;
};

const char* const BUTTON = "#128";
const char* const EDIT = "#129";
const char* const STATIC = "#130";
const char* const TRACKBAR = "msctls_trackbar32";

// The controls in tab order. The four slider groups share one layout below the top of
// their box: the box, the low end's label, the slider, the high end's label.
std::vector<ControlRow> SettingsControls()
{
    std::vector<ControlRow> rows = {
        // SS_CENTERIMAGE: the banner keeps its place's size whatever bitmap it shows.
        {IDC_BANNER, STATIC, "#129", 0x5000020E, 0, 0, 257, 58},
        {-1, BUTTON, "Choose Effect", 0x50000307, 3, 65, 250, 24},
        {IDC_RAIN, BUTTON, "Rain Effect", 0x50010003, 8, 75, 70, 10},
        {IDC_REBOUND, BUTTON, "Rebound Effect", 0x50010003, 93, 75, 70, 10},
        {IDC_FANCY, BUTTON, "Fancy Effect", 0x50010003, 180, 75, 70, 10},
        {-1, BUTTON, "Choose Background", 0x50000307, 3, 92, 250, 71},
        {IDC_SNAPSHOT, BUTTON, "Desktop Snapshot", 0x50010009, 8, 102, 110, 10},
        {IDC_WALLPAPER, BUTTON, "Current Wallpaper", 0x50010009, 140, 102, 110, 10},
        {IDC_OWN_PICTURE, BUTTON, "Your Own Picture", 0x50010009, 8, 115, 110, 10},
        {IDC_SOUND, BUTTON, "Background Sound Effects", 0x50010003, 140, 115, 110, 10},
        {IDC_PICTURE_PATH, EDIT, "", 0x50810080, 8, 130, 180, 12},
        {IDC_BROWSE, BUTTON, "&Browse...", 0x50010000, 190, 129, 60, 13},
        {-1, STATIC, "Picture &Layout:", 0x50020000, 8, 150, 56, 10},
        {IDC_PICTURE_LAYOUT, "#133", "", 0x50210003, 64, 148, 70, 80},
        {IDC_ALL_MONITORS, BUTTON, "Water on every &monitor", 0x50010003, 140, 149, 110, 10},
    };
    const struct {
        const char* title;
        const char* low;
        int id;
        const char* high;
        int16_t top;
    } sliders[] = {
        {"Set Ripple Size", "Small", IDC_RIPPLE_SIZE, "Big", 167},
        {"Set Ripple Depth", "Shallow", IDC_RIPPLE_DEPTH, "Deep", 206},
        {"Set Raindrop Size", "Small", IDC_DROP_SIZE, "Big", 244},
        {"Set Raindrop Weight", "Light", IDC_DROP_WEIGHT, "Heavy", 283},
    };
    for (const auto& slider : sliders) {
        const int16_t labels = int16_t(slider.top + 20), bar = int16_t(slider.top + 10);
        rows.push_back({-1, BUTTON, slider.title, 0x50000307, 3, slider.top, 250, 35});
        rows.push_back({-1, STATIC, slider.low, 0x50020001, 5, labels, 30, 10});
        rows.push_back({slider.id, TRACKBAR, "Slider1", 0x50010005, 40, bar, 180, 22});
        rows.push_back({-1, STATIC, slider.high, 0x50020001, 220, labels, 30, 10});
    }
    rows.push_back({IDOK, BUTTON, "&OK", 0x50010001, 65, 326, 60, 13});
    rows.push_back({IDCANCEL, BUTTON, "&Cancel", 0x50010000, 130, 326, 60, 13});
    return rows;
}

// The extended template field by field: the dialog manager builds the dialog from exactly
// these bytes, so a style bit added by the resource compiler shows up here.
TEST_F(Resources, SettingsDialogTemplateMatchesItsLayout)
{
    const Bytes dialog = Load(RT_DIALOG, IDD_SETTINGS);
    Reader in(dialog);
    ASSERT_EQ(in.U16(), 1);       // template version
    ASSERT_EQ(in.U16(), 0xFFFF);  // extended template
    EXPECT_EQ(in.U32(), 0u);      // help id
    EXPECT_EQ(in.U32(), 0x00040080u);
    EXPECT_EQ(in.U32(), 0x90C800C0u);
    const uint16_t count = in.U16();
    const std::vector<ControlRow> controls = SettingsControls();
    ASSERT_EQ(controls.size(), 33u);
    ASSERT_EQ(count, controls.size());
    EXPECT_EQ(in.S16(), 0);
    EXPECT_EQ(in.S16(), 0);
    EXPECT_EQ(in.S16(), 256);
    EXPECT_EQ(in.S16(), 346);
    EXPECT_EQ(in.NameOrOrdinal(), "");  // no menu
    EXPECT_EQ(in.NameOrOrdinal(), "");  // the system's dialog class
    EXPECT_EQ(in.Text(), "Lakeglass Settings");
    EXPECT_EQ(in.U16(), 8);  // points
    in.U16();                // weight
    in.U16();                // italic, character set
    EXPECT_EQ(in.Text(), "MS Sans Serif");

    for (const ControlRow& row : controls) {
        SCOPED_TRACE(row.text);
        in.AlignTo4();
        EXPECT_EQ(in.U32(), 0u);  // help id
        EXPECT_EQ(in.U32(), 0u);  // extended style
        EXPECT_EQ(in.U32(), row.style) << std::hex << "style 0x" << row.style;
        const int16_t x = in.S16(), y = in.S16(), cx = in.S16(), cy = in.S16();
        EXPECT_EQ((std::vector<int16_t>{x, y, cx, cy}),
                  (std::vector<int16_t>{row.x, row.y, row.cx, row.cy}));
        EXPECT_EQ(int32_t(in.U32()), row.id);
        // Window classes are matched without regard to case; windres stores names upper-cased.
        const std::string className = in.NameOrOrdinal();
        EXPECT_EQ(_stricmp(className.c_str(), row.className), 0) << className;
        EXPECT_EQ(in.NameOrOrdinal(), row.text);
        EXPECT_EQ(in.U16(), 0);  // no creation data
    }
    EXPECT_FALSE(in.overrun);
    EXPECT_LE(dialog.size() - in.pos, 3u);
}

// The version record as a tree of {length, value length, type, key, value, children}
// nodes; collects the text values under their paths, such as
// "VS_VERSION_INFO/StringFileInfo/040904B0/ProductName", and the root's fixed block.
void ReadVersionNode(const Bytes& bytes, size_t at, const std::string& path,
                     std::map<std::string, std::string>* texts, Bytes* fixed)
{
    Reader node(bytes, at);
    const size_t end = at + node.U16();
    const uint16_t valueLength = node.U16();
    const uint16_t type = node.U16();
    const std::string key = node.Text();
    const std::string here = path.empty() ? key : path + "/" + key;
    node.AlignTo4();
    if (end > bytes.size() || node.overrun || end <= at)
        return;
    if (type == 1 && valueLength > 0) {
        (*texts)[here] = node.Text();
    } else if (type == 0 && valueLength > 0 && path.empty()) {
        const uint8_t* value = node.Raw(valueLength);
        fixed->assign(value, value + valueLength);
    } else {
        node.pos += valueLength * (type == 1 ? 2 : 1);
    }
    for (node.AlignTo4(); node.pos + 6 <= end; node.AlignTo4()) {
        const size_t child = node.pos;
        ReadVersionNode(bytes, child, here, texts, fixed);
        node.pos = child + std::max<size_t>(Reader(bytes, child).U16(), 1);
    }
}

TEST_F(Resources, VersionRecordNamesTheProduct)
{
    const Bytes version = Load(RT_VERSION, 1);
    ASSERT_FALSE(version.empty());
    std::map<std::string, std::string> texts;
    Bytes fixed;
    ReadVersionNode(version, 0, "", &texts, &fixed);

    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed.data(), sizeof info);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(info.dwFileVersionLS, 0u);           // .0.0
    EXPECT_EQ(info.dwFileType, DWORD(VFT_APP));

    const std::string strings = "VS_VERSION_INFO/StringFileInfo/040904B0/";
    EXPECT_EQ(texts[strings + "ProductName"], "Lakeglass");
    EXPECT_EQ(texts[strings + "FileDescription"], "Lakeglass water-ripple screen saver");
    EXPECT_EQ(texts[strings + "FileVersion"], "1.0.0.0");
    EXPECT_EQ(texts[strings + "OriginalFilename"], "Lakeglass.scr");
    EXPECT_EQ(texts[strings + "LegalCopyright"],
              "Copyright (c) 2026 The Lakeglass developers. MIT License.");
}

// The loader builds the program's activation context from this manifest; a malformed one
// stops the program from starting at all, and a setting in the wrong namespace is ignored.
TEST_F(Resources, ManifestAsksForPerMonitorDpiAndCommonControlsSix)
{
    const Bytes manifest = Load(MAKEINTRESOURCEA(24), 1);
    const std::string xml(manifest.begin(), manifest.end());
    EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);

    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = LAKEGLASS_SCR;
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();

    // Not in MinGW's import library, though every system since Windows 7 has it.
    const auto query = reinterpret_cast<decltype(&QueryActCtxSettingsW)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_NE(query, nullptr);
    const auto setting = [&](const wchar_t* space, const wchar_t* name) {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        if (!query(0, context, space, name, value, std::size(value), &written))
            return std::wstring(L"(none)");
        return std::wstring(value);
    };
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
              L"true/pm");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");
    ReleaseActCtx(context);
}

}  // namespace
