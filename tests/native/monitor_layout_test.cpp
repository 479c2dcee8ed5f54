// One scene per monitor and the pictures laid out on them: which part of the window each
// scene covers, and which picture pixel each frame pixel shows for every layout.
#include "ripple/monitor_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "ripple/water_scene.h"

namespace {

const uint16_t BACKDROP = 0xBEEF;

struct TestSurface : Surface {
    TestSurface(int32_t w, int32_t h) { EXPECT_TRUE(Create(w, h)); }
    ~TestSurface() { Release(); }
};

// Each pixel holds its position, x in the low byte and y in the high one.
void NumberPixels(Surface* s)
{
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x) s->Row(y)[x] = static_cast<uint16_t>(x | y << 8);
}

// A row of the arranged picture as picture columns (-1 for the backdrop).
std::vector<int> Columns(const Surface& s, int32_t row, int32_t count)
{
    std::vector<int> columns;
    for (int32_t x = 0; x < count; ++x) {
        const uint16_t pixel = s.Row(row)[x];
        columns.push_back(pixel == BACKDROP ? -1 : pixel & 0xFF);
    }
    return columns;
}

std::vector<int> Rows(const Surface& s, int32_t column)
{
    std::vector<int> rows;
    for (int32_t y = 0; y < s.height; ++y) {
        const uint16_t pixel = s.Row(y)[column];
        rows.push_back(pixel == BACKDROP ? -1 : pixel >> 8);
    }
    return rows;
}

// The desk the complaint came from: a portrait monitor left of the primary, a lower
// one right of it.
const std::vector<Monitor> DESK = {{{-768, 0, 0, 1024}, false},
                                   {{0, 0, 1024, 768}, true},
                                   {{1024, 0, 2304, 720}, false}};

TEST(MonitorLayout, EachMonitorGetsItsOwnPartOfTheWindowPrimaryFirst)
{
    const ScreenRect window = BoundingRect(DESK);
    EXPECT_TRUE(SameRect(ScreenRect{-768, 0, 2304, 1024}, window));
    const std::vector<SceneArea> areas = LayOutScenes(DESK, window, true);
    ASSERT_EQ(3u, areas.size());
    EXPECT_TRUE(areas[0].primary);
    EXPECT_TRUE(SameRect(ScreenRect{768, 0, 1792, 768}, areas[0].client));
    EXPECT_TRUE(SameRect(ScreenRect{0, 0, 768, 1024}, areas[1].client));
    EXPECT_TRUE(SameRect(ScreenRect{1792, 0, 3072, 720}, areas[2].client));
    EXPECT_TRUE(SameRect(DESK[0].rect, areas[1].covered));

    const std::vector<SceneArea> primaryOnly = LayOutScenes(DESK, window, false);
    ASSERT_EQ(1u, primaryOnly.size());
    EXPECT_TRUE(SameRect(DESK[1].rect, primaryOnly[0].monitor));

    // A window over part of one monitor is one scene of that part; without monitors the
    // window is the one scene; without a named primary the first monitor stands in.
    const std::vector<SceneArea> part = LayOutScenes(DESK, ScreenRect{100, 50, 740, 530}, true);
    ASSERT_EQ(1u, part.size());
    EXPECT_TRUE(SameRect(ScreenRect{0, 0, 640, 480}, part[0].client));
    EXPECT_TRUE(SameRect(DESK[1].rect, part[0].monitor));
    const std::vector<SceneArea> none = LayOutScenes({}, ScreenRect{-10, -10, 90, 40}, true);
    ASSERT_EQ(1u, none.size());
    EXPECT_TRUE(SameRect(ScreenRect{0, 0, 100, 50}, none[0].client));
    // A lone monitor is the screen, whatever part of it the window covers.
    const std::vector<SceneArea> lone = LayOutScenes({DESK[1]}, ScreenRect{0, 0, 1366, 768}, false);
    ASSERT_EQ(1u, lone.size());
    EXPECT_TRUE(SameRect(ScreenRect{0, 0, 1366, 768}, lone[0].client));
    EXPECT_TRUE(SameRect(DESK[1].rect, lone[0].monitor));
    const std::vector<Monitor> unnamed = {{{0, 0, 640, 480}, false}, {{640, 0, 1280, 480}, false}};
    EXPECT_EQ(0, LayOutScenes(unnamed, BoundingRect(unnamed), false)[0].client.left);
}

