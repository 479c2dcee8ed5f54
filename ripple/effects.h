// The drop effects that decide where drops fall into the water: Rain scatters drops at
// random places, Rebound runs a flock from edge to edge, Fancy traces rotating curves
// around the centre. Each effect tick collects its drops in a DropList and stamps them.
#pragma once

#include <cstdint>
#include <vector>

#include "ripple/field.h"
#include "ripple/random_source.h"

// Bits of the settings' effect mask; other bits are ignored.
const uint32_t EFFECT_RAIN = 1;
const uint32_t EFFECT_REBOUND = 2;
const uint32_t EFFECT_FANCY = 4;

// Where a drop goes that has no position (a curve with no finite value there): the lowest
// position on both axes, where a disc of any radius a drop can have (drop sizes are used
// as stored, unclamped) still ends left of column 0 and above row 0, so Stamp writes nothing.
const int32_t DROP_NOWHERE = INT32_MIN;

// One disturbance, the four arguments of Stamp.
struct Drop {
    int32_t x;
    int32_t y;
    int32_t radius;
    int32_t height;
};

// The drops of one effect tick, in the order they were made.
typedef std::vector<Drop> DropList;

// The state of the three effects, which the scene keeps for its whole life. The rebound
// lists run in parallel, entry i of each belonging to rebound drop i.
struct EffectState {
    int32_t rainCount = 0;               // rain drops per tick
    int32_t reboundCount = 0;            // drops in the flock
    int32_t reboundSpeed = 0;            // pixels per tick along a leg's main direction
    std::vector<int32_t> reboundStartX;  // where the current leg began
    std::vector<int32_t> reboundStartY;
    std::vector<int32_t> reboundTargetX; // where it ends, on an edge of the field
    std::vector<int32_t> reboundTargetY;
    std::vector<int32_t> reboundProgress;  // signed distance along the main direction
    int32_t fancyCurve = 0;              // 0: hypotrochoid, 1: circle with an epicycle
    int32_t fancyArms = 0;
    int32_t fancyPointsPerArm = 0;       // drops per arm on each tick
    int32_t fancyLobes = 0;              // K, for the epicycle
    int32_t fancyOuterPercent = 0;       // p1, gives the outer radius
    int32_t fancyRollPercent = 0;        // p2, gives the rolling radius
    int32_t fancyPenPercent = 0;         // p3, gives the pen distance
    std::vector<float> fancyAngles;      // each arm's angle, in radians
};

// What the effects are handed besides their state: the field's size, the two drop
// settings and the random source. The effects need a field at least 2 x 2 (a real one is
// never under 4 x 3); on a smaller one they make no drops.
struct EffectContext {
    int32_t width;       // W
    int32_t height;      // H
    int32_t dropSize;    // radius of every drop
    int32_t dropWeight;  // height of every drop
    RandomSource random;
};

void ResetRain(EffectState* state, const EffectContext& context);
void RainTick(EffectState* state, const EffectContext& context, DropList* drops);

// A new flock, every drop heading from the centre to a point on an edge.
void ResetRebound(EffectState* state, const EffectContext& context);
// Moves every drop of the flock one step, appending one drop each.
void ReboundTick(EffectState* state, const EffectContext& context, DropList* drops);

// New curve parameters, the arms evenly spaced from angle 0.
void ResetFancy(EffectState* state, const EffectContext& context);
// Appends the points of every arm, arm by arm, advancing each arm half a degree a point.
void FancyTick(EffectState* state, const EffectContext& context, DropList* drops);

// The Fancy radii for the present field: outer R1, rolling R2 and pen distance R3.
struct FancyRadii {
    int32_t outer;
    int32_t rolling;
    int32_t pen;
};
FancyRadii ComputeFancyRadii(const EffectState& state, int32_t width, int32_t height);

// The three resets in the order the scene's setup runs them.
void ResetEffects(EffectState* state, const EffectContext& context);

// The drops of one effect tick: the enabled effects in the order Rain, Rebound, Fancy, each
// followed by its one-in-a-thousand chance of a reset.
void MakeTickDrops(EffectState* state, const EffectContext& context, uint32_t effectMask,
                   DropList* drops);

// Stamps the drops first to last, so that a later drop wins where discs overlap.
void StampDrops(RippleField* field, const DropList& drops);

// One effect tick: makes the tick's drops and stamps them into the field.
void RunEffectTick(EffectState* state, const EffectContext& context, uint32_t effectMask,
                   RippleField* field);
