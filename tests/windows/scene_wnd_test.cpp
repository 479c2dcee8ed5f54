// The water scene in real windows on the real screen: the frame's size, the desktop
// snapshot and the first frame, what reaches the screen after a paint, own pictures that
// load and fail, the preview's single effect, the wallpaper path, a snapshot that sees
// nothing, a change of the screens, and destruction.
#include "ripple/scene_wnd.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ripple/lakebed.h"
#include "ripple/pixel_convert.h"
#include "settings/store.h"
#include "tests/bmp_builder.h"
#include "tests/png_builder.h"
#include "tests/screen_capture.h"

// The scene is tested on its own: its unhandled messages go straight to the system here,
// not through the host's closing rules, which would close the window on the first input.
LRESULT SaverDefaultProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

namespace {

CSceneWnd* bridged = nullptr;

// The few lines of bridge a test needs: the scene takes the window on its first message
// and sees every message through the framework from then on.
LRESULT CALLBACK BridgeProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!bridged) return DefWindowProcA(hWnd, message, wParam, lParam);
    if (!bridged->m_hWnd) bridged->Attach(hWnd);
    return AfxCallWndProc(bridged, hWnd, message, wParam, lParam);
}

// A window that paints a pattern of coloured bands, for the snapshot to find.
LRESULT CALLBACK PatternProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return DefWindowProcA(hWnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255),
                                RGB(200, 100, 50), RGB(8, 16, 24)};
    for (int band = 0; band < 16; ++band) {
        HBRUSH brush = CreateSolidBrush(colours[band % 6]);
        RECT r = {band * 64, 0, band * 64 + 64, 768};
        if (band % 2) r.bottom = 384 + band * 8;
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    EndPaint(hWnd, &ps);
    return 0;
}

// Two pixels, red then blue, as a PNG: stretched, the left half of the screen is red and
// the right half blue.
std::vector<uint8_t> RedBluePng()
{
    return png_builder::Rgb(2, 1, {0xFF0000, 0x0000FF});
}

void Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

uint16_t To565(uint32_t bgrx)
{
    const uint32_t r = (bgrx >> 16) & 0xFF, g = (bgrx >> 8) & 0xFF, b = bgrx & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// The screen's pixels in a rectangle, reduced to RGB565 (the screen holds 24 bits, the
// frame 16, and reducing keeps exactly the bits the frame had).
std::vector<uint16_t> ReadScreen(int x, int y, int width, int height)
{
    std::vector<uint16_t> pixels;
    for (uint32_t pixel : CaptureScreen(x, y, width, height)) pixels.push_back(To565(pixel));
    return pixels;
}

class Scene : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA scene = {};
        scene.lpfnWndProc = BridgeProc;
        scene.hInstance = GetModuleHandleA(nullptr);
        scene.lpszClassName = "LakeglassSceneTest";
        RegisterClassA(&scene);
        WNDCLASSA pattern = scene;
        pattern.lpfnWndProc = PatternProc;
        pattern.lpszClassName = "LakeglassPattern";
        RegisterClassA(&pattern);
        WNDCLASSA solid = scene;
        solid.lpszClassName = "LakeglassSolid";
        solid.hbrBackground = CreateSolidBrush(RGB(40, 80, 120));
        solid.lpfnWndProc = DefWindowProcA;
        RegisterClassA(&solid);
    }

    void SetUp() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
        settings_ = DefaultSaverSettings();
        bridged = &scene_;
    }

    void TearDown() override
    {
        if (window_) DestroyWindow(window_);
        if (pattern_) DestroyWindow(pattern_);
        Pump(20);
        bridged = nullptr;
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
        std::error_code ignored;
        for (const std::string& path : written_) std::filesystem::remove(path, ignored);
    }

    // Stores the settings the scene will load, then opens the scene window, shown and
    // painted once before any timer has run.
    void Open(int x, int y, int width, int height)
    {
        ASSERT_TRUE(SaveSaverSettings(settings_));
        window_ = CreateWindowExA(0, "LakeglassSceneTest", "Screen Saver", WS_POPUP | WS_VISIBLE,
                                  x, y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
        ASSERT_NE(nullptr, window_);
        UpdateWindow(window_);
    }

    // A desktop of one colour, as a snapshot from a secure desktop sees it.
    void ShowSolid()
    {
        pattern_ = CreateWindowExA(0, "LakeglassSolid", "", WS_POPUP | WS_VISIBLE, 0, 0, 1024,
                                   768, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(pattern_);
        Pump(100);
    }

    void SetWallpaper(const std::string& path)
    {
        ASSERT_TRUE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                                          SPIF_UPDATEINIFILE));
    }

    void ShowPattern()
    {
        pattern_ = CreateWindowExA(0, "LakeglassPattern", "", WS_POPUP | WS_VISIBLE, 0, 0, 1024,
                                   768, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(pattern_);
        Pump(100);
    }

    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("lakeglass-scene-" + name)).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        written_.push_back(path);
        return path;
    }

    std::string CopyFixture(const char* fixture, const std::string& name)
    {
        std::ifstream in(fixture, std::ios::binary);
        return WriteFile(name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    }

    void ExpectStillAndBlack()
    {
        EXPECT_EQ(0, scene_.frameWidth);
        EXPECT_EQ(0u, scene_.frameTimerId);
        EXPECT_EQ(0u, scene_.effectTimerId);
        EXPECT_TRUE(scene_.m_bAutoBlack);
        Pump(100);
        for (uint16_t pixel : ReadScreen(0, 0, 1024, 768)) ASSERT_EQ(0, pixel);
    }

    CSceneWnd scene_;
    SaverSettings settings_;
    HWND window_ = nullptr;
    HWND pattern_ = nullptr;
    std::vector<std::string> written_;
};

