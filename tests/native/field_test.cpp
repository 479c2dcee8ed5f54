// The ripple field: setting up, stamping drops, the worked steps of the wave equation run
// through every step this processor supports, the choice of step, and a randomized
// comparison that holds each SIMD step to the scalar one bit for bit, frame and maps, alone
// and with its rows shared among bands of worker threads; and each step that draws 32-bit
// pixels to the expansion of the scalar RGB565 frame.
#include "ripple/field.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "ripple/pixel_convert.h"
#include "ripple/step_bands.h"

namespace {

const uint16_t SENTINEL = 0xBEEF;

// A surface record over a buffer of exactly the map's size, so that a sanitizer sees any
// access past a map (a created surface carries 7 spare bytes).
void Borrow(Surface* surface, std::vector<int16_t>* samples, int32_t w, int32_t h)
{
    samples->assign(size_t(w) * h, 0);
    surface->width = w;
    surface->height = h;
    surface->pitch = 2 * w;
    surface->bits = reinterpret_cast<uint8_t*>(samples->data());
    surface->bitsBorrowed = true;
}

struct Water {
    std::vector<int16_t> samplesA;
    std::vector<int16_t> samplesB;
    Surface a;
    Surface b;
    RippleField field;
    std::vector<uint16_t> background;
    std::vector<uint16_t> frame;

    Water(int32_t w, int32_t h, int32_t damping, int32_t refraction)
    {
        Borrow(&a, &samplesA, w, h);
        Borrow(&b, &samplesB, w, h);
        EXPECT_EQ(0, Init(&field, &a, &b, damping, refraction));
        background.resize(size_t(w) * h);
        for (size_t i = 0; i < background.size(); ++i) background[i] = uint16_t(100 + i);
        frame.assign(background.size(), SENTINEL);
    }
    ~Water() { ReleaseField(&field); }

    int16_t& At(int32_t x, int32_t y) { return field.current[y * field.width + x]; }

    // One step over the whole field into a frame the size of the field.
    void Step(StepFunction step)
    {
        step(&field, background.data(), 0, 0, field.width, field.height, frame.data(), 0, 0,
             2 * field.width);
    }

    uint16_t Shown(int32_t x, int32_t y) const { return frame[size_t(y) * field.width + x]; }
    uint16_t Picture(int32_t x, int32_t y) const { return background[size_t(y) * field.width + x]; }
};

// Every sample of the current map, with the expected non-zero ones listed.
void ExpectHeights(Water& water, const std::vector<std::vector<int>>& nonZero)
{
    for (int32_t y = 0; y < water.field.height; ++y)
        for (int32_t x = 0; x < water.field.width; ++x) {
            int expected = 0;
            for (const std::vector<int>& s : nonZero)
                if (s[0] == x && s[1] == y) expected = s[2];
            EXPECT_EQ(expected, water.At(x, y)) << "at (" << x << ", " << y << ")";
        }
}

// ---------------------------------------------------------------------------------------
// Setting up

TEST(FieldInit, RecordsGeometryMakesTheFirstMapCurrentAndClearsBoth)
{
    Surface a;
    Surface b;
    ASSERT_TRUE(a.Create(12, 7));
    ASSERT_TRUE(b.Create(12, 7));
    FillSurface(&a, 0x5555);
    FillSurface(&b, 0xAAAA);
    RippleField field;
    EXPECT_EQ(0, Init(&field, &a, &b, 5, 6));
    EXPECT_EQ(reinterpret_cast<int16_t*>(a.bits), field.current);
    EXPECT_EQ(reinterpret_cast<int16_t*>(b.bits), field.previous);
    EXPECT_EQ(12, field.width);
    EXPECT_EQ(7, field.height);
    EXPECT_EQ(24, field.rowBytes);
    EXPECT_EQ(48, field.twoRowBytes);
    EXPECT_EQ(84, field.sampleCount);
    EXPECT_EQ(168, field.mapBytes);
    EXPECT_EQ(144, field.endOffset);
    EXPECT_EQ(5, field.dampingShift);
    EXPECT_EQ(6, field.refractionShift);
    for (int i = 0; i < 84; ++i) {
        EXPECT_EQ(0, field.current[i]);
        EXPECT_EQ(0, field.previous[i]);
    }
    a.Release();
    b.Release();
}

TEST(FieldInit, RefusesMapsThatCannotHoldAFieldAndLeavesItInert)
{
    Surface good;
    Surface other;
    Surface narrow, narrowOther;
    Surface flat, flatOther;
    ASSERT_TRUE(good.Create(8, 5));
    ASSERT_TRUE(other.Create(8, 6));
    ASSERT_TRUE(narrow.Create(6, 5));
    ASSERT_TRUE(narrowOther.Create(6, 5));
    ASSERT_TRUE(flat.Create(8, 2));
    ASSERT_TRUE(flatOther.Create(8, 2));
    Surface empty;
    RippleField field;
    EXPECT_EQ(-1, Init(&field, &good, &other, 4, 4));  // unequal sizes
    EXPECT_EQ(-1, Init(&field, &narrow, &narrowOther, 4, 4));  // width not a multiple of 4
    EXPECT_EQ(-1, Init(&field, &flat, &flatOther, 4, 4));      // no row between the edges
    EXPECT_EQ(-1, Init(&field, &good, &good, 4, 4));   // one buffer for both maps
    EXPECT_EQ(-1, Init(&field, &good, &empty, 4, 4));
    EXPECT_EQ(-1, Init(&field, &good, nullptr, 4, 4));
    EXPECT_EQ(-1, Init(nullptr, &good, &other, 4, 4));

    // Operations on the refused field touch nothing.
    FillSurface(&good, 0x1111);
    EXPECT_EQ(-1, Init(&field, &good, &other, 4, 4));
    EXPECT_EQ(nullptr, field.current);
    Stamp(&field, 3, 2, 2, 500);
    std::vector<uint16_t> picture(40, 7), frame(40, SENTINEL);
    StepAndRender(&field, picture.data(), 0, 0, 8, 5, frame.data(), 0, 0, 16);
    StepAndRenderScalar(&field, picture.data(), 0, 0, 8, 5, frame.data(), 0, 0, 16);
    for (uint16_t pixel : frame) EXPECT_EQ(SENTINEL, pixel);
    EXPECT_EQ(0x1111, good.Row(2)[3]);
    good.Release();
    other.Release();
    narrow.Release();
    narrowOther.Release();
    flat.Release();
    flatOther.Release();
}

// ---------------------------------------------------------------------------------------
// Stamping drops

TEST(FieldStamp, RadiusOneSetsTheCentreAlone)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, 3, 2, 1, 1536);
    ExpectHeights(water, {{3, 2, 1536}});
}

