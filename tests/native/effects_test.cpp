// Tests of the drop effects and the effect tick, driven by scripted random sequences so
// that every drop can be predicted; the arithmetic cases hold bit for bit in both builds.
#include "ripple/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "gfx/surface.h"
#include "ripple/field.h"

namespace {

// Replays a fixed list of values; running out is recorded (and answers 1, which never
// keeps a rebound drop drawing).
struct ScriptedRandom {
    std::vector<int32_t> values;
    size_t used = 0;
    bool exhausted = false;

    explicit ScriptedRandom(std::vector<int32_t> script = {}) : values(std::move(script)) {}

    static int32_t Next(void* context)
    {
        ScriptedRandom* self = static_cast<ScriptedRandom*>(context);
        if (self->used >= self->values.size()) {
            self->exhausted = true;
            return 1;
        }
        return self->values[self->used++];
    }
    RandomSource Source() { return RandomSource{&Next, this}; }
    bool AllUsed() const { return !exhausted && used == values.size(); }
};

// A fixed generator of its own, so that long runs are the same on every runtime.
struct Lcg {
    uint32_t state;
    static int32_t Next(void* context)
    {
        Lcg* self = static_cast<Lcg*>(context);
        self->state = self->state * 1103515245u + 12345u;
        return static_cast<int32_t>((self->state >> 16) & 0x7FFF);
    }
};

EffectContext Context(int32_t w, int32_t h, RandomSource random, int32_t size = 2,
                      int32_t weight = 1536)
{
    return EffectContext{w, h, size, weight, random};
}

struct TestField {
    Surface mapA;
    Surface mapB;
    RippleField field;