TEST_F(Scene, SnapshotIsTheScreenAndEveryPaintShowsTheFrame)
{
    ShowPattern();
    const std::vector<uint16_t> desktop = ReadScreen(0, 0, 1024, 768);
    settings_.useSnapshot = 1;
    Open(0, 0, 1024, 768);
    ASSERT_EQ(1024, scene_.frameWidth);
    ASSERT_EQ(768, scene_.frameHeight);
    EXPECT_FALSE(scene_.m_bAutoBlack);
    EXPECT_NE(0u, scene_.frameTimerId);
    EXPECT_NE(0u, scene_.effectTimerId);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            ASSERT_EQ(desktop[y * 1024 + x], scene_.backgroundSurface.Row(y)[x]) << x << "," << y;
    // The first frame, before any drop, is the desktop itself.
    EXPECT_EQ(desktop, ReadScreen(0, 0, 1024, 768));

    // Once the water moves, the screen shows exactly the frame, to the last bit of every
    // 24-bit pixel: first the way the scene chose (on this true-colour screen, converted
    // to 32 bits by the scene), then the 16-bit frame converted by the platform. The
    // timers stop first, so that the frame stays the one painted while the display
    // catches up.
    Pump(300);
    scene_.KillTimer(scene_.frameTimerId);
    scene_.KillTimer(scene_.effectTimerId);
    EXPECT_TRUE(scene_.screenOutput.UsesTrueColour());
    for (int way = 0; way < 2; ++way) {
        if (way == 1) scene_.screenOutput.UseFrameAsItIs();
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(200);
        const std::vector<uint32_t> shown = CaptureScreen(0, 0, 1024, 768);
        size_t moved = 0;
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < 1024; ++x) {
                const uint16_t pixel = scene_.frameSurface.Row(y)[x];
                ASSERT_EQ(ExpandRgb565(pixel), shown[y * 1024 + x]) << way << ": " << x << "," << y;
                moved += pixel != desktop[y * 1024 + x];
            }
        EXPECT_GT(moved, 0u);
    }
}

