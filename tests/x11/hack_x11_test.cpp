// The built program under a private Xvfb, as XScreenSaver runs it: it draws moving water
// into the window it is given, shows the picture exactly on the rows the water never
// reaches, ends on SIGTERM and with its window, and answers bad command lines and files.
// GoogleTest comes before Xlib, whose None macro would break its headers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ripple/lakebed.h"
#include "ripple/picture_placing.h"
#include "ripple/pixel_convert.h"
#include "ripple/water_scene.h"
#include "x11/picture_file.h"
#include "xvfb_display.h"

namespace {

const std::string DATA = LAKEGLASS_TEST_DATA;

// A surface that frees its pixels with the test.
struct OwnedSurface : Surface {
    ~OwnedSurface() { Release(); }
};

void PauseMilliseconds(int milliseconds)
{
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

std::string Hex(Window window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(window));
    return text;
}

// The private display with one top-level window of the given size, black until drawn on.
class HackX11 : public ::testing::Test {
protected:
    void StartDisplay(int width, int height, int depth = 24)
    {
        m_xvfb.reset(new XvfbDisplay(1024, 768, depth));
        ASSERT_FALSE(m_xvfb->name().empty()) << "Xvfb did not start";
        m_display = XOpenDisplay(m_xvfb->name().c_str());
        ASSERT_NE(nullptr, m_display);
        if (depth != 24) return;
        const int screen = DefaultScreen(m_display);
        m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 10, 10, width,
                                       height, 0, 0, BlackPixel(m_display, screen));
        XMapWindow(m_display, m_window);
        XSync(m_display, False);
        m_width = width;
        m_height = height;
    }

    void TearDown() override
    {
        if (m_display) XCloseDisplay(m_display);
    }

    // Row y of the window as 0x00RRGGBB pixels; empty when it cannot be read.
    std::vector<uint32_t> Row(int y)
    {
        std::vector<uint32_t> row;
        XImage* image = XGetImage(m_display, m_window, 0, y, m_width, 1, AllPlanes, ZPixmap);
        if (!image) return row;
        for (int x = 0; x < m_width; ++x) row.push_back(XGetPixel(image, x, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return row;
    }

    std::vector<uint32_t> Whole()
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < m_height; ++y) {
            const std::vector<uint32_t> row = Row(y);
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
        return pixels;
    }

    // Black again, so that what the window shows next can only come from the next run.
    void ClearWindow()
    {
        XClearWindow(m_display, m_window);
        XSync(m_display, False);
    }

    // Waits up to 5 s for row y to show `expected`; returns what it showed last.
    std::vector<uint32_t> WaitForRow(int y, const std::vector<uint32_t>& expected)
    {
        std::vector<uint32_t> row;
        for (int waited = 0; waited < 5000; waited += 50) {
            row = Row(y);
            if (row == expected) break;
            PauseMilliseconds(50);
        }
        return row;
    }

    // Row y of the frame as the scene places `picture` on it, expanded as the screen shows it.
    std::vector<uint32_t> ExpectedRow(const Surface& picture, int y)
    {
        const int frameWidth = FrameWidthFor(m_width);
        const uint16_t* source = picture.Row(StretchSource(y, m_height, picture.height));
        std::vector<uint32_t> row;
        for (int x = 0; x < m_width; ++x)
            row.push_back(ExpandRgb565(source[StretchSource(x, frameWidth, picture.width)]));
        return row;
    }

    void ExpectEdgeRows(const Surface& picture, const std::string& what)
    {
        for (int y : {0, m_height - 1}) {
            const std::vector<uint32_t> expected = ExpectedRow(picture, y);
            const std::vector<uint32_t> shown = WaitForRow(y, expected);
            ASSERT_EQ(expected.size(), shown.size()) << what;
            for (size_t x = 0; x < expected.size(); ++x)
                ASSERT_EQ(expected[x], shown[x]) << what << ": row " << y << ", column " << x;
        }
    }

    std::unique_ptr<XvfbDisplay> m_xvfb;
    Display* m_display = nullptr;
    Window m_window = 0;
    int m_width = 0;
    int m_height = 0;
};

// The decoders are checked on their own first: the block centres of the 32 x 8 fixtures
// are red, green, blue and white within what JPEG's rounding allows.
void ExpectBlocks(const Surface& picture, int tolerance, const std::string& what)
{
    ASSERT_EQ(32, picture.width) << what;
    ASSERT_EQ(8, picture.height) << what;
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (int block = 0; block < 4; ++block) {
        const uint32_t pixel = ExpandRgb565(picture.Row(4)[block * 8 + 4]);
        for (int shift : {16, 8, 0}) {
            const int got = int(pixel >> shift & 0xFF), want = int(colours[block] >> shift & 0xFF);
            EXPECT_NEAR(want, got, tolerance) << what << ": block " << block << ", shift " << shift;
        }
    }
}

TEST_F(HackX11, DrawsMovingWaterIntoXScreenSaversWindow)
{
    // The fresh display's desktop is one colour, so the snapshot gives way to the lakebed.
    StartDisplay(320, 240);
    HackProcess hack(m_xvfb->name(), {"-root"}, {"XSCREENSAVER_WINDOW=" + Hex(m_window)});
    OwnedSurface lakebed;
    ASSERT_TRUE(DrawLakebed(&lakebed, FrameWidthFor(m_width), m_height));
    ExpectEdgeRows(lakebed, "snapshot of one colour");
    const std::vector<uint32_t> before = Whole();
    PauseMilliseconds(300);
    const std::vector<uint32_t> after = Whole();
    size_t moved = 0;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) moved += before[i] != after[i];
    EXPECT_GT(moved, before.size() / 100) << "the water stood still";
    int code = -1;
    EXPECT_FALSE(hack.WaitForExit(0, &code)) << hack.Errors();
}