TEST(FieldStamp, RadiusTwoSetsTheThreeByThreeBlockAndLaterStampsWin)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, 3, 2, 1, 1536);
    Stamp(&water.field, 3, 2, 2, 7);
    ExpectHeights(water, {{2, 1, 7}, {3, 1, 7}, {4, 1, 7}, {2, 2, 7}, {3, 2, 7}, {4, 2, 7},
                          {2, 3, 7}, {3, 3, 7}, {4, 3, 7}});
}

TEST(FieldStamp, DiscsAtTheEdgesAreClippedWithoutWrapping)
{
    Water top(8, 5, 4, 8);
    Stamp(&top.field, 3, 0, 2, 9);  // rows -1..1, only row 1 is writable
    ExpectHeights(top, {{2, 1, 9}, {3, 1, 9}, {4, 1, 9}});

    Water bottom(8, 5, 4, 8);
    Stamp(&bottom.field, 3, 4, 2, 9);
    ExpectHeights(bottom, {{2, 3, 9}, {3, 3, 9}, {4, 3, 9}});

    Water left(8, 5, 4, 8);
    Stamp(&left.field, 0, 2, 2, 9);  // column -1 would be column 7 of the row above
    ExpectHeights(left, {{0, 1, 9}, {1, 1, 9}, {0, 2, 9}, {1, 2, 9}, {0, 3, 9}, {1, 3, 9}});

    Water right(8, 5, 4, 8);
    Stamp(&right.field, 7, 2, 2, 9);
    ExpectHeights(right, {{6, 1, 9}, {7, 1, 9}, {6, 2, 9}, {7, 2, 9}, {6, 3, 9}, {7, 3, 9}});
}

TEST(FieldStamp, NonPositiveRadiusChangesNothing)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, 3, 2, 0, 1536);
    Stamp(&water.field, 3, 2, -5, 1536);
    Stamp(&water.field, 3, 2, INT32_MIN, 1536);
    ExpectHeights(water, {});
}

TEST(FieldStamp, HeightIsStoredAsItsLow16Bits)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, 1, 1, 1, 70000);  // 70000 - 65536
    Stamp(&water.field, 2, 1, 1, 32768);
    Stamp(&water.field, 3, 1, 1, -1);
    Stamp(&water.field, 4, 1, 1, INT32_MIN);
    Stamp(&water.field, 5, 1, 1, -32769);
    ExpectHeights(water, {{1, 1, 4464}, {2, 1, -32768}, {3, 1, -1}, {5, 1, 32767}});
}

TEST(FieldStamp, HugeRadiusFillsExactlyTheInnerRows)
{
    Water water(64, 40, 4, 8);
    Stamp(&water.field, 10, 10, INT32_MAX, 321);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(y == 0 || y == 39 ? 0 : 321, water.At(x, y)) << x << ", " << y;
}

TEST(FieldStamp, ExtremeCentresAndRadiiDoNotOverflow)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, INT32_MIN, 2, INT32_MAX, 9);
    Stamp(&water.field, 2, INT32_MIN, INT32_MAX, 9);
    Stamp(&water.field, INT32_MIN, INT32_MIN, INT32_MAX, 9);
    Stamp(&water.field, INT32_MAX, INT32_MAX, 1, 9);
    ExpectHeights(water, {});

    // Centre far to the right: the disc's edge passes between columns 0 and 1, since
    // (2^31 - 1 - i)^2 + dy^2 < (2^31 - 1)^2 exactly when dy^2 + i^2 < 2 (2^31 - 1) i.
    Stamp(&water.field, INT32_MAX, 2, INT32_MAX, 9);
    for (int32_t y = 1; y <= 3; ++y)
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(x == 0 ? 0 : 9, water.At(x, y));

    Water below(8, 5, 4, 8);
    Stamp(&below.field, 2, INT32_MAX, INT32_MAX, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(y == 0 || y == 4 ? 0 : 5, below.At(x, y));
}

