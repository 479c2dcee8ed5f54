// What the full-screen saver shows, read back from the screen as the user sees it: a
// desktop of one colour gives way to the lakebed, wallpapers of every common kind and own
// pictures named .png or .jpeg are shown, each with moving water, and the first and last
// rows of the screen always show the picture exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/picture_ole.h"
#include "ripple/lakebed.h"
#include "ripple/picture_placing.h"
#include "tests/e2e/driver.h"
#include "tests/png_builder.h"

namespace {

using namespace driver;

const char* const SAVER_CLASS = "WindowsScreenSaverClass";
const char* const SETTINGS = "Software\\Lakeglass";
const DWORD START_MS = 5000;

// Two colours side by side, then a row of grey: stretched, every edge row has both.
std::vector<uint8_t> TwoColourPng()
{
    return png_builder::Rgb(2, 2, {0xFF0000, 0x0000FF, 0x808080, 0x00FF00});
}

class PictureSources : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS);
        SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, savedWallpaper_, 0);
        width_ = GetSystemMetrics(SM_CXSCREEN);
        height_ = GetSystemMetrics(SM_CYSCREEN);
        WNDCLASSA solid = {};
        solid.lpfnWndProc = DefWindowProcA;
        solid.hInstance = GetModuleHandleA(nullptr);
        solid.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        solid.lpszClassName = "LakeglassBlankDesktop";
        RegisterClassA(&solid);
        desktop_ = CreateWindowExA(0, "LakeglassBlankDesktop", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                   width_, height_, nullptr, nullptr, GetModuleHandleA(nullptr),
                                   nullptr);
        UpdateWindow(desktop_);
        MoveCursorTo(500, 400);
        Pump(100);
    }

    void TearDown() override
    {
        DestroyWindow(desktop_);
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, savedWallpaper_, SPIF_UPDATEINIFILE);
        RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS);
        std::error_code ignored;
        for (const std::string& path : written_) std::filesystem::remove(path, ignored);
    }

    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("lakeglass-e2e-" + name)).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        written_.push_back(path);
        return path;
    }

    std::string CopyFixture(const char* fixture, const std::string& name)
    {
        std::ifstream in(fixture, std::ios::binary);
        return WriteFile(name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    }

    void SetWallpaper(const std::string& path)
    {
        ASSERT_TRUE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                                          SPIF_UPDATEINIFILE));
    }

    // The background the saver should show: the picture placed on the screen's frame.
    void ExpectShown(const Surface& picture)
    {
        Surface background, frame;
        ASSERT_TRUE(background.Create(width_, height_));
        ASSERT_TRUE(frame.Create(width_, height_));
        ASSERT_TRUE(PlacePicture(picture, &background, &frame));

        driver::Saver saver = Start("/s");
        ASSERT_NE(nullptr, WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS));
        Pump(1000);
        const std::vector<uint32_t> early = ReadScreen(0, 0, width_, height_);
        Pump(700);
        const std::vector<uint32_t> late = ReadScreen(0, 0, width_, height_);
        size_t moved = 0;
        size_t displaced = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const size_t i = size_t(y) * width_ + x;
                moved += early[i] != late[i];
                displaced += (late[i] & 0xF8FCF8) != To888Bits(background.Row(y)[x]);
            }
        // Flat pictures bend visibly only where colours meet, so a thousand pixels will do.
        EXPECT_GT(moved, 1000u) << "the water does not move";
        EXPECT_GT(displaced, 1000u) << "the water refracts nothing";
        // The water never moves the first and last rows.
        for (int y : {0, height_ - 1})
            for (int x = 0; x < width_; ++x)
                ASSERT_EQ(To888Bits(background.Row(y)[x]), late[size_t(y) * width_ + x] & 0xF8FCF8)
                    << x << "," << y;
        PressKey('A');
        EXPECT_EQ(0u, saver.WaitExit(START_MS));
        background.Release();
        frame.Release();
    }

    void ExpectShown(const std::string& path)
    {
        Surface picture;
        ASSERT_TRUE(LoadPictureFile(&picture, path.c_str())) << path;
        ExpectShown(picture);
        picture.Release();
    }

    int width_ = 0;
    int height_ = 0;
    HWND desktop_ = nullptr;
    char savedWallpaper_[MAX_PATH + 1] = {};
    std::vector<std::string> written_;
};

TEST_F(PictureSources, BlankDesktopShowsTheLakebedWithMovingWater)
{
    SetUserDword(SETTINGS, "Snapshot", 1);
    SetWallpaper("");
    Surface lakebed;
    ASSERT_TRUE(DrawLakebed(&lakebed, width_, height_));
    ExpectShown(lakebed);
    lakebed.Release();
}

TEST_F(PictureSources, WallpapersOfEveryKindAreShownWhateverTheirName)
{
    SetUserDword(SETTINGS, "Snapshot", 0);
    SetUserDword(SETTINGS, "Wallpaper", 1);
    const std::vector<std::string> wallpapers = {
        CopyFixture(LAKEGLASS_TEST_DATA "/blocks24.bmp", "wallpaper.bmp"),
        WriteFile("wallpaper.png", TwoColourPng()),
        CopyFixture(LAKEGLASS_TEST_DATA "/baseline.jpg", "TranscodedWallpaper")};
    for (const std::string& path : wallpapers) {
        SCOPED_TRACE(path);
        SetWallpaper(path);
        ExpectShown(path);
    }
}

TEST_F(PictureSources, OwnPicturesNamedPngAndJpegAreShown)
{
    SetUserDword(SETTINGS, "Snapshot", 0);
    const std::vector<std::string> pictures = {
        WriteFile("own.png", TwoColourPng()),
        CopyFixture(LAKEGLASS_TEST_DATA "/progressive.jpg", "own.jpeg")};
    for (const std::string& path : pictures) {
        SCOPED_TRACE(path);
        SetUserString(SETTINGS, "BG File Name", path.c_str());
        ExpectShown(path);
    }
}

// A change of the screens while the saver runs is no reason to close: it covers the
// screen again and goes on until a key.
TEST_F(PictureSources, DisplayChangeKeepsTheSaverRunning)
{
    SetUserDword(SETTINGS, "Snapshot", 0);
    SetUserString(SETTINGS, "BG File Name", WriteFile("own.png", TwoColourPng()).c_str());
    driver::Saver saver = Start("/s");
    HWND window = WaitForWindow(SAVER_CLASS, "Screen Saver", START_MS);
    ASSERT_NE(nullptr, window);
    Pump(500);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(width_, height_),
                                    SMTO_ABORTIFHUNG, START_MS, &answer));
    EXPECT_EQ(STILL_ACTIVE, saver.WaitExit(1000));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(width_, rect.right - rect.left);
    EXPECT_EQ(height_, rect.bottom - rect.top);
    PressKey('A');
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
}

}  // namespace