TEST_F(Scene, FrameWidthIsRoundedUpToAMultipleOf4AndThePictureStretched)
{
    // Every pixel of the 16-bit picture holds its column, copied unchanged by the reader.
    bmp_builder::BmpImage image;
    image.width = 1366;
    image.height = 2;
    image.bitCount = 16;
    for (int row = 0; row < 2; ++row) {
        std::vector<uint8_t> bytes;
        for (int x = 0; x < 1366; ++x) {
            bytes.push_back(static_cast<uint8_t>(x));
            bytes.push_back(static_cast<uint8_t>(x >> 8));
        }
        image.rows.push_back(bytes);
    }
    settings_.pictureFile = WriteFile("columns.bmp", bmp_builder::BuildBmp(image));

    Open(0, 0, 1366, 768);
    ASSERT_EQ(1368, scene_.frameWidth);
    EXPECT_EQ(1368, scene_.heightMapA.width);
    std::vector<int> shown(1366, 0);
    for (int x = 0; x < 1368; ++x) ++shown[scene_.backgroundSurface.Row(400)[x]];
    EXPECT_EQ(2, shown[0]);
    EXPECT_EQ(2, shown[683]);
    EXPECT_EQ(1, shown[682]);
    DestroyWindow(window_);

    window_ = nullptr;
    Open(0, 0, 1021, 700);
    EXPECT_EQ(1024, scene_.frameWidth);
    EXPECT_EQ(700, scene_.frameHeight);
}