// ---------------------------------------------------------------------------------------
// The step, through every implementation

std::string PathName(const ::testing::TestParamInfo<StepPath>& info)
{
    return info.param == STEP_SCALAR ? "Scalar" : info.param == STEP_SSE2 ? "Sse2" : "Avx2";
}

// A path the processor does not support is skipped, not failed.
class StepPathTest : public ::testing::TestWithParam<StepPath> {
protected:
    void SetUp() override
    {
        if (!StepPathSupported(GetParam())) GTEST_SKIP() << "not supported by this processor";
    }
    StepFunction Step() const { return StepForPath(GetParam()); }
};

class FieldStep : public StepPathTest {};

TEST_P(FieldStep, DropSpreadsAsInTheWorkedExample)
{
    Water water(8, 5, 4, 8);
    Stamp(&water.field, 3, 2, 1, 1536);
    water.Step(Step());
    ExpectHeights(water, {{3, 1, 720}, {2, 2, 720}, {4, 2, 720}, {3, 3, 720}});
    water.Step(Step());
    ExpectHeights(water, {{2, 1, 675}, {4, 1, 675}, {2, 3, 675}, {4, 3, 675},
                          {1, 2, 338}, {5, 2, 338}, {3, 2, -90}});
}

TEST_P(FieldStep, StepExchangesTheMaps)
{
    Water water(8, 5, 4, 8);
    int16_t* before = water.field.current;
    water.Step(Step());
    EXPECT_EQ(before, water.field.previous);
    EXPECT_NE(before, water.field.current);
}

TEST_P(FieldStep, SlopesRefractThePictureAsInTheWorkedExample)
{
    Water water(8, 5, 4, 10);
    Stamp(&water.field, 3, 2, 1, 1536);
    water.Step(Step());
    EXPECT_EQ(water.Picture(1, 2), water.Shown(2, 2));  // gx = -2, half of it -1
    EXPECT_EQ(water.Picture(4, 2), water.Shown(4, 2));  // gx = 1, half of it 0
    EXPECT_EQ(water.Picture(3, 4), water.Shown(3, 3));  // gy = 1
    EXPECT_EQ(water.Picture(3, 1), water.Shown(3, 1));  // gy = -2 points above the picture
}

TEST_P(FieldStep, CalmWaterShowsThePictureAndStaysCalm)
{
    Water water(12, 7, 4, 0);
    for (int step = 0; step < 3; ++step) {
        water.Step(Step());
        EXPECT_EQ(water.background, water.frame);
        for (int32_t i = 0; i < 84; ++i) {
            ASSERT_EQ(0, water.field.current[i]);
            ASSERT_EQ(0, water.field.previous[i]);
        }
    }
}

TEST_P(FieldStep, DampingShiftsOutsideTheRangeActAsFifteen)
{
    std::vector<int16_t> reference;
    for (int32_t damping : {15, 16, 40, -1, INT32_MIN, INT32_MAX}) {
        Water water(12, 7, damping, 4);
        Stamp(&water.field, 5, 3, 3, -20000);
        Stamp(&water.field, 8, 2, 2, 31000);
        for (int step = 0; step < 4; ++step) water.Step(Step());
        std::vector<int16_t> heights(water.field.current, water.field.current + 84);
        if (reference.empty()) reference = heights;
        EXPECT_EQ(reference, heights) << "damping shift " << damping;
    }
}

TEST_P(FieldStep, DampingShiftZeroBringsEveryHeightToZero)
{
    Water water(12, 7, 0, 4);
    Stamp(&water.field, 5, 3, 3, -20000);
    water.Step(Step());
    ExpectHeights(water, {});
}

// Heights far from 0 make the sum clip; where it clips depends on the order of additions
// for the sample's position in its group, and the later negative term is then taken off
// 32767. A difference beyond the range clips too.
TEST_P(FieldStep, SumsClipInTheOrderOfTheSamplesPosition)
{
    Water water(24, 5, 15, 4);
    const struct {
        int x;
        int left, up, down, right;
    } cases[] = {
        {4, -20000, 30000, 30000, -10000},  // position 0: ((L + U) + D) + R = 22767
        {9, -5000, 30000, 30000, 5000},     // position 1: ((U + D) + R) + L = 27767
        {15, -5000, 30000, 30000, 5000},    // position 3: ((U + D) + L) + R = 32767
    };
    for (const auto& c : cases) {
        water.At(c.x - 1, 2) = int16_t(c.left);
        water.At(c.x, 1) = int16_t(c.up);
        water.At(c.x, 3) = int16_t(c.down);
        water.At(c.x + 1, 2) = int16_t(c.right);
    }
    water.field.previous[2 * 24 + 15] = -30000;  // 16383 + 30000 clips to 32767
    water.Step(Step());
    EXPECT_EQ(11383, water.At(4, 2));
    EXPECT_EQ(13883, water.At(9, 2));
    EXPECT_EQ(32767, water.At(15, 2));
}