TEST_F(HackX11, EdgeRowsShowEachPictureKindStretchedToTheWindow)
{
    StartDisplay(203, 150);
    const struct {
        const char* file;
        int tolerance;
        const char* environment;
    } cases[] = {
        {"baseline.jpg", 8, ""},
        {"blocks.png", 0, ""},
        {"blocks24.bmp", 0, ""},
        {"blocks.png", 0, "LAKEGLASS_NO_SHM=1"},   // plain XPutImage, as on a remote display
    };
    for (const auto& c : cases) {
        const std::string path = DATA + "/" + c.file;
        OwnedSurface picture;
        std::string why;
        ASSERT_TRUE(LoadPictureFile(path.c_str(), &picture, &why)) << c.file << ": " << why;
        ExpectBlocks(picture, c.tolerance, c.file);
        ClearWindow();
        std::vector<std::string> environment;
        if (*c.environment) environment.push_back(c.environment);
        HackProcess hack(m_xvfb->name(), {"--window-id", std::to_string(m_window), "--picture", path},
                         environment);
        ExpectEdgeRows(picture, std::string(c.file) + " " + c.environment);
        hack.Signal(SIGTERM);
        int code = -1;
        ASSERT_TRUE(hack.WaitForExit(5000, &code)) << c.file;
        EXPECT_EQ(0, code) << hack.Errors();
    }
}

TEST_F(HackX11, SigtermAndSigintEndItWithinASecond)
{
    StartDisplay(160, 120);
    for (int stop : {SIGTERM, SIGINT}) {
        HackProcess hack(m_xvfb->name(), {"--window-id", Hex(m_window), "--fps"});
        PauseMilliseconds(1500);
        int code = -1;
        ASSERT_FALSE(hack.WaitForExit(0, &code)) << hack.Errors();
        hack.Signal(stop);
        ASSERT_TRUE(hack.WaitForExit(1000, &code)) << stop;
        EXPECT_EQ(0, code) << hack.Errors();
        EXPECT_NE(std::string::npos, hack.Errors().find("frames per second")) << hack.Errors();
    }
}

// Without a window to draw in it makes its own, and a window manager's close request ends it.
TEST_F(HackX11, OwnWindowClosesOnRequest)
{
    StartDisplay(100, 100);
    HackProcess hack(m_xvfb->name(), {"--picture", DATA + "/blocks.png"});
    Window own = 0;
    for (int waited = 0; waited < 5000 && !own; waited += 50) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !own; ++i) {
            char* name = nullptr;
            if (XFetchName(m_display, children[i], &name) && name && std::string(name) == "Lakeglass")
                own = children[i];
            if (name) XFree(name);
        }
        if (children) XFree(children);
        if (!own) PauseMilliseconds(50);
    }
    ASSERT_NE(0u, own) << hack.Errors();
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = own;
    close.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    XSendEvent(m_display, own, False, NoEventMask, &close);
    XSync(m_display, False);
    int code = -1;
    ASSERT_TRUE(hack.WaitForExit(5000, &code));
    EXPECT_EQ(0, code) << hack.Errors();
}