// Every accepted ending, in any case, and the content decides the reader: a JPEG named
// .bmp loads too.
TEST_F(Scene, OwnPicturesOfEveryKindLoadByTheirContent)
{
    const std::vector<std::string> pictures = {
        CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "LAKE.JPG"),
        CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "lake.jpeg"),
        CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "lake.Jpe"),
        CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "jpeg-inside.bmp"),
        WriteFile("lake.PNG", RedBluePng()),
        WriteFile("png-inside.jpg", RedBluePng())};
    for (const std::string& path : pictures) {
        SCOPED_TRACE(path);
        settings_.pictureFile = path;
        Open(0, 0, 1024, 768);
        EXPECT_EQ(1024, scene_.frameWidth);
        EXPECT_NE(0u, scene_.effectTimerId);
        // Each picture's top left is red, stretched over the top left of the screen.
        EXPECT_EQ(0xF800, scene_.backgroundSurface.Row(10)[10] & 0xF800);
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

// A picture that cannot be used leaves a black window with no animation: an ending that
// is not a picture's, a file that is not there, and a PNG that cannot be decoded.
TEST_F(Scene, UnusablePicturesLeaveABlackStillWindow)
{
    const std::string gif = CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "lake.gif");
    std::vector<uint8_t> broken = RedBluePng();
    broken[broken.size() - 20] ^= 0xFF;
    const std::string png = WriteFile("broken.png", broken);
    for (const std::string& path : {gif, png, std::string("C:\\no\\such\\picture.jpg")}) {
        SCOPED_TRACE(path);
        settings_.pictureFile = path;
        Open(0, 0, 1024, 768);
        ExpectStillAndBlack();
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

// A snapshot that sees one colour (a secure desktop shows the saver nothing) gives way to
// the wallpaper, of any kind and name, and without one to the lakebed; the water runs
// over either.
TEST_F(Scene, BlankSnapshotShowsTheWallpaperElseTheLakebed)
{
    char saved[MAX_PATH + 1] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, saved, 0);
    ShowSolid();
    settings_.useSnapshot = 1;

    SetWallpaper("");
    Open(0, 0, 1024, 768);
    Surface lakebed;
    ASSERT_TRUE(DrawLakebed(&lakebed, 1024, 768));
    for (int y = 0; y < 768; ++y)
        ASSERT_EQ(0, memcmp(lakebed.Row(y), scene_.backgroundSurface.Row(y), 2048)) << y;
    lakebed.Release();
    EXPECT_NE(0u, scene_.effectTimerId);
    DestroyWindow(window_);
    window_ = nullptr;
    RedrawWindow(pattern_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(200);

    // The preview, a child of the display settings, gets the lakebed at its own size.
    ASSERT_TRUE(SaveSaverSettings(settings_));
    window_ = CreateWindowExA(0, "LakeglassSceneTest", "Preview", WS_CHILD | WS_VISIBLE, 0, 0,
                              152, 112, pattern_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window_);
    ASSERT_TRUE(DrawLakebed(&lakebed, 152, 112));
    ASSERT_EQ(152, scene_.frameWidth);
    for (int y = 0; y < 112; ++y)
        ASSERT_EQ(0, memcmp(lakebed.Row(y), scene_.backgroundSurface.Row(y), 304)) << y;
    lakebed.Release();
    EXPECT_EQ(uint32_t(EFFECT_FANCY), scene_.settings.effectMask);
    DestroyWindow(window_);
    window_ = nullptr;
    // The desktop shows its one colour again before the next snapshot.
    RedrawWindow(pattern_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(200);

    SetWallpaper(WriteFile("wallpaper-without-ending", RedBluePng()));
    Open(0, 0, 1024, 768);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, saved, SPIF_UPDATEINIFILE);
    EXPECT_EQ(0xF800, scene_.backgroundSurface.Row(700)[10]);
    EXPECT_EQ(0x001F, scene_.backgroundSurface.Row(700)[1000]);
    EXPECT_NE(0u, scene_.effectTimerId);
}

// A new screen size while the saver runs: the window covers the new virtual screen and
// the kept picture is placed again on a frame of the new size, with calm water.
TEST_F(Scene, DisplayChangeCoversTheNewScreenWithThePicturePlacedAgain)
{
    settings_.pictureFile = WriteFile("lake.png", RedBluePng());
    Open(0, 0, 640, 480);
    ASSERT_EQ(640, scene_.frameWidth);
    Pump(200);
    SendMessageA(window_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    RECT rect;
    GetWindowRect(window_, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(1024, rect.right);
    EXPECT_EQ(768, rect.bottom);
    EXPECT_EQ(1024, scene_.frameWidth);
    EXPECT_EQ(768, scene_.frameHeight);
    EXPECT_EQ(1024, scene_.field.width);
    EXPECT_EQ(0xF800, scene_.backgroundSurface.Row(700)[10]);
    EXPECT_EQ(0x001F, scene_.backgroundSurface.Row(700)[1000]);
    EXPECT_EQ(0x001F, scene_.frameSurface.Row(0)[1023]);
    EXPECT_NE(0u, scene_.frameTimerId);
    Pump(200);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(0x001F, ReadScreen(1000, 0, 24, 1)[20]);
}

TEST_F(Scene, WindowLowerThanTheDisplayRunsFancyAloneAndSavesNothing)
{
    settings_.useSnapshot = 1;
    Open(100, 100, 152, 112);
    EXPECT_EQ(EFFECT_FANCY, scene_.settings.effectMask);
    EXPECT_EQ(152, scene_.frameWidth);
    SaverSettings stored = DefaultSaverSettings();
    LoadSaverSettings(&stored);
    EXPECT_EQ(EFFECT_RAIN | EFFECT_REBOUND | EFFECT_FANCY, stored.effectMask);
}

TEST_F(Scene, WallpaperModeShowsThePathTheSystemReports)
{
    bmp_builder::BmpImage image;
    image.width = 2;
    image.height = 1;
    image.rows.push_back({0, 0, 255, 0, 0, 255});  // two red pixels
    const std::string wallpaper = WriteFile("wallpaper.bmp", bmp_builder::BuildBmp(image));
    char saved[MAX_PATH + 1] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, saved, 0);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(wallpaper.c_str()),
                                      SPIF_UPDATEINIFILE));
    settings_.useWallpaper = 1;
    settings_.pictureFile = "C:\\stored\\picture.jpg";
    Open(0, 0, 1024, 768);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, saved, SPIF_UPDATEINIFILE);

    EXPECT_EQ(wallpaper, scene_.settings.pictureFile);
    EXPECT_EQ(0xF800, scene_.backgroundSurface.Row(700)[1000]);
}