TEST_P(FieldStep, GroupsStraddlingTheRectangleShowTheStillPicture)
{
    Water water(16, 7, 4, 0);
    for (int32_t y = 1; y <= 5; ++y)  // slopes of a pixel or two
        for (int32_t x = 0; x < 16; ++x) water.At(x, y) = int16_t((x + 2 * y) % 3);
    // Columns 2..9 of rows 2..4: only the group of columns 4..7 lies inside.
    const int32_t pitch = 2 * 10;
    std::vector<uint16_t> frame(10 * 5, SENTINEL);
    Step()(&water.field, water.background.data(), 2, 2, 8, 3, frame.data(), 1, 1, pitch);
    bool refracted = false;
    for (int32_t y = 2; y <= 4; ++y)
        for (int32_t x = 2; x <= 9; ++x) {
            const uint16_t shown = frame[size_t(1 + y - 2) * 10 + 1 + x - 2];
            if (x < 4 || x > 7)
                EXPECT_EQ(water.Picture(x, y), shown) << x << ", " << y;
            else
                refracted = refracted || shown != water.Picture(x, y);
        }
    EXPECT_TRUE(refracted);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 10; ++x)
            if (y < 1 || y > 3 || x < 1 || x > 8) {
                EXPECT_EQ(SENTINEL, frame[size_t(y) * 10 + x]);
            }
}

// The range test is on the linear index: the first and last pixel of the picture may be
// shown, one before or after is refused. At width 32 the samples lie in whole registers of
// every SIMD step; wide fields compute the source another way.
TEST_P(FieldStep, SourcesJustInsideThePictureAreShownAndJustOutsideRefused)
{
    for (int32_t width : {8, 32, 32772}) {
        const int32_t last = width * 5 - 1;
        {   // sample (W - 4, 3): one row down and hx = 3 or 4 columns right
            Water inside(width, 5, 4, 0), outside(width, 5, 4, 0);
            inside.At(width - 4, 2) = outside.At(width - 4, 2) = 1;
            inside.At(width - 5, 3) = 6;
            outside.At(width - 5, 3) = 8;
            inside.Step(Step());
            outside.Step(Step());
            EXPECT_EQ(inside.background[last], inside.Shown(width - 4, 3)) << width;
            EXPECT_EQ(outside.Picture(width - 4, 3), outside.Shown(width - 4, 3)) << width;
        }
        {   // sample (0, 1): one row up and hx = 0 or -1
            Water inside(width, 5, 4, 0), outside(width, 5, 4, 0);
            inside.At(0, 2) = outside.At(0, 2) = 1;
            outside.At(1, 1) = 2;
            inside.Step(Step());
            outside.Step(Step());
            EXPECT_EQ(inside.background[0], inside.Shown(0, 1)) << width;
            EXPECT_EQ(outside.Picture(0, 1), outside.Shown(0, 1)) << width;
        }
    }
}

TEST_P(FieldStep, TopAndBottomRowsShowTheStillPicture)
{
    Water water(12, 6, 4, 0);
    for (int32_t y = 1; y <= 4; ++y)
        for (int32_t x = 0; x < 12; ++x) water.At(x, y) = int16_t((x * 5 + y * 3) % 7 * 900 - 3000);
    water.Step(Step());
    for (int32_t x = 0; x < 12; ++x) {
        EXPECT_EQ(water.Picture(x, 0), water.Shown(x, 0));
        EXPECT_EQ(water.Picture(x, 5), water.Shown(x, 5));
    }
}

TEST_P(FieldStep, RequestsThatDoNotFitChangeNothing)
{
    Water water(8, 5, 4, 0);
    Stamp(&water.field, 3, 2, 2, 4000);
    const std::vector<int16_t> heights(water.field.current, water.field.current + 40);
    const int16_t* current = water.field.current;
    uint16_t* frame = water.frame.data();
    const uint16_t* picture = water.background.data();
    StepFunction step = Step();
    step(&water.field, picture, 0, 0, 6, 5, frame, 0, 0, 16);       // w not a multiple of 4
    step(&water.field, picture, 0, 0, 0, 5, frame, 0, 0, 16);       // nothing to show
    step(&water.field, picture, 4, 0, 8, 5, frame, 0, 0, 16);       // past the right edge
    step(&water.field, picture, 0, 1, 8, 5, frame, 0, 0, 16);       // past the bottom
    step(&water.field, picture, -4, 0, 8, 5, frame, 0, 0, 16);
    step(&water.field, picture, 0, 0, 8, 5, frame, -1, 0, 16);      // before the frame
    step(&water.field, picture, 0, 0, 8, 5, frame, 0, -1, 16);
    step(&water.field, picture, 0, 0, 8, 5, frame, 1, 0, 16);       // rows too short for dx
    step(&water.field, picture, 0, 0, 8, 5, frame, 0, 0, 15);       // odd row size
    step(&water.field, picture, 0, 0, 8, 5, frame, 0, 0, -16);
    step(&water.field, picture, 0, 0, 8, 5, frame, 0, INT32_MAX, 16);
    step(&water.field, picture, 0, 0, 8, 5, nullptr, 0, 0, 16);
    step(&water.field, nullptr, 0, 0, 8, 5, frame, 0, 0, 16);
    step(nullptr, picture, 0, 0, 8, 5, frame, 0, 0, 16);
    EXPECT_EQ(current, water.field.current);
    EXPECT_EQ(heights, std::vector<int16_t>(water.field.current, water.field.current + 40));
    for (uint16_t pixel : water.frame) EXPECT_EQ(SENTINEL, pixel);
}

