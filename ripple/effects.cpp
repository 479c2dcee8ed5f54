// The three drop effects and the effect tick that runs them. Every random choice is one
// value of the random source reduced by a remainder, drawn in a fixed order; the curve
// arithmetic rounds to single precision exactly where the pattern's shape depends on it.
#include "ripple/effects.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const float FANCY_PI = 3.1415925f;         // a little below the single-precision pi
const float FANCY_DEGREE = 0.0027777778f;  // 1/360
const float FANCY_PERCENT = 0.01f;         // a little below 0.01: 18000 gives 179
// Half a degree: the arms' advance per point, formed in double from the two constants.
const double FANCY_STEP = static_cast<double>(FANCY_PI) * static_cast<double>(FANCY_DEGREE);

// A refused edge sends the drop elsewhere; only one standing on the right edge draws
// again. A source that never names an edge it may take would keep it drawing for ever, so
// after this many refusals it heads for the left edge, which is open to it.
const int MAX_TARGET_REFUSALS = 64;

bool HasField(const EffectContext& context)
{
    return context.width >= 2 && context.height >= 2;
}

// The integral value as an int32, or DROP_NOWHERE when it has none (an infinity, NaN, or a
// value beyond int32), so that a position without a value lands outside every field.
int32_t ToInt32(double integral)
{
    if (!(integral > -2147483649.0 && integral < 2147483648.0)) return DROP_NOWHERE;
    return static_cast<int32_t>(integral);
}

// Rounds to single precision; beyond the float range the result is an infinity, which the
// conversion above then refuses.
float Single(double value)
{
    if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

int32_t Hundredth(int64_t bracket)
{
    return ToInt32(std::trunc(static_cast<double>(bracket) * static_cast<double>(FANCY_PERCENT)));
}

void AppendDrop(const EffectContext& context, int32_t x, int32_t y, DropList* drops)
{
    Drop drop = {x, y, context.dropSize, context.dropWeight};
    drops->push_back(drop);
}

// A new target for a drop that has arrived at (sx, sy) on an edge: never along the edge it
// stands on, which is why the right edge takes every refused choice.
void ChooseReboundTarget(const EffectContext& context, int32_t sx, int32_t sy, int32_t* tx,
                         int32_t* ty)
{
    const RandomSource& random = context.random;
    const int32_t w = context.width;
    const int32_t h = context.height;
    for (int refusals = 0; refusals < MAX_TARGET_REFUSALS; ++refusals) {
        int32_t side = RandomBelow(random, 4);
        if (side == 0 && sy != 0) {
            *tx = RandomBelow(random, w);
            *ty = 0;
            return;
        }
        if (side == 1 && sy != h - 1) {
            *tx = RandomBelow(random, w);
            *ty = h - 1;
            return;
        }
        if (side == 2 && sx != 0) {
            *tx = 0;
            *ty = RandomBelow(random, h);
            return;
        }
        if (sx != w - 1) {
            *tx = w - 1;
            *ty = RandomBelow(random, h);
            return;
        }
    }
    *tx = 0;
    *ty = RandomBelow(random, h);
}

size_t FlockSize(const EffectState& state)
{
    size_t count = static_cast<size_t>(std::max(state.reboundCount, 0));
    return std::min({count, state.reboundStartX.size(), state.reboundStartY.size(),
                     state.reboundTargetX.size(), state.reboundTargetY.size(),
                     state.reboundProgress.size()});
}

}  // namespace

void ResetRain(EffectState* state, const EffectContext& context)
{
    state->rainCount = RandomBelow(context.random, 3) + 1;
}

void RainTick(EffectState* state, const EffectContext& context, DropList* drops)
{
    if (!HasField(context)) return;
    for (int32_t k = 0; k < state->rainCount; ++k) {
        int32_t x = RandomBelow(context.random, context.width);
        int32_t y = RandomBelow(context.random, context.height);
        AppendDrop(context, x, y, drops);
    }
}