TEST(MonitorLayout, MonitorsTooSmallOrTooLargeStayDarkAndTwelveAllRun)
{
    const std::vector<Monitor> odd = {{{0, 0, 1024, 768}, true},
                                      {{1024, 0, 1025, 1}, false},
                                      {{1024, 10, 1028, 12}, false},
                                      {{0, 768, 40000, 800}, false},
                                      {{1024, 100, 1028, 103}, false}};
    const std::vector<SceneArea> areas = LayOutScenes(odd, BoundingRect(odd), true);
    ASSERT_EQ(2u, areas.size());
    EXPECT_EQ(3, RectHeight(areas[1].client));

    std::vector<Monitor> twelve;
    for (int i = 0; i < 12; ++i) twelve.push_back({{i * 800, 0, i * 800 + 800, 600}, i == 5});
    const std::vector<SceneArea> all = LayOutScenes(twelve, BoundingRect(twelve), true);
    ASSERT_EQ(12u, all.size());
    EXPECT_EQ(4000, all[0].client.left);
    EXPECT_EQ(0, all[1].client.left);
    EXPECT_EQ(4800, all[6].client.left);
}

TEST(MonitorLayout, StoredAndDesktopLayoutsMapToPlacements)
{
    struct Case { Arrangement got; Placement placement; bool spans; };
    const Case cases[] = {
        {ArrangementForLayout(0), PLACE_STRETCH, false}, {ArrangementForLayout(1), PLACE_FILL, false},
        {ArrangementForLayout(2), PLACE_FIT, false},     {ArrangementForLayout(3), PLACE_CENTER, false},
        {ArrangementForLayout(4), PLACE_STRETCH, true},  {ArrangementForLayout(5), PLACE_STRETCH, false},
        {ArrangementForLayout(-1), PLACE_STRETCH, false},
        {ArrangementForWallpaperStyle(0, 0), PLACE_CENTER, false},
        {ArrangementForWallpaperStyle(0, 1), PLACE_TILE, false},
        {ArrangementForWallpaperStyle(2, 1), PLACE_STRETCH, false},
        {ArrangementForWallpaperStyle(6, 0), PLACE_FIT, false},
        {ArrangementForWallpaperStyle(10, 0), PLACE_FILL, false},
        {ArrangementForWallpaperStyle(22, 0), PLACE_FILL, true},
        {ArrangementForWallpaperStyle(7, 0), PLACE_STRETCH, false},
        {ArrangementForWallpaperPosition(0), PLACE_CENTER, false},
        {ArrangementForWallpaperPosition(1), PLACE_TILE, false},
        {ArrangementForWallpaperPosition(2), PLACE_STRETCH, false},
        {ArrangementForWallpaperPosition(3), PLACE_FIT, false},
        {ArrangementForWallpaperPosition(4), PLACE_FILL, false},
        {ArrangementForWallpaperPosition(5), PLACE_FILL, true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        EXPECT_EQ(cases[i].placement, cases[i].got.placement) << i;
        EXPECT_EQ(cases[i].spans, cases[i].got.spansMonitors) << i;
    }
}

// A stretch over the monitor must be exactly what placing the picture on the frame gives,
// or a single screen would look different from before.
TEST(MonitorLayout, StretchOverAMonitorIsThePlacedPicture)
{
    TestSurface picture(200, 90), background(1368, 768), frame(1368, 768);
    NumberPixels(&picture);
    ASSERT_TRUE(PlacePicture(picture, &background, &frame));
    Surface arranged;
    const ScreenRect monitor{-1366, -768, 0, 0};
    ASSERT_TRUE(ArrangePicture(picture, {PLACE_STRETCH, false}, monitor, monitor, BACKDROP, &arranged));
    ASSERT_EQ(1368, arranged.width);
    ASSERT_EQ(768, arranged.height);
    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 1368; ++x) ASSERT_EQ(background.Row(y)[x], arranged.Row(y)[x]) << x << "," << y;
    arranged.Release();
}