INSTANTIATE_TEST_SUITE_P(EveryPath, FieldStep,
                         ::testing::Values(STEP_SCALAR, STEP_SSE2, STEP_AVX2), PathName);

// ---------------------------------------------------------------------------------------
// Choosing the step

TEST(FieldStepPath, TheFastestSupportedPathIsChosenAndOthersAreRefused)
{
    EXPECT_TRUE(StepPathSupported(STEP_SCALAR));
    EXPECT_TRUE(StepPathSupported(STEP_SSE2));
    EXPECT_EQ(StepPathSupported(STEP_AVX2) ? STEP_AVX2 : STEP_SSE2, ChosenStepPath());
    EXPECT_EQ(&StepAndRenderScalar, StepForPath(STEP_SCALAR));
    EXPECT_EQ(&StepAndRenderSse2, StepForPath(STEP_SSE2));
    EXPECT_EQ(StepPathSupported(STEP_AVX2) ? &StepAndRenderAvx2 : nullptr, StepForPath(STEP_AVX2));

    Water water(8, 5, 4, 8);
    Stamp(&water.field, 3, 2, 1, 1536);
    water.Step(StepAndRender);
    ExpectHeights(water, {{3, 1, 720}, {2, 2, 720}, {4, 2, 720}, {3, 3, 720}});
}

// ---------------------------------------------------------------------------------------
// Each SIMD step against the scalar one

class Dice {
public:
    explicit Dice(uint32_t seed) : engine_(seed) {}
    int32_t Range(int32_t low, int32_t high)  // inclusive
    {
        return int32_t(low + int64_t(engine_() % (uint64_t(int64_t(high) - low) + 1)));
    }
    int16_t Height()
    {
        static const int16_t extremes[] = {32767, 32766, -32768, -32767, 16384, -16385, 1, -1, 0};
        switch (Range(0, 4)) {
        case 0: return extremes[Range(0, 8)];
        case 1: return int16_t(Range(-32768, 32767));
        case 2: return int16_t(Range(-3000, 3000));
        case 3: return int16_t(Range(-12288, 12287));  // either side of where sums can clip
        default: return 0;
        }
    }

private:
    std::mt19937 engine_;
};

struct Scenario {
    int32_t width, height;
    int32_t x0, y0, w, h;
    int32_t dx, dy, pitchPixels;
    int32_t damping, refraction;
    bool outerRowsDirty;  // rows 0 and H - 1 of the maps not 0, as no caller leaves them
};

Scenario RandomScenario(Dice& dice, int32_t width, int32_t height)
{
    static const int32_t shifts[] = {-1, 0, 1, 4, 8, 15, 16, 40, INT32_MIN, INT32_MAX, 2, 3, 5, 6};
    Scenario s;
    s.width = width;
    s.height = height;
    if (dice.Range(0, 3) == 0) {
        s.x0 = s.y0 = 0;
        s.w = width;
        s.h = height;
    } else {
        s.x0 = dice.Range(0, width - 4);
        s.w = 4 * dice.Range(1, (width - s.x0) / 4);
        s.y0 = dice.Range(0, height - 1);
        s.h = dice.Range(1, height - s.y0);
    }
    s.dx = dice.Range(0, 5);
    s.dy = dice.Range(0, 3);
    s.pitchPixels = s.dx + s.w + dice.Range(0, 6);
    s.damping = shifts[dice.Range(0, 13)];
    s.refraction = shifts[dice.Range(0, 13)];
    s.outerRowsDirty = dice.Range(0, 4) == 0;
    return s;
}

std::string Describe(const Scenario& s, int step)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height) + " rect (" +
           std::to_string(s.x0) + "," + std::to_string(s.y0) + " " + std::to_string(s.w) + "x" +
           std::to_string(s.h) + ") at (" + std::to_string(s.dx) + "," + std::to_string(s.dy) +
           ") pitch " + std::to_string(s.pitchPixels) + " damping " + std::to_string(s.damping) +
           " refraction " + std::to_string(s.refraction) + " step " + std::to_string(step);
}

// What a step of the pixel type draws where the scalar step draws an RGB565 pixel: the same
// pixel, or its expansion. The marker of unwritten pixels stays a marker, which no step draws
// (the picture holds none, and no expansion has a top byte).
const uint32_t SENTINEL32 = 0xDEADBEEF;
template <typename Pixel>
Pixel Drawn(uint16_t pixel);
template <>
uint16_t Drawn<uint16_t>(uint16_t pixel) { return pixel; }
template <>
uint32_t Drawn<uint32_t>(uint16_t pixel) { return pixel == SENTINEL ? SENTINEL32 : ExpandRgb565(pixel); }