void ResetRebound(EffectState* state, const EffectContext& context)
{
    state->reboundStartX.clear();
    state->reboundStartY.clear();
    state->reboundTargetX.clear();
    state->reboundTargetY.clear();
    state->reboundProgress.clear();
    if (!HasField(context)) {
        state->reboundCount = 0;
        state->reboundSpeed = 0;
        return;
    }

    const RandomSource& random = context.random;
    const int32_t w = context.width;
    const int32_t h = context.height;
    state->reboundCount = RandomBelow(random, 11) + 2;
    state->reboundSpeed = RandomBelow(random, 3) + 2;
    for (int32_t i = 0; i < state->reboundCount; ++i) {
        int32_t tx = 0;
        int32_t ty = 0;
        switch (RandomBelow(random, 4)) {
        case 0: tx = RandomBelow(random, w); ty = 0; break;
        case 1: tx = RandomBelow(random, w); ty = h - 1; break;
        case 2: tx = 0; ty = RandomBelow(random, h); break;
        default: tx = w - 1; ty = RandomBelow(random, h); break;
        }
        state->reboundStartX.push_back(w / 2);
        state->reboundStartY.push_back(h / 2);
        state->reboundTargetX.push_back(tx);
        state->reboundTargetY.push_back(ty);
        state->reboundProgress.push_back(0);
    }
}

// The arrival test comes before the move, so the last step of a leg may overshoot the
// target by up to S - 1 pixels; the drop is never stamped where its leg began.
void ReboundTick(EffectState* state, const EffectContext& context, DropList* drops)
{
    if (!HasField(context)) return;
    const size_t count = FlockSize(*state);
    const int32_t speed = state->reboundSpeed;
    for (size_t i = 0; i < count; ++i) {
        int32_t& sx = state->reboundStartX[i];
        int32_t& sy = state->reboundStartY[i];
        int32_t& tx = state->reboundTargetX[i];
        int32_t& ty = state->reboundTargetY[i];
        int32_t& progress = state->reboundProgress[i];

        int32_t dx = tx - sx;
        int32_t dy = ty - sy;
        if (std::abs(progress) >= std::max(std::abs(dx), std::abs(dy))) {
            sx = tx;
            sy = ty;
            ChooseReboundTarget(context, sx, sy, &tx, &ty);
            progress = 0;
            dx = tx - sx;
            dy = ty - sy;
        }

        const bool alongX = std::abs(dx) > std::abs(dy);
        const int32_t mainDiff = alongX ? dx : dy;
        const int32_t crossDiff = alongX ? dy : dx;
        const int32_t mainStart = alongX ? sx : sy;
        const int32_t crossStart = alongX ? sy : sx;
        progress += mainDiff > 0 ? speed : -speed;

        // A leg always leaves its edge, so the main difference is never 0 here; the test
        // only keeps the division defined whatever the state holds.
        double cross = crossStart;
        if (mainDiff != 0)
            cross = std::trunc(static_cast<double>(crossDiff) * static_cast<double>(progress) /
                                   static_cast<double>(mainDiff) +
                               static_cast<double>(crossStart));
        const int32_t along = ToInt32(static_cast<double>(mainStart) + progress);
        const int32_t across = ToInt32(cross);
        if (alongX)
            AppendDrop(context, along, across, drops);
        else
            AppendDrop(context, across, along, drops);
    }
}

void ResetFancy(EffectState* state, const EffectContext& context)
{
    const RandomSource& random = context.random;
    state->fancyCurve = RandomBelow(random, 2);
    state->fancyArms = RandomBelow(random, 5) + 1;
    state->fancyPointsPerArm = RandomBelow(random, 3) + 1;
    state->fancyLobes = RandomBelow(random, 11) + 2;
    state->fancyOuterPercent = RandomBelow(random, 40) + 60;
    state->fancyRollPercent = RandomBelow(random, 90) + 10;
    state->fancyPenPercent = RandomBelow(random, 90) + 10;

    state->fancyAngles.clear();
    for (int32_t a = 0; a < state->fancyArms; ++a) {
        double angle = static_cast<double>(a) * static_cast<double>(FANCY_PI) * 2 /
                       static_cast<double>(state->fancyArms);
        state->fancyAngles.push_back(Single(angle));
    }
}

