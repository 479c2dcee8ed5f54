// Placing the picture on the frame: an exact copy at the frame's size, the nearest-pixel
// stretch otherwise, and the part of the screen the snapshot takes.
#include "ripple/picture_placing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TestSurface : Surface {
    TestSurface(int32_t w, int32_t h) { EXPECT_TRUE(Create(w, h)); }
    ~TestSurface() { Release(); }
};

// Every pixel holds its own column, so the stretch can be read off the result.
void NumberColumns(Surface* s)
{
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x) s->Row(y)[x] = static_cast<uint16_t>(x + 4096 * (y & 1));
}

TEST(PicturePlacing, PictureOfTheFrameSizeIsCopiedIntoBoth)
{
    TestSurface picture(8, 3), background(8, 3), frame(8, 3);
    NumberColumns(&picture);
    ASSERT_TRUE(PlacePicture(picture, &background, &frame));
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(picture.Row(y)[x], background.Row(y)[x]);
            EXPECT_EQ(picture.Row(y)[x], frame.Row(y)[x]);
        }
}

// A display 1366 wide gives a frame of 1368: two picture columns must show twice.
TEST(PicturePlacing, StretchTo1368DuplicatesExactlyColumns0And683)
{
    TestSurface picture(1366, 2), background(1368, 2), frame(1368, 2);
    NumberColumns(&picture);
    ASSERT_TRUE(PlacePicture(picture, &background, &frame));
    std::vector<int> shown(1366, 0);
    for (int32_t x = 0; x < 1368; ++x) {
        const uint16_t value = background.Row(1)[x];
        ASSERT_EQ(4096, value & 0xF000) << x;  // row 1 comes from row 1
        ++shown[value & 0x0FFF];
        EXPECT_EQ(value, frame.Row(1)[x]);
    }
    for (int column = 0; column < 1366; ++column)
        EXPECT_EQ(column == 0 || column == 683 ? 2 : 1, shown[column]) << column;
}

TEST(PicturePlacing, ShrinkPicksPixelsInsideThePicture)
{
    // The whole display shrunk to a preview, and a picture enlarged by 1.6.
    EXPECT_EQ(0, StretchSource(0, 152, 1024));
    EXPECT_EQ(1017, StretchSource(151, 152, 1024));
    EXPECT_EQ(0, StretchSource(1, 1024, 640));
    EXPECT_EQ(1, StretchSource(2, 1024, 640));
    EXPECT_EQ(639, StretchSource(1023, 1024, 640));
    // The ratio is a float: 4 / 1.3333334f falls just short of 3.
    EXPECT_EQ(2, StretchSource(4, 1024, 768));
    // Columns outside the frame still pick a pixel inside the picture.
    EXPECT_EQ(0, StretchSource(-2, 768, 480));
    EXPECT_EQ(479, StretchSource(800, 768, 480));
    int32_t last = -1;
    for (int32_t x = 0; x < 768; ++x) {
        const int32_t source = StretchSource(x, 768, 480);
        EXPECT_GE(source, last);
        EXPECT_LE(source, 479);
        last = source;
    }
}

TEST(PicturePlacing, PictureWithoutPixelsIsRefusedAndNothingIsTouched)
{
    TestSurface background(8, 3), frame(8, 3);
    background.Fill(0x1234);
    frame.Fill(0x1234);
    Surface empty;
    EXPECT_FALSE(PlacePicture(empty, &background, &frame));
    TestSurface picture(4, 4);
    picture.height = 0;  // as a picture of 0 rows would arrive
    EXPECT_FALSE(PlacePicture(picture, &background, &frame));
    picture.height = 4;
    EXPECT_EQ(0x1234, background.Row(2)[7]);
    EXPECT_EQ(0x1234, frame.Row(0)[0]);
}

TEST(PicturePlacing, SnapshotTakesTheWindowsRectangleOrThePrimaryDisplayForAPreview)
{
    // Two monitors, the second left of and above the primary: the window covers both.
    const ScreenRect virtualScreen{-1280, -200, 1920, 1080};
    const ScreenRect full = ChooseCaptureRect(false, virtualScreen, 1920, 1080);
    EXPECT_EQ(-1280, full.left);
    EXPECT_EQ(-200, full.top);
    EXPECT_EQ(1920, full.right);
    EXPECT_EQ(1080, full.bottom);

    const ScreenRect preview = ChooseCaptureRect(true, ScreenRect{300, 200, 452, 312}, 1920, 1080);
    EXPECT_EQ(0, preview.left);
    EXPECT_EQ(0, preview.top);
    EXPECT_EQ(1920, preview.right);
    EXPECT_EQ(1080, preview.bottom);
}

}  // namespace