template <typename Pixel>
std::vector<Pixel> Drawn(const std::vector<uint16_t>& pixels)
{
    std::vector<Pixel> drawn(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) drawn[i] = Drawn<Pixel>(pixels[i]);
    return drawn;
}

// Runs the scenario through the step and the scalar RGB565 one from identical maps and
// compares everything: the maps bit for bit, and the frame pixel for pixel, expanded where
// the step draws 32-bit pixels from the expanded picture.
template <typename Pixel>
void CompareSteps(PixelStepFunction<Pixel> simdStep, Dice& dice, const Scenario& s, int steps,
                  int bands = 1)
{
    const Pixel marker = Drawn<Pixel>(SENTINEL);
    Water simd(s.width, s.height, s.damping, s.refraction);
    Water scalar(s.width, s.height, s.damping, s.refraction);
    ASSERT_EQ(bands, SetStepBands(&simd.field, bands));
    const int32_t count = s.width * s.height;
    // Still water, busy water, or still water with a few lone samples in either map, which
    // is where whole rows may be taken as still.
    const int32_t fill = dice.Range(0, 3);
    auto sample = [&]() -> int16_t {
        if (fill == 0 || (fill == 3 && dice.Range(0, 30) != 0)) return 0;
        return dice.Height();
    };
    for (int32_t i = 0; i < count; ++i) {
        const bool outer = i < s.width || i >= count - s.width;
        if (outer && !s.outerRowsDirty) continue;
        const int16_t now = sample();
        const int16_t before = sample();
        simd.field.current[i] = scalar.field.current[i] = now;
        simd.field.previous[i] = scalar.field.previous[i] = before;
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t pixel = uint16_t(dice.Range(0, 65535));
        simd.background[i] = scalar.background[i] = pixel == SENTINEL ? 0 : pixel;
    }
    const std::vector<Pixel> picture = Drawn<Pixel>(simd.background);

    // A frame that ends with the rectangle's last pixel, filled with a marker elsewhere.
    const size_t frameSize = size_t(s.dy + s.h - 1) * s.pitchPixels + s.dx + s.w;
    for (int step = 0; step < steps; ++step) {
        const int drops = fill == 0 ? dice.Range(1, 6) : dice.Range(0, 3);
        for (int d = 0; d < drops; ++d) {
            const int32_t x = dice.Range(-3, s.width + 3), y = dice.Range(-3, s.height + 3);
            const int32_t radius = dice.Range(0, 8), height = dice.Range(INT32_MIN, INT32_MAX);
            Stamp(&simd.field, x, y, radius, height);
            Stamp(&scalar.field, x, y, radius, height);
        }
        std::vector<Pixel> frameSimd(frameSize, marker);
        std::vector<uint16_t> frameScalar(frameSize, SENTINEL);
        simdStep(&simd.field, picture.data(), s.x0, s.y0, s.w, s.h, frameSimd.data(), s.dx, s.dy,
                 int32_t(sizeof(Pixel)) * s.pitchPixels);
        StepAndRenderScalar(&scalar.field, scalar.background.data(), s.x0, s.y0, s.w, s.h,
                            frameScalar.data(), s.dx, s.dy, 2 * s.pitchPixels);
        const std::string where = Describe(s, step);
        ASSERT_EQ(simd.samplesA, scalar.samplesA) << where;
        ASSERT_EQ(simd.samplesB, scalar.samplesB) << where;
        ASSERT_EQ(Drawn<Pixel>(frameScalar), frameSimd) << where;
        // Only the rectangle is written, and all of it.
        for (size_t i = 0; i < frameSize; ++i) {
            const int32_t row = int32_t(i / s.pitchPixels), column = int32_t(i % s.pitchPixels);
            const bool inside = row >= s.dy && column >= s.dx && column < s.dx + s.w;
            ASSERT_EQ(inside, frameSimd[i] != marker) << where;
        }
    }
}

// Each size in `runs` random scenarios of a few steps.
template <typename Pixel, size_t SIZES>
void CompareOnSizes(PixelStepFunction<Pixel> step, uint32_t seed, const int32_t (&sizes)[SIZES][2],
                    int runs, int bands = 1)
{
    Dice dice(seed);
    for (const auto& size : sizes)
        for (int run = 0; run < runs; ++run) {
            CompareSteps(step, dice, RandomScenario(dice, size[0], size[1]), dice.Range(1, 4), bands);
            if (::testing::Test::HasFatalFailure()) return;
        }
}

class FieldSimd : public StepPathTest {};

// Widths leave every remainder of 4, 8 and 12 samples after whole 16-lane registers, with
// none, one or more registers before it.
TEST_P(FieldSimd, MatchesTheScalarStepOnSmallFields)
{
    const int32_t sizes[][2] = {{4, 3},   {8, 3},   {4, 5},    {8, 5},   {12, 7},  {16, 4},
                                {20, 9},  {28, 6},  {64, 33},  {100, 50}, {36, 17}, {44, 3},
                                {24, 5},  {40, 11}, {76, 13}};
    CompareOnSizes(Step(), 20240611, sizes, 40);
}