FancyRadii ComputeFancyRadii(const EffectState& state, int32_t width, int32_t height)
{
    const int64_t half = std::min(width, height) / 2;
    FancyRadii radii;
    radii.outer = Hundredth(half * state.fancyOuterPercent);
    radii.rolling = Hundredth(static_cast<int64_t>(radii.outer) * state.fancyRollPercent);
    radii.pen = Hundredth(static_cast<int64_t>(radii.rolling) * state.fancyPenPercent);
    return radii;
}

// Sine goes to x and cosine to y, so angle 0 points straight down from the centre. The two
// terms of y are rounded to single precision before they are added, those of x are not;
// the pattern's exact pixels depend on that.
void FancyTick(EffectState* state, const EffectContext& context, DropList* drops)
{
    if (!HasField(context)) return;
    const FancyRadii radii = ComputeFancyRadii(*state, context.width, context.height);
    const double outer = radii.outer;
    const double rolling = radii.rolling;
    const double pen = radii.pen;
    const double d = outer - rolling;
    const double halfW = context.width / 2;
    const double halfH = context.height / 2;
    const size_t arms = std::min(static_cast<size_t>(std::max(state->fancyArms, 0)),
                                 state->fancyAngles.size());

    for (size_t a = 0; a < arms; ++a) {
        float theta = state->fancyAngles[a];
        for (int32_t p = 0; p < state->fancyPointsPerArm; ++p) {
            int32_t x = DROP_NOWHERE;
            int32_t y = DROP_NOWHERE;
            // The hypotrochoid has no finite value when the rolling circle has no size.
            bool hasPosition = true;
            float phi = 0.0f;
            if (state->fancyCurve == 0) {
                if (radii.rolling != 0) {
                    const float t = Single(-(outer * static_cast<double>(theta) / rolling));
                    phi = Single(static_cast<double>(t) + static_cast<double>(theta));
                } else {
                    hasPosition = false;
                }
            } else {
                const double turns = static_cast<double>(state->fancyLobes) + 1;
                phi = Single(turns * static_cast<double>(theta));
            }
            if (hasPosition) {
                const double th = theta;
                const double ph = phi;
                const double sumX = d * std::sin(th) + pen * std::sin(ph);
                const float downTheta = Single(d * std::cos(th));
                const float downPhi = Single(pen * std::cos(ph));
                const double sumY = static_cast<double>(downTheta) + static_cast<double>(downPhi);
                x = ToInt32(std::trunc(sumX) + halfW);
                y = ToInt32(std::trunc(sumY) + halfH);
            }
            AppendDrop(context, x, y, drops);
            theta = Single(static_cast<double>(theta) + FANCY_STEP);
        }
        state->fancyAngles[a] = theta;
    }
}

void ResetEffects(EffectState* state, const EffectContext& context)
{
    ResetRain(state, context);
    ResetRebound(state, context);
    ResetFancy(state, context);
}

void MakeTickDrops(EffectState* state, const EffectContext& context, uint32_t effectMask,
                   DropList* drops)
{
    if (effectMask & EFFECT_RAIN) {
        RainTick(state, context, drops);
        if (RandomBelow(context.random, 1000) == 100) ResetRain(state, context);
    }
    if (effectMask & EFFECT_REBOUND) {
        ReboundTick(state, context, drops);
        if (RandomBelow(context.random, 1000) == 100) ResetRebound(state, context);
    }
    if (effectMask & EFFECT_FANCY) {
        FancyTick(state, context, drops);
        if (RandomBelow(context.random, 1000) == 100) ResetFancy(state, context);
    }
}

void StampDrops(RippleField* field, const DropList& drops)
{
    for (const Drop& drop : drops) Stamp(field, drop.x, drop.y, drop.radius, drop.height);
}

void RunEffectTick(EffectState* state, const EffectContext& context, uint32_t effectMask,
                   RippleField* field)
{
    DropList drops;
    MakeTickDrops(state, context, effectMask, &drops);
    StampDrops(field, drops);
}