TEST_F(HackX11, DestroyedWindowEndsIt)
{
    StartDisplay(160, 120);
    HackProcess hack(m_xvfb->name(), {"--window-id", Hex(m_window), "--picture", DATA + "/blocks.png"});
    OwnedSurface picture;
    std::string why;
    ASSERT_TRUE(LoadPictureFile((DATA + "/blocks.png").c_str(), &picture, &why)) << why;
    ExpectEdgeRows(picture, "png");
    XDestroyWindow(m_display, m_window);
    XSync(m_display, False);
    int code = -1;
    ASSERT_TRUE(hack.WaitForExit(5000, &code));
    EXPECT_EQ(0, code) << hack.Errors();
}

TEST_F(HackX11, FollowsTheWindowsNewSize)
{
    StartDisplay(160, 120);
    const std::string path = DATA + "/baseline.jpg";
    HackProcess hack(m_xvfb->name(), {"--window-id", Hex(m_window), "--picture", path});
    OwnedSurface picture;
    std::string why;
    ASSERT_TRUE(LoadPictureFile(path.c_str(), &picture, &why)) << why;
    ExpectEdgeRows(picture, "before");
    for (const auto& size : {std::make_pair(257, 90), std::make_pair(64, 200)}) {
        XResizeWindow(m_display, m_window, size.first, size.second);
        XSync(m_display, False);
        m_width = size.first;
        m_height = size.second;
        ExpectEdgeRows(picture, std::to_string(m_width) + "x" + std::to_string(m_height));
    }
}

TEST_F(HackX11, UnreadablePictureIsReportedAndTheLakebedShown)
{
    StartDisplay(200, 100);
    OwnedSurface lakebed;
    ASSERT_TRUE(DrawLakebed(&lakebed, FrameWidthFor(m_width), m_height));
    for (const std::string& path : {DATA + "/no-such-lake.jpg", DATA, DATA + "/../x11/CMakeLists.txt"}) {
        ClearWindow();
        HackProcess hack(m_xvfb->name(), {"--window-id", Hex(m_window), "--picture", path});
        ExpectEdgeRows(lakebed, path);
        hack.Signal(SIGTERM);
        int code = -1;
        ASSERT_TRUE(hack.WaitForExit(5000, &code)) << path;
        EXPECT_EQ(0, code);
        EXPECT_NE(std::string::npos, hack.Errors().find("cannot show '" + path + "'")) << hack.Errors();
    }
}

TEST_F(HackX11, CommandLineFaultsAreAnsweredWithoutDrawing)
{
    StartDisplay(100, 100);
    std::string output, errors;
    EXPECT_EQ(0, RunHackToEnd(m_xvfb->name(), {"--help"}, &output, &errors));
    EXPECT_NE(std::string::npos, output.find("--ripple-depth")) << output;
    EXPECT_EQ(2, RunHackToEnd(m_xvfb->name(), {"-root", "--glassy"}, &output, &errors));
    EXPECT_NE(std::string::npos, errors.find("'--glassy'")) << errors;
    EXPECT_EQ(2, RunHackToEnd(m_xvfb->name(), {"--drop-size", "8"}, &output, &errors));
    EXPECT_NE(std::string::npos, errors.find("'8' for --drop-size")) << errors;
    EXPECT_EQ(2, RunHackToEnd(m_xvfb->name(), {"--window-id", "0xZZ"}, &output, &errors));
    EXPECT_NE(std::string::npos, errors.find("--window-id")) << errors;
}

TEST_F(HackX11, DisplayWithoutTrueColourIsRefused)
{
    StartDisplay(100, 100, 16);
    std::string output, errors;
    EXPECT_EQ(1, RunHackToEnd(m_xvfb->name(), {"-root"}, &output, &errors));
    EXPECT_NE(std::string::npos, errors.find("not true colour with 24 or 32 bits")) << errors;
}

}  // namespace