// Past 32767 columns the displaced source no longer fits the packed 16-bit product and
// takes another path; both sides of that bound must agree with the scalar step.
TEST_P(FieldSimd, MatchesTheScalarStepOnVeryWideFields)
{
    Dice dice(77);
    for (int32_t width : {32764, 32768, 32772})
        for (int run = 0; run < 4; ++run) {
            CompareSteps(Step(), dice, RandomScenario(dice, width, run + 3), 2);
            if (HasFatalFailure()) return;
        }
}

INSTANTIATE_TEST_SUITE_P(EverySimdPath, FieldSimd, ::testing::Values(STEP_SSE2, STEP_AVX2),
                         PathName);

// ---------------------------------------------------------------------------------------
// The step with its rows shared among bands

template <StepPath PATH>
void SharedStep(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    StepAndRenderOnPath(PATH, field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

// A path with the rows of its steps shared among a number of bands; a path the processor
// does not support is skipped.
class PathAndBandsTest : public ::testing::TestWithParam<std::tuple<StepPath, int>> {
protected:
    void SetUp() override
    {
        if (!StepPathSupported(Path())) GTEST_SKIP() << "not supported by this processor";
    }
    StepPath Path() const { return std::get<0>(GetParam()); }
    int Bands() const { return std::get<1>(GetParam()); }
};

std::string PathAndBandsName(const ::testing::TestParamInfo<std::tuple<StepPath, int>>& info)
{
    return PathName(::testing::TestParamInfo<StepPath>(std::get<0>(info.param), info.index)) +
           std::to_string(std::get<1>(info.param)) + "Bands";
}

class FieldBands : public PathAndBandsTest {
protected:
    StepFunction Step() const
    {
        return Path() == STEP_SSE2 ? SharedStep<STEP_SSE2> : SharedStep<STEP_AVX2>;
    }
};

// Heights 3 and 4 leave fewer rows to step than there are bands; odd heights leave bands
// of unequal size.
TEST_P(FieldBands, MatchTheScalarStepOnSmallAndOddFields)
{
    const int32_t sizes[][2] = {{4, 3}, {8, 4}, {12, 5}, {16, 7}, {20, 9}, {36, 17},
                                {44, 3}, {64, 33}, {100, 50}, {76, 13}};
    CompareOnSizes(Step(), 9103, sizes, 12, Bands());
}

TEST_P(FieldBands, MatchTheScalarStepOnBusyWaterOverManySteps)
{
    Dice dice(5151);
    for (int run = 0; run < 6; ++run) {
        CompareSteps(Step(), dice, RandomScenario(dice, 256, 61 + 2 * run), 6, Bands());
        if (HasFatalFailure()) return;
    }
}

// The record is cleared and reused as the scene does it: the workers of one life must be
// gone before the next begins, whichever of Init and ReleaseField ends it.
TEST_P(FieldBands, FieldsStartAndStopTheirWorkersRepeatedly)
{
    Water water(64, 23, 4, 4);
    for (int life = 0; life < 20; ++life) {
        ASSERT_EQ(0, Init(&water.field, &water.a, &water.b, 4, 4));
        EXPECT_EQ(nullptr, FindStepBandPool(&water.field));
        ASSERT_EQ(Bands(), SetStepBands(&water.field, Bands()));
        EXPECT_EQ(Bands() > 1, FindStepBandPool(&water.field) != nullptr);
        for (int step = 0; step < 3; ++step) {
            Stamp(&water.field, 5 + 7 * step, 3 + life % 15, 4, 1536 + life);
            water.Step(Step());
        }
        EXPECT_NE(0, water.At(5, 3 + life % 15) | water.At(6, 3 + life % 15));
        if (life % 2) ReleaseField(&water.field);
    }
    ReleaseField(&water.field);
    EXPECT_EQ(nullptr, FindStepBandPool(&water.field));
    EXPECT_EQ(nullptr, water.field.current);
}

INSTANTIATE_TEST_SUITE_P(
    EverySimdPath, FieldBands,
    ::testing::Combine(::testing::Values(STEP_SSE2, STEP_AVX2), ::testing::Values(1, 2, 3, 7)),
    PathAndBandsName);

// ---------------------------------------------------------------------------------------
// The steps that draw 32-bit pixels, held to the expanded frame of the scalar RGB565 step

template <StepPath PATH>
void SharedStep32(RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                  int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    StepAndRenderOnPath32(PATH, field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

// Every path, alone and with its rows shared among bands (the scalar path always runs alone).
class FieldStep32 : public PathAndBandsTest {
protected:
    StepFunction32 Step() const
    {
        return Path() == STEP_SCALAR ? SharedStep32<STEP_SCALAR>
               : Path() == STEP_SSE2 ? SharedStep32<STEP_SSE2>
                                     : SharedStep32<STEP_AVX2>;
    }

    // One step of the whole field from the maps that setUp leaves, through the path's 32-bit
    // step and through the scalar RGB565 one.
    template <typename SetUp>
    void ExpectExpandedFrame(int32_t width, SetUp setUp)
    {
        Water water(width, 5, 4, 0), reference(width, 5, 4, 0);
        ASSERT_EQ(Bands(), SetStepBands(&water.field, Bands()));
        setUp(water);
        setUp(reference);
        const std::vector<uint32_t> picture = Drawn<uint32_t>(water.background);
        std::vector<uint32_t> frame(water.frame.size(), SENTINEL32);
        Step()(&water.field, picture.data(), 0, 0, width, 5, frame.data(), 0, 0, 4 * width);
        reference.Step(StepAndRenderScalar);
        EXPECT_EQ(reference.samplesA, water.samplesA) << width;
        EXPECT_EQ(reference.samplesB, water.samplesB) << width;
        EXPECT_EQ(Drawn<uint32_t>(reference.frame), frame) << width;
    }
};

TEST_P(FieldStep32, MatchesTheExpandedScalarFrameOnSmallFields)
{
    const int32_t sizes[][2] = {{4, 3},  {8, 3},   {8, 5},    {12, 7},  {16, 4}, {20, 9},
                                {28, 6}, {64, 33}, {100, 50}, {36, 17}, {44, 3}, {76, 13}};
    CompareOnSizes(Step(), 4321, sizes, 16, Bands());
}

TEST_P(FieldStep32, MatchesTheExpandedScalarFrameOnVeryWideFields)
{
    Dice dice(32);
    for (int32_t width : {32764, 32772})
        for (int run = 0; run < 2; ++run) {
            CompareSteps(Step(), dice, RandomScenario(dice, width, run + 3), 2, Bands());
            if (HasFatalFailure()) return;
        }
}

// The picture's first and last pixel may be shown, one before or after is refused, on fields
// within one register, in whole registers, and too wide for the packed source.
TEST_P(FieldStep32, SourcesAtThePicturesEndsAsInTheScalarFrame)
{
    for (int32_t width : {8, 32, 32772}) {
        ExpectExpandedFrame(width, [width](Water& w) {  // one row down, 3 columns right
            w.At(width - 4, 2) = 1;
            w.At(width - 5, 3) = 6;
        });
        ExpectExpandedFrame(width, [width](Water& w) {  // one row down, 4 columns right
            w.At(width - 4, 2) = 1;
            w.At(width - 5, 3) = 8;
        });
        ExpectExpandedFrame(width, [](Water& w) { w.At(0, 2) = 1; });  // one row up
        ExpectExpandedFrame(width, [](Water& w) {  // one row up, one column left
            w.At(0, 2) = 1;
            w.At(1, 1) = 2;
        });
        if (HasFailure()) return;
    }
}

// Rows of 32-bit pixels hold a whole number of them, enough for the rectangle at dx.
TEST_P(FieldStep32, FramesWithRowsTooShortOrSplittingAPixelAreRefused)
{
    Water water(8, 5, 4, 0);
    Stamp(&water.field, 3, 2, 2, 4000);
    const std::vector<int16_t> heights(water.field.current, water.field.current + 40);
    const std::vector<uint32_t> picture = Drawn<uint32_t>(water.background);
    std::vector<uint32_t> frame(60, SENTINEL32);
    for (int32_t pitch : {16, 28, 34, 30})
        Step()(&water.field, picture.data(), 0, 0, 8, 5, frame.data(), 0, 0, pitch);
    Step()(&water.field, picture.data(), 0, 0, 8, 5, frame.data(), 1, 0, 32);
    EXPECT_EQ(heights, std::vector<int16_t>(water.field.current, water.field.current + 40));
    for (uint32_t pixel : frame) EXPECT_EQ(SENTINEL32, pixel);

    Step()(&water.field, picture.data(), 0, 0, 8, 5, frame.data(), 1, 0, 36);
    EXPECT_NE(heights, std::vector<int16_t>(water.field.current, water.field.current + 40));
    EXPECT_EQ(SENTINEL32, frame[0]);
    EXPECT_EQ(picture[0], frame[1]);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, FieldStep32,
    ::testing::Combine(::testing::Values(STEP_SCALAR, STEP_SSE2, STEP_AVX2), ::testing::Values(1, 3)),
    PathAndBandsName);

// The preview and ordinary screens never need more than the calling thread, and a set count
// is kept; 0 hands the choice back.
TEST(FieldBandChoice, SmallFieldsStayOnOneThread)
{
    Water water(320, 240, 4, 4);
    for (int step = 0; step < 30; ++step) {
        Stamp(&water.field, 10 * step, 120, 6, 2000);
        water.Step(StepAndRender);
    }
    EXPECT_GE(1, water.field.stepBands);
    EXPECT_EQ(nullptr, FindStepBandPool(&water.field));
    EXPECT_EQ(2, SetStepBands(&water.field, 2));
    EXPECT_NE(nullptr, FindStepBandPool(&water.field));
    EXPECT_EQ(1, SetStepBands(&water.field, 0));
    EXPECT_EQ(nullptr, FindStepBandPool(&water.field));
    EXPECT_EQ(1, SetStepBands(&water.field, 1));
    EXPECT_EQ(1, SetStepBands(nullptr, 3));
}

}  // namespace