    TestField(int32_t w, int32_t h)
    {
        EXPECT_TRUE(mapA.Create(w, h));
        EXPECT_TRUE(mapB.Create(w, h));
        EXPECT_EQ(0, Init(&field, &mapA, &mapB, 4, 4));
    }
    ~TestField()
    {
        mapA.Release();
        mapB.Release();
    }
    int16_t At(int32_t x, int32_t y) const { return field.current[y * field.width + x]; }
    int NonZeroCount() const
    {
        int count = 0;
        for (int32_t k = 0; k < field.sampleCount; ++k) count += field.current[k] != 0;
        return count;
    }
};

// Each leg: start x, start y, target x, target y, progress.
void SetFlock(EffectState* state, int32_t speed, std::vector<std::vector<int32_t>> legs)
{
    state->reboundCount = static_cast<int32_t>(legs.size());
    state->reboundSpeed = speed;
    state->reboundStartX.clear();
    state->reboundStartY.clear();
    state->reboundTargetX.clear();
    state->reboundTargetY.clear();
    state->reboundProgress.clear();
    for (const std::vector<int32_t>& leg : legs) {
        state->reboundStartX.push_back(leg[0]);
        state->reboundStartY.push_back(leg[1]);
        state->reboundTargetX.push_back(leg[2]);
        state->reboundTargetY.push_back(leg[3]);
        state->reboundProgress.push_back(leg[4]);
    }
}

void SetFancy(EffectState* state, int32_t curve, int32_t arms, int32_t points, int32_t lobes,
              int32_t p1, int32_t p2, int32_t p3)
{
    // The reset's draws for these parameters, so that the arms start as a reset leaves them.
    ScriptedRandom script({curve, arms - 1, points - 1, lobes - 2, p1 - 60, p2 - 10, p3 - 10});
    ResetFancy(state, Context(640, 480, script.Source()));
    ASSERT_TRUE(script.AllUsed());
}

::testing::AssertionResult DropAt(const Drop& drop, int32_t x, int32_t y)
{
    if (drop.x == x && drop.y == y) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "drop at (" << drop.x << ", " << drop.y
                                         << "), expected (" << x << ", " << y << ")";
}

// ---------------------------------------------------------------------------------------

TEST(RandomSource, ValuesAreKeptTo15Bits)
{
    ScriptedRandom script({-1, 40000, 32767});
    RandomSource source = script.Source();
    EXPECT_EQ(32767, NextRandom(source));
    EXPECT_EQ(40000 - 32768, NextRandom(source));
    EXPECT_EQ(32767 % 1000, RandomBelow(source, 1000));
    EXPECT_EQ(0, RandomBelow(source, 0));
}

TEST(RandomSource, RuntimeGeneratorGivesTheFull15BitRangeAndReplaysItsSeed)
{
    SeedRuntimeRandom(12345);
    std::vector<int32_t> first;
    int32_t highest = 0;
    for (int k = 0; k < 2000; ++k) {
        int32_t value = NextRandom(RuntimeRandom());
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        highest = std::max(highest, value);
        first.push_back(value);
    }
    EXPECT_GE(highest, 30000);

    SeedRuntimeRandom(12345);
    RandomSource unset = {nullptr, nullptr};
    for (int k = 0; k < 2000; ++k) ASSERT_EQ(first[k], NextRandom(unset)) << "draw " << k;
}

// ---------------------------------------------------------------------------------------

TEST(Rain, DropOnTheTopOrBottomRowWithRadiusOneChangesNothing)
{
    TestField water(16, 8);
    EffectState state;
    state.rainCount = 1;
    for (int32_t row : {0, 7}) {
        ScriptedRandom script({5, row, 0});
        RunEffectTick(&state, Context(16, 8, script.Source(), 1), EFFECT_RAIN, &water.field);
        EXPECT_TRUE(script.AllUsed());
        EXPECT_EQ(0, water.NonZeroCount()) << "row " << row;
    }
    ScriptedRandom script({5, 1, 0});
    RunEffectTick(&state, Context(16, 8, script.Source(), 1), EFFECT_RAIN, &water.field);
    EXPECT_EQ(1536, water.At(5, 1));
    EXPECT_EQ(1, water.NonZeroCount());
}

TEST(Rain, ResetChoosesOneToThreeDropsAndOneRowOrColumnGetsNone)
{
    EffectState state;
    ScriptedRandom script({0, 2, 3, 5});
    for (int32_t expected : {1, 3, 1, 3}) {
        ResetRain(&state, Context(16, 8, script.Source()));
        EXPECT_EQ(expected, state.rainCount);
    }
    EXPECT_TRUE(script.AllUsed());
    for (const std::pair<int32_t, int32_t> size : {std::make_pair(16, 1), std::make_pair(1, 8)}) {
        ScriptedRandom unused;
        DropList drops;
        RainTick(&state, Context(size.first, size.second, unused.Source()), &drops);
        EXPECT_TRUE(drops.empty()) << size.first << " x " << size.second;
        EXPECT_TRUE(unused.AllUsed());
    }
}

// ---------------------------------------------------------------------------------------

TEST(Rebound, ResetStartsEveryDropAtTheCentreHeadingForAnEdge)
{
    EffectState state;
    ScriptedRandom script({2, 2, 0, 100, 1, 200, 2, 300, 3, 400});
    ResetRebound(&state, Context(640, 480, script.Source()));
    EXPECT_TRUE(script.AllUsed());
    ASSERT_EQ(4, state.reboundCount);
    EXPECT_EQ(4, state.reboundSpeed);
    const int32_t targets[4][2] = {{100, 0}, {200, 479}, {0, 300}, {639, 400}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(320, state.reboundStartX[i]);
        EXPECT_EQ(240, state.reboundStartY[i]);
        EXPECT_EQ(targets[i][0], state.reboundTargetX[i]);
        EXPECT_EQ(targets[i][1], state.reboundTargetY[i]);
        EXPECT_EQ(0, state.reboundProgress[i]);
    }

    DropList drops;
    ReboundTick(&state, Context(640, 480, script.Source()), &drops);
    ASSERT_EQ(4u, drops.size());
    EXPECT_TRUE(DropAt(drops[0], 316, 236));  // main y: x = trunc(320 + -220 * -4 / -240)
    EXPECT_TRUE(DropAt(drops[1], 317, 244));  // main y: x = trunc(320 + -120 * 4 / 239)
    EXPECT_TRUE(DropAt(drops[2], 316, 240));  // main x: y = trunc(240 + 60 * -4 / -320)
    EXPECT_TRUE(DropAt(drops[3], 324, 242));  // main x: y = trunc(240 + 160 * 4 / 319)
    EXPECT_TRUE(script.AllUsed());
}

TEST(Rebound, DropFollowsItsLegAndLeavesTheLeftEdgeItArrivesOn)
{
    // Side 2 is refused at x = 0, and every refused side sends the drop to the right edge.
    struct Case {
        int32_t side, coordinate, targetX, targetY, x, y;
    };
    const Case cases[] = {
        {0, 7, 7, 0, 0, 49},          // up: main y, x = trunc(0 + 7 * -4 / -53)
        {1, 600, 600, 479, 4, 55},    // down: main x, y = trunc(53 + 426 * 4 / 600)
        {2, 100, 639, 100, 4, 53},    // refused left edge: right edge, y = trunc(53 + 47 * 4 / 639)
        {3, 479 + 480, 639, 479, 4, 55},
    };
    for (const Case& c : cases) {
        EffectState state;
        SetFlock(&state, 4, {{10, 50, 0, 53, 0}});
        ScriptedRandom script({c.side, c.coordinate});
        EffectContext context = Context(640, 480, script.Source());
        DropList drops;
        for (int tick = 0; tick < 4; ++tick) ReboundTick(&state, context, &drops);
        ASSERT_EQ(4u, drops.size());
        EXPECT_TRUE(DropAt(drops[0], 6, 51));
        EXPECT_TRUE(DropAt(drops[1], 2, 52));
        EXPECT_TRUE(DropAt(drops[2], -2, 53));
        EXPECT_EQ(0, state.reboundStartX[0]);
        EXPECT_EQ(53, state.reboundStartY[0]);
        EXPECT_EQ(c.targetX, state.reboundTargetX[0]) << "side " << c.side;
        EXPECT_EQ(c.targetY, state.reboundTargetY[0]) << "side " << c.side;
        EXPECT_EQ(c.side == 0 ? -4 : 4, state.reboundProgress[0]);
        EXPECT_TRUE(DropAt(drops[3], c.x, c.y)) << "side " << c.side;
        EXPECT_TRUE(script.AllUsed());
    }
}

TEST(Rebound, RefusedTopOrBottomEdgeSendsTheDropToTheRightEdge)
{
    const int32_t standing[2][3] = {{100, 0, 0}, {100, 479, 1}};  // x, y, the side refused
    for (const auto& s : standing) {
        EffectState state;
        SetFlock(&state, 2, {{320, 240, s[0], s[1], 300}});
        ScriptedRandom script({s[2], 33});
        DropList drops;
        ReboundTick(&state, Context(640, 480, script.Source()), &drops);
        EXPECT_EQ(639, state.reboundTargetX[0]);
        EXPECT_EQ(33, state.reboundTargetY[0]);
        EXPECT_TRUE(script.AllUsed());
    }
}

TEST(Rebound, DropInTheTopRightCornerDrawsAgainForTopAndRight)
{
    EffectState state;
    SetFlock(&state, 3, {{320, 240, 639, 0, 400}});
    ScriptedRandom script({0, 3, 4, 3, 2, 17});
    DropList drops;
    ReboundTick(&state, Context(640, 480, script.Source()), &drops);
    EXPECT_TRUE(script.AllUsed());
    EXPECT_EQ(0, state.reboundTargetX[0]);
    EXPECT_EQ(17, state.reboundTargetY[0]);
    EXPECT_TRUE(DropAt(drops[0], 636, 0));  // main x: y = trunc(0 + 17 * -3 / -639)

    SetFlock(&state, 3, {{320, 240, 639, 0, 400}});
    ScriptedRandom down({3, 1, 9});
    ReboundTick(&state, Context(640, 480, down.Source()), &drops);
    EXPECT_TRUE(down.AllUsed());
    EXPECT_EQ(9, state.reboundTargetX[0]);
    EXPECT_EQ(479, state.reboundTargetY[0]);
}

TEST(Rebound, CrossPositionIsTruncatedTowardZeroAsAWhole)
{
    // trunc(3 + 3 * -8 / 10) is 0 where 3 + trunc(-2.4) would be 1, and trunc(-0.6) is 0
    // where rounding down would be -1 (the last step overshoots the target).
    EffectState state;
    SetFlock(&state, 4, {{10, 3, 0, 0, 0}});
    ScriptedRandom script;
    DropList drops;
    for (int tick = 0; tick < 3; ++tick)
        ReboundTick(&state, Context(640, 480, script.Source()), &drops);
    ASSERT_EQ(3u, drops.size());
    EXPECT_TRUE(DropAt(drops[0], 6, 1));
    EXPECT_TRUE(DropAt(drops[1], 2, 0));
    EXPECT_TRUE(DropAt(drops[2], -2, 0));
    EXPECT_TRUE(script.AllUsed());
}

TEST(Rebound, TickNeverReadsBeyondTheFlocksLists)
{
    EffectState state;
    SetFlock(&state, 2, {{320, 240, 0, 240, 0}});
    state.reboundCount = 12;
    state.reboundTargetY.push_back(5);
    DropList drops;
    ScriptedRandom script;
    ReboundTick(&state, Context(640, 480, script.Source()), &drops);
    ASSERT_EQ(1u, drops.size());
    EXPECT_TRUE(DropAt(drops[0], 318, 240));
}

TEST(Rebound, FieldTooSmallGivesAnEmptyFlockWithoutDrawing)
{
    EffectState state;
    ScriptedRandom script;
    ResetRebound(&state, Context(1, 1, script.Source()));
    EXPECT_EQ(0, state.reboundCount);
    EXPECT_TRUE(state.reboundStartX.empty());
    DropList drops;
    ReboundTick(&state, Context(1, 1, script.Source()), &drops);
    EXPECT_TRUE(drops.empty());
    EXPECT_TRUE(script.AllUsed());
}

TEST(Rebound, LongRunIsTheSameInEveryBuild)
{
    // Integer and double arithmetic only: the same drops bit for bit on every platform.
    Lcg lcg = {12345};
    EffectContext context = Context(640, 480, RandomSource{&Lcg::Next, &lcg});
    EffectState state;
    ResetRebound(&state, context);
    uint64_t hash = 1469598103934665603ull;
    for (int tick = 0; tick < 20000; ++tick) {
        DropList drops;
        ReboundTick(&state, context, &drops);
        for (const Drop& drop : drops) {
            hash = (hash ^ static_cast<uint32_t>(drop.x)) * 1099511628211ull;
            hash = (hash ^ static_cast<uint32_t>(drop.y)) * 1099511628211ull;
        }
        if (tick % 5000 == 0) ResetRebound(&state, context);
    }
    EXPECT_EQ(0x026b7a20bd65ce56ull, hash);
}

// ---------------------------------------------------------------------------------------

TEST(Fancy, ResetDrawsTheParametersInOrder)
{
    EffectState state;
    ScriptedRandom script({1, 4, 2, 10, 39, 89, 0});
    ResetFancy(&state, Context(640, 480, script.Source()));
    EXPECT_TRUE(script.AllUsed());
    EXPECT_EQ(1, state.fancyCurve);
    EXPECT_EQ(5, state.fancyArms);
    EXPECT_EQ(3, state.fancyPointsPerArm);
    EXPECT_EQ(12, state.fancyLobes);
    EXPECT_EQ(99, state.fancyOuterPercent);
    EXPECT_EQ(99, state.fancyRollPercent);
    EXPECT_EQ(10, state.fancyPenPercent);
}

TEST(Fancy, ArmsStartEvenlySpacedInSinglePrecision)
{
    EffectState state;
    SetFancy(&state, 0, 2, 1, 2, 60, 10, 10);
    ASSERT_EQ(2u, state.fancyAngles.size());
    EXPECT_EQ(0.0f, state.fancyAngles[0]);
    EXPECT_EQ(3.1415925f, state.fancyAngles[1]);  // not the single-precision pi

    SetFancy(&state, 0, 3, 1, 2, 60, 10, 10);
    const std::vector<float> three = {0.0f, 0x1.0c1522p+1f, 0x1.0c1522p+2f};
    EXPECT_EQ(three, state.fancyAngles);

    SetFancy(&state, 0, 5, 1, 2, 60, 10, 10);
    const std::vector<float> five = {0.0f, 0x1.41b2f6p+0f, 0x1.41b2f6p+1f, 0x1.e28c72p+1f,
                                     0x1.41b2f6p+2f};
    EXPECT_EQ(five, state.fancyAngles);
}

TEST(Fancy, RadiiFallOneShortOnExactHundredths)
{
    EffectState state;
    state.fancyOuterPercent = 60;
    state.fancyRollPercent = 50;
    state.fancyPenPercent = 50;
    EXPECT_EQ(179, ComputeFancyRadii(state, 800, 600).outer);
    EXPECT_EQ(307, ComputeFancyRadii(state, 1280, 1024).outer);
    const FancyRadii radii = ComputeFancyRadii(state, 640, 480);
    EXPECT_EQ(143, radii.outer);    // 14400 / 100
    EXPECT_EQ(71, radii.rolling);   // 7150 / 100
    EXPECT_EQ(35, radii.pen);       // 3550 / 100
}

TEST(Fancy, FirstDropAfterResetLiesStraightBelowTheCentre)
{
    for (int32_t curve : {0, 1}) {
        EffectState state;
        SetFancy(&state, curve, 1, 1, 7, 70, 40, 80);
        ScriptedRandom script;
        DropList drops;
        FancyTick(&state, Context(800, 600, script.Source()), &drops);
        // R1 = 209, R2 = 83, R3 = 66: D + R3 = 192.
        ASSERT_EQ(1u, drops.size());
        EXPECT_TRUE(DropAt(drops[0], 400, 300 + 126 + 66)) << "curve " << curve;
        EXPECT_TRUE(script.AllUsed());
    }
}

TEST(Fancy, RowTermsAreRoundedToSinglePrecisionBeforeTheirSum)
{
    // Arm 1 stands at 3.1415925, just short of a half turn: each cosine term is a hair
    // above -72 and -35, which single precision rounds to the whole numbers.
    EffectState state;
    SetFancy(&state, 1, 2, 1, 2, 60, 50, 50);
    DropList drops;
    FancyTick(&state, Context(640, 480, RandomSource{nullptr, nullptr}), &drops);
    ASSERT_EQ(2u, drops.size());
    EXPECT_TRUE(DropAt(drops[0], 320, 240 + 72 + 35));
    EXPECT_TRUE(DropAt(drops[1], 320, 240 - 72 - 35));
}

TEST(Fancy, ColumnTermsAreSummedInDoubleAndTruncatedTowardZero)
{
    // Arms 1 and 3 stand a hair short of a quarter and three quarters of a turn: the sum
    // stays just inside 107 on either side.
    EffectState state;
    SetFancy(&state, 1, 4, 1, 4, 60, 50, 50);
    DropList drops;
    FancyTick(&state, Context(640, 480, RandomSource{nullptr, nullptr}), &drops);
    ASSERT_EQ(4u, drops.size());
    EXPECT_TRUE(DropAt(drops[1], 320 + 106, 240));
    EXPECT_TRUE(DropAt(drops[3], 320 - 106, 240));
}

TEST(Fancy, ArmsAdvanceHalfADegreePerPointInSinglePrecision)
{
    EffectState state;
    SetFancy(&state, 1, 1, 3, 2, 60, 50, 50);
    ScriptedRandom script;
    EffectContext context = Context(640, 480, script.Source());
    DropList drops;
    FancyTick(&state, context, &drops);
    EXPECT_EQ(3u, drops.size());
    EXPECT_EQ(0x1.acee9ep-6f, state.fancyAngles[0]);
    for (int tick = 1; tick < 10000; ++tick) FancyTick(&state, context, &drops);
    EXPECT_EQ(0x1.05d5ccp+8f, state.fancyAngles[0]);  // 30000 single-precision steps
    EXPECT_TRUE(script.AllUsed());
}

TEST(Fancy, HypotrochoidWithoutRollingCircleLandsOutsideTheField)
{
    // 36 x 36 with p1 60 and p2 10: R1 = 10, R2 = trunc(100 x 0.01f) = 0. On 4 x 3, R1 is 0
    // as well, so the quotient would be 0 / 0. Drop sizes come from the registry unclamped:
    // even the largest disc must miss the field.
    const int32_t cases[3][3] = {{36, 36, 7}, {4, 3, 7}, {36, 36, INT32_MAX}};
    for (const auto& c : cases) {
        const int32_t w = c[0];
        const int32_t h = c[1];
        TestField water(w, h);
        EffectState state;
        SetFancy(&state, 0, 5, 3, 2, 60, 10, 10);
        ASSERT_EQ(0, ComputeFancyRadii(state, w, h).rolling);
        ScriptedRandom script({0});
        EffectContext context = Context(w, h, script.Source(), c[2]);
        DropList drops;
        FancyTick(&state, context, &drops);
        ASSERT_EQ(15u, drops.size());
        for (const Drop& drop : drops) {
            EXPECT_EQ(DROP_NOWHERE, drop.x);
            EXPECT_EQ(DROP_NOWHERE, drop.y);
        }
        RunEffectTick(&state, context, EFFECT_FANCY, &water.field);
        EXPECT_EQ(0, water.NonZeroCount());
        EXPECT_TRUE(script.AllUsed());
    }
}

TEST(Fancy, EpicycleOnATinyFieldStaysInside)
{
    TestField water(36, 36);
    EffectState state;
    SetFancy(&state, 1, 1, 1, 2, 60, 10, 10);
    ScriptedRandom script({0});
    RunEffectTick(&state, Context(36, 36, script.Source(), 1), EFFECT_FANCY, &water.field);
    EXPECT_EQ(1536, water.At(18, 18 + 10));  // D = 10, R3 = 0
    EXPECT_EQ(1, water.NonZeroCount());
}

// ---------------------------------------------------------------------------------------

TEST(EffectTick, NoEffectsStampNothingAndDrawNothing)
{
    TestField water(64, 48);
    EffectState state;
    ScriptedRandom setup({1, 0, 0, 0, 5, 1, 2, 1, 2, 3, 4, 5, 6, 7});
    ResetEffects(&state, Context(64, 48, setup.Source()));
    ASSERT_TRUE(setup.AllUsed());
    ScriptedRandom script;
    for (uint32_t mask : {0u, 8u, 0xFFFFFFF8u})
        for (int tick = 0; tick < 10; ++tick)
            RunEffectTick(&state, Context(64, 48, script.Source()), mask, &water.field);
    EXPECT_EQ(0, water.NonZeroCount());
    EXPECT_TRUE(script.AllUsed());
}

TEST(EffectTick, AllEffectsGiveRainThenTheFlockInOrderThenFancyArmByArm)
{
    EffectState state;
    state.rainCount = 2;
    SetFlock(&state, 2, {{320, 240, 0, 240, 0}, {320, 240, 320, 479, 0}});
    SetFancy(&state, 1, 2, 2, 2, 60, 50, 50);
    ScriptedRandom script({651, 12, 13, 480 + 14, 0, 0, 0});
    DropList drops;
    MakeTickDrops(&state, Context(640, 480, script.Source(), 3, 2048),
                  EFFECT_RAIN | EFFECT_REBOUND | EFFECT_FANCY, &drops);
    EXPECT_TRUE(script.AllUsed());
    ASSERT_EQ(2u + 2u + 4u, drops.size());
    EXPECT_TRUE(DropAt(drops[0], 11, 12));
    EXPECT_TRUE(DropAt(drops[1], 13, 14));
    EXPECT_TRUE(DropAt(drops[2], 318, 240));
    EXPECT_TRUE(DropAt(drops[3], 320, 242));
    EXPECT_TRUE(DropAt(drops[4], 320, 240 + 107));  // arm 0 at angle 0
    EXPECT_GT(drops[5].x, 320);                       // arm 0, half a degree on
    EXPECT_TRUE(DropAt(drops[6], 320, 240 - 107));  // arm 1 at a half turn
    EXPECT_LT(drops[7].x, 320);
    for (const Drop& drop : drops) {
        EXPECT_EQ(3, drop.radius);
        EXPECT_EQ(2048, drop.height);
    }
}

TEST(EffectTick, ResetChanceIsDrawnOnlyForEnabledEffects)
{
    for (uint32_t mask = 0; mask < 8; ++mask) {
        EffectState state;
        state.rainCount = 1;
        SetFlock(&state, 2, {{320, 240, 0, 240, 0}});
        SetFancy(&state, 1, 1, 1, 2, 60, 50, 50);
        std::vector<int32_t> values;
        if (mask & EFFECT_RAIN) values.insert(values.end(), {1, 2, 99});
        if (mask & EFFECT_REBOUND) values.push_back(101);
        if (mask & EFFECT_FANCY) values.push_back(1101);
        ScriptedRandom script(values);
        DropList drops;
        MakeTickDrops(&state, Context(640, 480, script.Source()), mask, &drops);
        EXPECT_TRUE(script.AllUsed()) << "mask " << mask;
        EXPECT_EQ(1, state.rainCount);
        EXPECT_EQ(1, state.reboundCount);
        EXPECT_EQ(1, state.fancyArms);
    }
}

TEST(EffectTick, ChanceOf100ResetsJustThatEffect)
{
    EffectState state;
    state.rainCount = 1;
    SetFlock(&state, 2, {{320, 240, 0, 240, 0}});
    SetFancy(&state, 1, 1, 1, 2, 60, 50, 50);
    // Rain draws 1100, whose remainder is 100; Rebound and Fancy draw 100 itself.
    ScriptedRandom script({1, 2, 1100, 2, 100, 0, 0, 3, 0, 3, 10, 100, 1, 4, 2, 10, 39, 89, 0});
    DropList drops;
    MakeTickDrops(&state, Context(640, 480, script.Source()),
                  EFFECT_RAIN | EFFECT_REBOUND | EFFECT_FANCY, &drops);
    EXPECT_TRUE(script.AllUsed());
    EXPECT_EQ(3, state.rainCount);
    ASSERT_EQ(2, state.reboundCount);
    EXPECT_EQ(2, state.reboundSpeed);
    EXPECT_EQ(320, state.reboundStartX[0]);
    EXPECT_EQ(639, state.reboundTargetX[1]);
    EXPECT_EQ(10, state.reboundTargetY[1]);
    EXPECT_EQ(5, state.fancyArms);
    EXPECT_EQ(5u, state.fancyAngles.size());
    EXPECT_EQ(3u, drops.size());
}

TEST(EffectTick, DropsAreStampedFirstToLastSoTheLaterOneWins)
{
    TestField water(16, 8);
    EffectState state;
    state.rainCount = 2;
    ScriptedRandom script({5, 3, 6, 3, 0});
    RunEffectTick(&state, Context(16, 8, script.Source(), 2, 0x12345), EFFECT_RAIN, &water.field);
    EXPECT_TRUE(script.AllUsed());
    EXPECT_EQ(0x2345, water.At(4, 3));
    EXPECT_EQ(0x2345, water.At(5, 3));
    EXPECT_EQ(0x2345, water.At(6, 3));
    EXPECT_EQ(0x2345, water.At(7, 3));
    EXPECT_EQ(12, water.NonZeroCount());  // two overlapping 3 x 3 blocks

    DropList drops = {{5, 3, 2, 100}, {6, 3, 2, 200}};
    StampDrops(&water.field, drops);
    EXPECT_EQ(100, water.At(4, 3));
    EXPECT_EQ(200, water.At(5, 3));
    EXPECT_EQ(200, water.At(7, 3));
}

}  // namespace