TEST(MonitorLayout, EachPlacementShowsThePicturePixelsItShould)
{
    struct Case {
        const char* name;
        int32_t pictureW, pictureH;
        Placement placement;
        ScreenRect monitor;
        std::vector<int> row;     // picture columns along the middle row, -1 the backdrop
        std::vector<int> column;  // picture rows down column 0
    };
    const Case cases[] = {
        // A wide picture on a square monitor: Fill keeps the middle columns and every row,
        // Fit keeps every column in the middle rows; odd leftovers go to the far side.
        {"fill wide", 8, 2, PLACE_FILL, {0, 0, 4, 4}, {3, 3, 4, 4}, {0, 0, 1, 1}},
        {"fit wide", 8, 4, PLACE_FIT, {0, 0, 4, 4}, {1, 3, 5, 7}, {-1, 1, 3, -1}},
        {"fit tall", 1, 3, PLACE_FIT, {0, 0, 4, 3}, {-1, 0, -1, -1}, {-1, -1, -1}},
        {"fill tall", 2, 6, PLACE_FILL, {0, 0, 4, 4}, {0, 0, 1, 1}, {2, 2, 3, 3}},
        {"center small", 2, 1, PLACE_CENTER, {0, 0, 5, 3}, {-1, 0, 1, -1, -1}, {-1, -1, -1}},
        {"center large", 7, 5, PLACE_CENTER, {0, 0, 4, 2}, {1, 2, 3, 4}, {1, 2}},
        {"tile", 3, 2, PLACE_TILE, {-5, 0, 2, 3}, {0, 1, 2, 0, 1, 2, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        TestSurface picture(c.pictureW, c.pictureH);
        NumberPixels(&picture);
        Surface arranged;
        ASSERT_TRUE(ArrangePicture(picture, {c.placement, false}, c.monitor, c.monitor, BACKDROP,
                                   &arranged)) << c.name;
        EXPECT_EQ(FrameWidthFor(RectWidth(c.monitor)), arranged.width) << c.name;
        EXPECT_EQ(c.row, Columns(arranged, RectHeight(c.monitor) / 2, RectWidth(c.monitor))) << c.name;
        EXPECT_EQ(c.column, Rows(arranged, 0)) << c.name;
        arranged.Release();
    }
}

// Span: one stretch over the rectangle around both monitors, each showing its own part;
// on a lone monitor the same as stretching over it.
TEST(MonitorLayout, SpanShowsEachMonitorItsPartOfOnePicture)
{
    TestSurface picture(16, 2);
    NumberPixels(&picture);
    const ScreenRect left{-8, 0, 0, 4}, right{0, 0, 8, 4}, around{-8, 0, 8, 4};
    Surface shown;
    ASSERT_TRUE(ArrangePicture(picture, {PLACE_STRETCH, true}, around, left, BACKDROP, &shown));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), Columns(shown, 0, 8));
    ASSERT_TRUE(ArrangePicture(picture, {PLACE_STRETCH, true}, around, right, BACKDROP, &shown));
    EXPECT_EQ((std::vector<int>{8, 9, 10, 11, 12, 13, 14, 15}), Columns(shown, 3, 8));
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1}), Rows(shown, 0));
    // Nothing to arrange, or no frame to arrange it in.
    EXPECT_FALSE(ArrangePicture(Surface(), {PLACE_FIT, false}, right, right, 0, &shown));
    EXPECT_FALSE(ArrangePicture(picture, {PLACE_FIT, false}, right, ScreenRect{0, 0, 40000, 4}, 0, &shown));
    EXPECT_EQ(nullptr, shown.bits);
}

TEST(MonitorLayout, CutTakesOnlyPartsInsideThePicture)
{
    TestSurface snapshot(12, 4);
    NumberPixels(&snapshot);
    const ScreenRect taken{-4, 0, 8, 4};
    Surface part;
    ASSERT_TRUE(CutPicture(snapshot, taken, ScreenRect{-3, 1, 1, 3}, &part));
    EXPECT_EQ(4, part.width);
    EXPECT_EQ(2, part.height);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), Columns(part, 1, 4));
    EXPECT_EQ((std::vector<int>{1, 2}), Rows(part, 0));
    for (const ScreenRect& outside : {ScreenRect{-5, 0, 0, 4}, ScreenRect{0, 0, 9, 4},
                                      ScreenRect{0, 3, 4, 5}, ScreenRect{2, 2, 2, 3}}) {
        EXPECT_FALSE(CutPicture(snapshot, taken, outside, &part));
        EXPECT_EQ(nullptr, part.bits);
    }
    EXPECT_FALSE(CutPicture(snapshot, ScreenRect{0, 0, 10, 4}, ScreenRect{0, 0, 4, 4}, &part));
}

}  // namespace