// The wallpaper as the desktop lays it out: centred at its own size, fitted or tiled, with
// the desktop's own colour where it leaves the screen uncovered; stretched without the
// desktop's settings or with style 2.
TEST_F(Scene, WallpaperIsLaidOutAsTheDesktopLaysItOut)
{
    bmp_builder::BmpImage image;
    image.width = 4;
    image.height = 2;
    image.rows.assign(2, std::vector<uint8_t>(12, 0));
    for (auto& row : image.rows)
        for (int x = 0; x < 4; ++x) row[x * 3 + 2] = 255;  // red
    const std::string wallpaper = WriteFile("laid-out.bmp", bmp_builder::BuildBmp(image));
    char saved[MAX_PATH + 1] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, saved, 0);
    SetWallpaper(wallpaper);
    const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
    const uint16_t backdrop = To565(uint32_t(GetRValue(desktop)) << 16 |
                                    uint32_t(GetGValue(desktop)) << 8 | GetBValue(desktop));
    const struct {
        const char* style;
        const char* tile;
        uint16_t corner;
    } cases[] = {{"0", "0", backdrop}, {"6", "0", backdrop}, {"0", "1", 0xF800},
                 {"2", "0", 0xF800}, {"10", "0", 0xF800}, {nullptr, nullptr, 0xF800}};
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key);
    settings_.useWallpaper = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style ? c.style : "none");
        if (c.style) {
            RegSetValueExA(key, "WallpaperStyle", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.style),
                           DWORD(std::strlen(c.style) + 1));
            RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.tile), 2);
        } else {
            RegDeleteValueA(key, "WallpaperStyle");
            RegDeleteValueA(key, "TileWallpaper");
        }
        Open(0, 0, 1024, 768);
        EXPECT_EQ(c.corner, scene_.backgroundSurface.Row(0)[0]);
        EXPECT_EQ(0xF800, scene_.backgroundSurface.Row(384)[512]);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    RegDeleteValueA(key, "WallpaperStyle");
    RegDeleteValueA(key, "TileWallpaper");
    RegCloseKey(key);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, saved, SPIF_UPDATEINIFILE);
}

// A window too low for water (two rows) still shows its picture, without stepping.
TEST_F(Scene, FrameTooSmallForWaterShowsTheStillPicture)
{
    ShowPattern();
    settings_.useSnapshot = 1;
    Open(0, 0, 64, 2);
    EXPECT_EQ(64, scene_.frameWidth);
    EXPECT_EQ(0u, scene_.effectTimerId);
    Pump(200);  // the display catches up with what was painted
    EXPECT_EQ(ReadScreen(0, 0, 64, 2)[10], scene_.backgroundSurface.Row(0)[10]);
    EXPECT_FALSE(scene_.m_bAutoBlack);
}

TEST_F(Scene, DestructionStopsTimersFreesSurfacesAndIgnoresLateTicks)
{
    settings_.useSnapshot = 1;
    Open(0, 0, 1024, 768);
    Pump(100);
    DestroyWindow(window_);
    window_ = nullptr;
    EXPECT_EQ(nullptr, scene_.m_hWnd);
    EXPECT_EQ(0u, scene_.frameTimerId);
    EXPECT_EQ(0u, scene_.effectTimerId);
    EXPECT_EQ(nullptr, scene_.frameSurface.bits);
    EXPECT_EQ(nullptr, scene_.backgroundSurface.bits);
    EXPECT_EQ(nullptr, scene_.heightMapA.bits);
    EXPECT_EQ(nullptr, scene_.heightMapB.bits);
    // Late ticks of either kind, and one with id 0, change nothing and touch nothing freed.
    for (WPARAM id : {EFFECT_TIMER, FRAME_TIMER, UINT_PTR(0)})
        AfxCallWndProc(&scene_, nullptr, WM_TIMER, id, 0);
    EXPECT_EQ(nullptr, scene_.heightMapA.bits);
}

}  // namespace
