// The water step written once for SIMD registers of any width and frames of either pixel
// type. Each instruction-set file supplies lane types (loads, stores, saturating 16-bit lane
// arithmetic and the drawing of refracted pixels, RGB565 or 32-bit); this file supplies the
// pass over the rows, with the drawing fused into it and the shortcuts for quiet and for
// still water.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "ripple/field.h"
#include "ripple/processor.h"

// Everything that holds code here is a template over the lane type, and every lane type
// lives in an unnamed namespace of its file. The instances are then private to the file that
// made them, so that code built for AVX2 never stands in for code built for SSE2 at link time
// (the few inline helpers of field.h that the pass calls are plain integer code).
namespace field_simd {

// What every lane type declares alike: its register, the number of 16-bit lanes in it, and
// the lane arithmetic that each instruction set spells the same way but for the prefix of
// its intrinsics and the name of its whole register: (__m128i, 8, _mm_, si128) for SSE2,
// (__m256i, 16, _mm256_, si256) for AVX2. A loud lane is one whose sample is not quiet (see
// IsQuiet): moved by the bias, quiet samples land on -32768..-16385 and louder ones above.
// StillLaneBytes has two bits per lane, set where the lane is not displaced. Beside these a
// lane type offers loads and stores of the whole register and of its first 8 and 4 lanes
// (shorter loads leave the other lanes 0), Stream, the store of a whole register or its
// first 8 lanes around the cache, Any, AllZero, EveryGroup, ClearFirstLane and
// DrawRefracted, the drawing of a register of displaced pixels, and Pixel, the type of the
// picture's and the frame's pixels: uint16_t (RGB565) or uint32_t (0x00RRGGBB).
#define FIELD_SIMD_LANES(REGISTER, WIDTH, P, SI)                                               \
    typedef REGISTER Vec;                                                                      \
    static constexpr int LANES = WIDTH;                                                        \
    static Vec Zero() { return P##setzero_##SI(); }                                            \
    static Vec And(Vec a, Vec b) { return P##and_##SI(a, b); }                                 \
    static Vec Or(Vec a, Vec b) { return P##or_##SI(a, b); }                                   \
    static Vec Adds(Vec a, Vec b) { return P##adds_epi16(a, b); }                              \
    static Vec Subs(Vec a, Vec b) { return P##subs_epi16(a, b); }                              \
    static Vec Halve(Vec a) { return P##srai_epi16(a, 1); }                                    \
    static Vec Shift(Vec a, __m128i count) { return P##sra_epi16(a, count); }                  \
    static Vec LoudLanes(Vec samples)                                                          \
    {                                                                                          \
        return P##cmpgt_epi16(P##add_epi16(samples, P##set1_epi16(-0x6000)),                  \
                              P##set1_epi16(-0x4001));                                         \
    }                                                                                          \
    static uint32_t StillLaneBytes(Vec gy, Vec hx)                                             \
    {                                                                                          \
        return uint32_t(P##movemask_epi8(P##cmpeq_epi16(P##or_##SI(gy, hx), Zero())));        \
    }

// The state of one pass: the maps, the picture and the lane constants.
template <typename V>
struct Pass {
    const int16_t* cur;
    int16_t* prev;
    const typename V::Pixel* background;
    int32_t width;
    int32_t height;
    int32_t sampleCount;
    // The sum of neighbours adds in one of three orders, by the position of the sample in
    // its group of four; the masks pick each order's lanes.
    typename V::Vec first;   // position 0
    typename V::Vec middle;  // positions 1 and 2
    typename V::Vec last;    // position 3
    __m128i damping;         // shift counts, already mapped into 0..15
    __m128i refraction;
    bool streaming;          // frame pixels are stored around the cache (see StreamsFrame)
};

// A frame of the screen's 32-bit pixels is stored around the cache: nothing reads it again
// in the pass, and a store that missed would first fetch the line it replaces, nearly a third
// more memory traffic in a pass that mostly waits on memory. Such stores take 16-byte aligned
// groups of four pixels, which every row of the frame gives, or none does.
template <typename Pixel>
bool StreamsFrame(const Pixel* frame, int32_t dx, int32_t x0, int32_t framePitch)
{
    const uintptr_t groupStart =
        reinterpret_cast<uintptr_t>(frame) + sizeof(Pixel) * uintptr_t(intptr_t(dx) - x0);
    return sizeof(Pixel) == 4 && framePitch % 16 == 0 && groupStart % 16 == 0;
}

// Stores the first WORDS 16-bit lanes of a register of frame pixels, around the cache where
// the pass streams its frame.
template <typename V, int WORDS>
inline void StorePixels(const Pass<V>& p, typename V::Pixel* out, typename V::Vec pixels)
{
    if constexpr (sizeof(typename V::Pixel) == 4) {
        if (p.streaming) {
            V::template Stream<WORDS>(out, pixels);
            return;
        }
    }
    V::template Store<WORDS>(out, pixels);
}

template <typename V>
struct Slopes {
    typename V::Vec gy;  // rows of vertical displacement
    typename V::Vec hx;  // pixels of horizontal displacement
};

// Where a row of the rectangle goes in the frame, and which groups of it are refracted.
template <typename V>
struct RowTarget {
    typename V::Pixel* frameRow;
    intptr_t shift;      // frame column minus field column
    int32_t firstGroup;  // field columns of the first and last group inside the rectangle
    int32_t lastGroup;
};

// A sample is quiet when it lies in -8192..8191. Four quiet neighbours add up within
// -32768..32764 however they are grouped, so no partial sum clips and the three orders of
// addition agree. LoudLanes marks the lanes outside these bounds.
template <typename V>
inline bool IsQuiet(int16_t sample)
{
    return uint16_t(sample + 0x2000) < 0x4000;
}

// What is known of a row of the current map: whether it is quiet, and whether it is
// silent, all zero.
struct RowState {
    bool quiet;
    bool silent;
};

// Gathers the state of a row a chunk at a time: its loud lanes, and the or of its samples.
// Lanes a short load leaves empty read as 0, which is both quiet and silent.
template <typename V>
struct RowSurvey {
    typename V::Vec loud;
    typename V::Vec heard;

    RowSurvey() : loud(V::Zero()), heard(V::Zero()) {}
    template <int N>
    void Add(const int16_t* row)
    {
        const typename V::Vec samples = V::template Load<N>(row);
        loud = V::Or(loud, V::LoudLanes(samples));
        heard = V::Or(heard, samples);
    }
    RowState State() const { return RowState{!V::Any(loud), V::AllZero(heard)}; }
};

// A row is read in whole registers, then in what is left: eight lanes where the register is
// wider and eight remain, then four.
template <typename V>
RowState SurveyRow(const int16_t* row, int32_t width)
{
    RowSurvey<V> survey;
    int32_t x = 0;
    for (; x + V::LANES <= width; x += V::LANES) survey.template Add<V::LANES>(row + x);
    if (V::LANES > 8 && x + 8 <= width) {
        survey.template Add<8>(row + x);
        x += 8;
    }
    if (x < width) survey.template Add<4>(row + x);
    return survey.State();
}

// True when both rows are all zero.
template <typename V>
bool RowsAreSilent(const int16_t* a, const int16_t* b, int32_t width)
{
    typename V::Vec heard = V::Zero();
    int32_t x = 0;
    for (; x + V::LANES <= width; x += V::LANES) {
        heard = V::Or(heard, V::Or(V::template Load<V::LANES>(a + x),
                                   V::template Load<V::LANES>(b + x)));
    }
    for (; x < width; x += 4)
        heard = V::Or(heard, V::Or(V::template Load<4>(a + x), V::template Load<4>(b + x)));
    return V::AllZero(heard);
}

// New heights of a register of samples from their neighbours and previous heights, and the
// slopes. The row below goes into the survey. QUIET promises that the other neighbours are
// quiet; the sum then needs one order of addition unless the row below is loud here.
template <typename V, bool QUIET>
inline typename V::Vec StepLanes(const Pass<V>& p, typename V::Vec left, typename V::Vec up,
                                 typename V::Vec down, typename V::Vec right,
                                 typename V::Vec previous, Slopes<V>* slopes, RowSurvey<V>* below)
{
    typedef typename V::Vec Vec;
    const Vec downLoud = V::LoudLanes(down);
    below->heard = V::Or(below->heard, down);
    Vec sum = V::Adds(V::Adds(V::Adds(left, up), down), right);
    if (!QUIET || V::Any(downLoud)) {
        below->loud = V::Or(below->loud, downLoud);
        const Vec upDown = V::Adds(up, down);
        const Vec sumMiddle = V::Adds(V::Adds(upDown, right), left);
        const Vec sumLast = V::Adds(V::Adds(upDown, left), right);
        sum = V::Or(V::Or(V::And(p.first, sum), V::And(p.middle, sumMiddle)),
                    V::And(p.last, sumLast));
    }
    Vec v = V::Subs(V::Halve(sum), previous);
    v = V::Subs(v, V::Shift(v, p.damping));
    slopes->gy = V::Shift(V::Subs(up, down), p.refraction);
    slopes->hx = V::Halve(V::Shift(V::Subs(left, right), p.refraction));
    return v;
}

// Frame pixels for lanes from..to-1 of the samples from n on, one lane at a time in 64 bits:
// the background at the displaced source where that lies inside the picture, else the
// sample's own pixel, which is also what an undisplaced lane gets. out is the pixel of lane
// `from`.
template <typename V>
void DrawOneByOne(const Pass<V>& p, int32_t n, const Slopes<V>& s, int from, int to,
                  typename V::Pixel* out)
{
    int16_t gy[V::LANES];
    int16_t hx[V::LANES];
    V::template Store<V::LANES>(gy, s.gy);
    V::template Store<V::LANES>(hx, s.hx);
    for (int lane = from; lane < to; ++lane) {
        const int64_t own = int64_t(n) + lane;
        const int64_t j = own + int64_t(gy[lane]) * p.width + hx[lane];
        out[lane - from] = p.background[j >= 0 && j < p.sampleCount ? j : own];
    }
}

// Advances the N samples from n on and returns their slopes. The first chunk of the pass has
// nothing carried in from the left.
template <typename V, int N, bool START, bool QUIET>
inline Slopes<V> Advance(const Pass<V>& p, int32_t n, RowSurvey<V>* below)
{
    const int16_t* c = p.cur + n;
    typename V::Vec left = V::template Load<N>(c - 1);
    if (START) left = V::ClearFirstLane(left);
    Slopes<V> s;
    const typename V::Vec v = StepLanes<V, QUIET>(
        p, left, V::template Load<N>(c - p.width), V::template Load<N>(c + p.width),
        V::template Load<N>(c + 1), V::template Load<N>(p.prev + n), &s, below);
    V::template Store<N>(p.prev + n, v);
    return s;
}

// Copies N pixels, N a multiple of 4, in registers of the lane type: N 16-bit pixels fill
// as many lanes, N 32-bit ones twice as many.
template <typename V, int N>
inline void CopyPixels(const Pass<V>& p, typename V::Pixel* out, const typename V::Pixel* in)
{
    const int WORDS = N * int(sizeof(typename V::Pixel)) / 2;
    if constexpr (WORDS <= V::LANES) {
        StorePixels<V, WORDS>(p, out, V::template Load<WORDS>(in));
    } else {
        const int PER_REGISTER = 2 * V::LANES / int(sizeof(typename V::Pixel));
        for (int i = 0; i < N; i += PER_REGISTER)
            StorePixels<V, V::LANES>(p, out + i, V::template Load<V::LANES>(in + i));
    }
}

// Draws lanes from..to-1 of the chunk at n; out is the frame pixel of lane `from`. Calm
// lanes need no more than a plain copy.
template <typename V, bool WIDE>
inline void Draw(const Pass<V>& p, int32_t n, const Slopes<V>& s, int from, int to,
                 typename V::Pixel* out)
{
    const uint64_t wanted = (uint64_t(1) << 2 * to) - (uint64_t(1) << 2 * from);
    if ((V::StillLaneBytes(s.gy, s.hx) & wanted) != wanted) {
        V::template DrawRefracted<WIDE>(p, n, s, from, to, out);
    } else if (to - from == V::LANES) {
        CopyPixels<V, V::LANES>(p, out, p.background + n);
    } else {
        for (int lane = from; lane < to; lane += 4)
            CopyPixels<V, 4>(p, out + (lane - from), p.background + n + lane);
    }
}

// A chunk of N lanes at column x that may lie partly outside the rectangle, or in a row not
// drawn.
template <typename V, int N, bool START, bool WIDE, bool QUIET>
inline void StepChunk(const Pass<V>& p, int32_t n, int32_t x, const RowTarget<V>* target,
                      RowSurvey<V>* below)
{
    const Slopes<V> s = Advance<V, N, START, QUIET>(p, n, below);
    if (!target) return;
    const int32_t before = target->firstGroup - x;
    const int32_t through = target->lastGroup + 4 - x;
    const int from = before <= 0 ? 0 : before >= N ? N : int(before);
    const int to = through <= 0 ? 0 : through >= N ? N : int(through);
    if (from < to) Draw<V, WIDE>(p, n, s, from, to, target->frameRow + (target->shift + x + from));
}

// The first chunk of the pass, the one chunk with nothing carried in, in the widest register
// that the row fills. Returns its number of lanes.
template <typename V, bool WIDE, bool QUIET>
int32_t StepFirstChunk(const Pass<V>& p, int32_t n, const RowTarget<V>* target, RowSurvey<V>* below)
{
    if (p.width >= V::LANES) {
        StepChunk<V, V::LANES, true, WIDE, QUIET>(p, n, 0, target, below);
        return V::LANES;
    }
    if (V::LANES > 8 && p.width >= 8) {
        StepChunk<V, 8, true, WIDE, QUIET>(p, n, 0, target, below);
        return 8;
    }
    StepChunk<V, 4, true, WIDE, QUIET>(p, n, 0, target, below);
    return 4;
}

// How far below the current row the picture is fetched into the cache ahead of use. The
// refracted pixels come from rows above and below, mostly within a few dozen; without the
// hint each new row of picture would arrive by scattered misses. Busy water reaches past 32
// rows often enough that looking 64 rows ahead is measurably faster when a step begins with
// cold caches, as every step of a saver that sleeps between frames does.
const int32_t PREFETCH_ROWS = 64;

// Steps row y, with the shorter sum where QUIET allows, and returns the state of row y + 1.
// Whole registers inside the rectangle, the bulk of every drawn row, take a loop without
// the edge tests.
template <typename V, bool WIDE, bool QUIET>
RowState StepRow(const Pass<V>& pass, int32_t y, const RowTarget<V>* target)
{
    const int32_t N = V::LANES;
    // A copy of its own, which the stores of the row cannot alias, stays in registers.
    const Pass<V> p = pass;
    const int32_t rowStart = y * p.width;
    RowSurvey<V> below;
    const int32_t aheadRow = y + PREFETCH_ROWS < p.height ? y + PREFETCH_ROWS : y;
    const typename V::Pixel* ahead = p.background + aheadRow * p.width;
    const int32_t chunkEnd = p.width & ~(N - 1);
    int32_t x = y == 1 ? StepFirstChunk<V, WIDE, QUIET>(p, rowStart, target, &below) : 0;
    if (!target) {
        for (; x < chunkEnd; x += N) Advance<V, N, false, QUIET>(p, rowStart + x, &below);
    } else {
        const int32_t insideBegin = (target->firstGroup + N - 1) & ~(N - 1);
        const int32_t insideEnd =
            target->lastGroup >= N - 4 ? ((target->lastGroup - (N - 4)) & ~(N - 1)) + N : 0;
        for (; x < chunkEnd && x < insideBegin; x += N)
            StepChunk<V, N, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
        for (; x < insideEnd; x += N) {
            _mm_prefetch(reinterpret_cast<const char*>(ahead + x), _MM_HINT_T0);
            const Slopes<V> s = Advance<V, N, false, QUIET>(p, rowStart + x, &below);
            Draw<V, WIDE>(p, rowStart + x, s, 0, N, target->frameRow + (target->shift + x));
        }
        for (; x < chunkEnd; x += N)
            StepChunk<V, N, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
    }
    if (N > 8 && x + 8 <= p.width) {
        StepChunk<V, 8, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
        x += 8;
    }
    if (x < p.width) StepChunk<V, 4, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
    return below.State();
}

// Rows yBegin..yEnd-1 of 1..H-2. Rows yBegin - 1 and yBegin are surveyed before the pass,
// each row after them while stepping the row above it. Row y may take the shorter sum when rows y - 1 and y are quiet, and the
// first sample of row y + 1, right of its last, too. Still water costs nothing: where rows
// y - 1 to y + 1 of the current map and row y of the previous one are all zero, the new
// heights are zero as they stand and the picture is undisplaced.
template <typename V, bool WIDE>
void StepRows(const Pass<V>& p, const RippleField* field, const typename V::Pixel* background,
              int32_t x0, int32_t y0, int32_t w, int32_t h, typename V::Pixel* frame, int32_t dx,
              int32_t dy, int32_t framePitch, int32_t yBegin, int32_t yEnd)
{
    RowTarget<V> target;
    target.shift = intptr_t(dx) - x0;
    target.firstGroup = (x0 + 3) & ~3;
    target.lastGroup = (x0 + w - 4) & ~3;
    const bool anyGroup = target.firstGroup <= target.lastGroup;
    RowState above = SurveyRow<V>(p.cur + (yBegin - 1) * p.width, p.width);
    RowState here = SurveyRow<V>(p.cur + yBegin * p.width, p.width);

    for (int32_t y = yBegin; y < yEnd; ++y) {
        const bool drawn = y >= y0 && y - y0 < h;
        if (drawn) target.frameRow = FrameRow(frame, framePitch, dy + y - y0);
        const int16_t* rowBelow = p.cur + (y + 1) * p.width;
        RowState below;
        if (above.silent && here.silent && RowsAreSilent<V>(rowBelow, p.prev + y * p.width, p.width)) {
            if (drawn) CopyBackground(field, background, x0, y, w, target.frameRow + dx);
            below = RowState{true, true};
        } else {
            if (drawn) {
                typename V::Pixel* out = target.frameRow + dx;
                // Columns of groups that straddle the rectangle's edges keep the still picture.
                if (!anyGroup) {
                    CopyBackground(field, background, x0, y, w, out);
                } else {
                    CopyBackground(field, background, x0, y, target.firstGroup - x0, out);
                    const int32_t tail = target.lastGroup + 4;
                    CopyBackground(field, background, tail, y, x0 + w - tail, out + (tail - x0));
                }
            }
            const RowTarget<V>* rowTarget = drawn && anyGroup ? &target : nullptr;
            const bool quiet = above.quiet && here.quiet && IsQuiet<V>(rowBelow[0]);
            below = quiet ? StepRow<V, WIDE, true>(p, y, rowTarget)
                          : StepRow<V, WIDE, false>(p, y, rowTarget);
        }
        above = here;
        here = below;
    }
}

// Rows yBegin..yEnd-1 of the step, a band of rows 1..H-2, for a request that has been
// checked. A row reads the current map, the picture and its own row of the previous map and
// writes only its own rows of the previous map and the frame, so bands may run at once.
template <typename V>
void StepBand(const RippleField* field, const typename V::Pixel* background, int32_t x0,
              int32_t y0, int32_t w, int32_t h, typename V::Pixel* frame, int32_t dx, int32_t dy,
              int32_t framePitch, int32_t yBegin, int32_t yEnd)
{
    if (yBegin < 1) yBegin = 1;
    if (yEnd > field->height - 1) yEnd = field->height - 1;
    if (yBegin >= yEnd) return;

    Pass<V> p;
    p.cur = field->current;
    p.prev = field->previous;
    p.background = background;
    p.width = field->width;
    p.height = field->height;
    p.sampleCount = field->sampleCount;
    p.first = V::EveryGroup(-1, 0, 0, 0);
    p.middle = V::EveryGroup(0, -1, -1, 0);
    p.last = V::EveryGroup(0, 0, 0, -1);
    p.damping = _mm_cvtsi32_si128(EffectiveShift(field->dampingShift));
    p.refraction = _mm_cvtsi32_si128(EffectiveShift(field->refractionShift));
    p.streaming = StreamsFrame(frame, dx, x0, framePitch);

    // Past 2^15 - 1 columns the source index no longer comes from one 16-bit multiply-add.
    if (p.width <= INT16_MAX)
        StepRows<V, false>(p, field, background, x0, y0, w, h, frame, dx, dy, framePitch, yBegin, yEnd);
    else
        StepRows<V, true>(p, field, background, x0, y0, w, h, frame, dx, dy, framePitch, yBegin, yEnd);
    // Stores around the cache are ordered only by a fence: whoever takes the frame from
    // here, another band's thread or the screen, must see them all.
    if (p.streaming) _mm_sfence();
}

// The whole step with the lane type V, run by each instruction set's entry; or, for a copy
// of the record that names a band, the band's rows alone, the rest of the step being left to
// whoever shares it out.
template <typename V>
void Step(RippleField* field, const typename V::Pixel* background, int32_t x0, int32_t y0,
          int32_t w, int32_t h, typename V::Pixel* frame, int32_t dx, int32_t dy,
          int32_t framePitch)
{
    if (!StepRequestIsValid(field, background, x0, y0, w, h, frame, dx, dy, framePitch)) return;
    if (field->bandEnd > 0) {
        StepBand<V>(field, background, x0, y0, w, h, frame, dx, dy, framePitch, field->bandBegin,
                    field->bandEnd);
        return;
    }
    CopyStillRows(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
    StepBand<V>(field, background, x0, y0, w, h, frame, dx, dy, framePitch, 1, field->height - 1);
    FinishStep(field);
}

}  // namespace field_simd
