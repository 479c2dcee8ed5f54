// The step of the water in SSE2: eight 16-bit lanes (two groups of four samples) per
// register, with the drawing fused into the same pass, so that every frame pixel of the
// rectangle is written once, with either the still or the refracted picture.
#include <emmintrin.h>

#include "ripple/field.h"

namespace {

// The sum of neighbours adds in one of three orders, by the position of the sample in its
// group of four; the masks pick each order's lanes.
struct Lanes {
    __m128i first;       // position 0
    __m128i middle;      // positions 1 and 2
    __m128i last;        // position 3
    __m128i damping;     // shift counts, already mapped into 0..15
    __m128i refraction;
};

struct Slopes {
    __m128i gy;  // rows of vertical displacement
    __m128i hx;  // pixels of horizontal displacement
};

struct Pass {
    const int16_t* cur;
    int16_t* prev;
    const uint16_t* background;
    int32_t width;
    int32_t height;
    int32_t sampleCount;
    Lanes lanes;
};

// Where a row of the rectangle goes in the frame, and which groups of it are refracted.
struct RowTarget {
    uint16_t* frameRow;
    intptr_t shift;      // frame column minus field column
    int32_t firstGroup;  // field columns of the first and last group inside the rectangle
    int32_t lastGroup;
};

template <int LANES>
inline __m128i Load(const void* p)
{
    return LANES == 8 ? _mm_loadu_si128(static_cast<const __m128i*>(p))
                      : _mm_loadl_epi64(static_cast<const __m128i*>(p));
}

template <int LANES>
inline void Store(void* p, __m128i value)
{
    if (LANES == 8)
        _mm_storeu_si128(static_cast<__m128i*>(p), value);
    else
        _mm_storel_epi64(static_cast<__m128i*>(p), value);
}

// A sample is quiet when it lies in -8192..8191. Four quiet neighbours add up within
// -32768..32764 however they are grouped, so no partial sum clips and the three orders of
// addition agree. Moved by the bias, quiet samples land on -32768..-16385 and louder ones
// above; a lane is set where the sample is loud.
inline __m128i LoudLanes(__m128i samples)
{
    return _mm_cmpgt_epi16(_mm_add_epi16(samples, _mm_set1_epi16(-0x6000)),
                           _mm_set1_epi16(-0x4001));
}

inline bool AnyLoud(__m128i loud) { return _mm_movemask_epi8(loud) != 0; }

// The same test for a single sample.
inline bool IsQuiet(int16_t sample) { return uint16_t(sample + 0x2000) < 0x4000; }

inline bool AllZero(__m128i words)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi16(words, _mm_setzero_si128())) == 0xFFFF;
}

// What is known of a row of the current map: whether it is quiet, and whether it is
// silent, all zero.
struct RowState {
    bool quiet;
    bool silent;
};

// Gathers the state of a row a chunk at a time: its loud lanes, and the or of its samples.
struct RowSurvey {
    __m128i loud;
    __m128i heard;

    RowSurvey() : loud(_mm_setzero_si128()), heard(_mm_setzero_si128()) {}
    void Add(__m128i samples, __m128i loudLanes)
    {
        loud = _mm_or_si128(loud, loudLanes);
        heard = _mm_or_si128(heard, samples);
    }
    RowState State() const { return RowState{!AnyLoud(loud), AllZero(heard)}; }
};

RowState SurveyRow(const int16_t* row, int32_t width)
{
    RowSurvey survey;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i samples = Load<8>(row + x);
        survey.Add(samples, LoudLanes(samples));
    }
    if (x < width) {
        const __m128i samples = Load<4>(row + x);
        survey.Add(samples, LoudLanes(samples));
    }
    return survey.State();
}

// True when both rows are all zero.
bool RowsAreSilent(const int16_t* a, const int16_t* b, int32_t width)
{
    __m128i heard = _mm_setzero_si128();
    int32_t x = 0;
    for (; x + 8 <= width; x += 8)
        heard = _mm_or_si128(heard, _mm_or_si128(Load<8>(a + x), Load<8>(b + x)));
    if (x < width) heard = _mm_or_si128(heard, _mm_or_si128(Load<4>(a + x), Load<4>(b + x)));
    return AllZero(heard);
}

// New heights of eight samples from their neighbours and previous heights, and the slopes.
// The row below goes into the survey. QUIET promises that the other neighbours are
// quiet; the sum then needs one order of addition unless the row below is loud here.
template <bool QUIET>
inline __m128i StepLanes(const Lanes& lanes, __m128i left, __m128i up, __m128i down,
                         __m128i right, __m128i previous, Slopes* slopes, RowSurvey* below)
{
    const __m128i downLoud = LoudLanes(down);
    below->heard = _mm_or_si128(below->heard, down);
    __m128i sum = _mm_adds_epi16(_mm_adds_epi16(_mm_adds_epi16(left, up), down), right);
    if (!QUIET || AnyLoud(downLoud)) {
        below->loud = _mm_or_si128(below->loud, downLoud);
        const __m128i upDown = _mm_adds_epi16(up, down);
        const __m128i sumMiddle = _mm_adds_epi16(_mm_adds_epi16(upDown, right), left);
        const __m128i sumLast = _mm_adds_epi16(_mm_adds_epi16(upDown, left), right);
        sum = _mm_or_si128(_mm_or_si128(_mm_and_si128(lanes.first, sum),
                                        _mm_and_si128(lanes.middle, sumMiddle)),
                           _mm_and_si128(lanes.last, sumLast));
    }
    __m128i v = _mm_subs_epi16(_mm_srai_epi16(sum, 1), previous);
    v = _mm_subs_epi16(v, _mm_sra_epi16(v, lanes.damping));
    slopes->gy = _mm_sra_epi16(_mm_subs_epi16(up, down), lanes.refraction);
    slopes->hx = _mm_srai_epi16(_mm_sra_epi16(_mm_subs_epi16(left, right), lanes.refraction), 1);
    return v;
}

// Frame pixels for lanes from..to-1 of the samples from n on: the background at the
// displaced source where that lies inside the picture, else the sample's own pixel, which
// is also what an undisplaced lane gets. out is the pixel of lane `from`.
template <bool WIDE>
inline void DrawRefracted(const Pass& p, int32_t n, const Slopes& s, int from, int to, uint16_t* out)
{
    if (WIDE) {
        int16_t gy[8];
        int16_t hx[8];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(gy), s.gy);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hx), s.hx);
        for (int lane = from; lane < to; ++lane) {
            const int64_t own = int64_t(n) + lane;
            const int64_t j = own + int64_t(gy[lane]) * p.width + hx[lane];
            out[lane - from] = p.background[j >= 0 && j < p.sampleCount ? j : own];
        }
        return;
    }

    // gy * W + hx as one multiply-add of the pairs (gy, hx) and (W, 1), W being below 2^15;
    // with W * H below 2^30 the source index fits 32 bits. It lies inside the picture when
    // it is below W * H taken as unsigned, compared with both sides offset by 2^31.
    const __m128i weights = _mm_set1_epi32((1 << 16) | p.width);
    const __m128i bias = _mm_set1_epi32(INT32_MIN);
    const __m128i limit = _mm_set1_epi32(int32_t(uint32_t(p.sampleCount) ^ 0x80000000u));
    const __m128i own0 = _mm_add_epi32(_mm_set1_epi32(n), _mm_set_epi32(3, 2, 1, 0));
    const __m128i own1 = _mm_add_epi32(own0, _mm_set1_epi32(4));
    const __m128i offset0 = _mm_madd_epi16(_mm_unpacklo_epi16(s.gy, s.hx), weights);
    const __m128i offset1 = _mm_madd_epi16(_mm_unpackhi_epi16(s.gy, s.hx), weights);
    const __m128i keep0 = _mm_cmpgt_epi32(limit, _mm_xor_si128(_mm_add_epi32(own0, offset0), bias));
    const __m128i keep1 = _mm_cmpgt_epi32(limit, _mm_xor_si128(_mm_add_epi32(own1, offset1), bias));
    uint32_t source[8];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(source),
                     _mm_add_epi32(own0, _mm_and_si128(keep0, offset0)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(source + 4),
                     _mm_add_epi32(own1, _mm_and_si128(keep1, offset1)));
    for (int lane = from; lane < to; ++lane) out[lane - from] = p.background[source[lane]];
}

// Advances the LANES samples from n on and returns their slopes. The first chunk of the
// pass has nothing carried in from the left.
template <int LANES, bool START, bool QUIET>
inline Slopes Advance(const Pass& p, int32_t n, RowSurvey* below)
{
    const int16_t* c = p.cur + n;
    __m128i left = Load<LANES>(c - 1);
    if (START) left = _mm_insert_epi16(left, 0, 0);
    Slopes s;
    const __m128i v = StepLanes<QUIET>(p.lanes, left, Load<LANES>(c - p.width),
                                       Load<LANES>(c + p.width), Load<LANES>(c + 1),
                                       Load<LANES>(p.prev + n), &s, below);
    Store<LANES>(p.prev + n, v);
    return s;
}

// Draws lanes from..to-1 of the chunk at n; out is the frame pixel of lane `from`. Calm
// lanes need no more than a plain copy.
template <bool WIDE>
inline void Draw(const Pass& p, int32_t n, const Slopes& s, int from, int to, uint16_t* out)
{
    const int wanted = (1 << 2 * to) - (1 << 2 * from);
    const int still = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(s.gy, s.hx), _mm_setzero_si128()));
    if ((still & wanted) != wanted)
        DrawRefracted<WIDE>(p, n, s, from, to, out);
    else if (to - from == 8)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.background + n)));
    else
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.background + n + from)));
}

// A chunk at column x that may lie partly outside the rectangle, or in a row not drawn.
template <int LANES, bool START, bool WIDE, bool QUIET>
inline void StepChunk(const Pass& p, int32_t n, int32_t x, const RowTarget* target,
                      RowSurvey* below)
{
    const Slopes s = Advance<LANES, START, QUIET>(p, n, below);
    if (!target) return;
    const int from = x >= target->firstGroup ? 0 : x + 4 >= target->firstGroup ? 4 : LANES;
    const int to = LANES == 8 && x + 4 <= target->lastGroup ? 8 : x <= target->lastGroup ? 4 : 0;
    if (from < to) Draw<WIDE>(p, n, s, from, to, target->frameRow + (target->shift + x + from));
}

// How far below the current row the picture is fetched into the cache ahead of use. The
// refracted pixels come from rows above and below, mostly within a few dozen; without
// the hint each new row of picture would arrive by scattered misses.
const int32_t PREFETCH_ROWS = 32;

// Steps row y, with the shorter sum where QUIET allows, and returns the state of row y + 1.
// Chunks of eight lanes wholly inside the rectangle, the bulk of every drawn row, take a
// loop without the edge tests. The first chunk of the pass, the one chunk with nothing
// carried in, is taken first.
template <bool WIDE, bool QUIET>
RowState StepRow(const Pass& pass, int32_t y, const RowTarget* target)
{
    // A copy of its own, which the stores of the row cannot alias, stays in registers.
    const Pass p = pass;
    const int32_t rowStart = y * p.width;
    RowSurvey below;
    const int32_t aheadRow = y + PREFETCH_ROWS < p.height ? y + PREFETCH_ROWS : y;
    const char* ahead = reinterpret_cast<const char*>(p.background + aheadRow * p.width);
    const int32_t chunkEnd = p.width & ~7;
    int32_t x = 0;
    if (y == 1 && p.width >= 8) {
        StepChunk<8, true, WIDE, QUIET>(p, rowStart, 0, target, &below);
        x = 8;
    } else if (y == 1) {
        StepChunk<4, true, WIDE, QUIET>(p, rowStart, 0, target, &below);
        x = 4;
    }
    if (!target) {
        for (; x < chunkEnd; x += 8) Advance<8, false, QUIET>(p, rowStart + x, &below);
    } else {
        const int32_t insideBegin = (target->firstGroup + 7) & ~7;
        const int32_t insideEnd = target->lastGroup >= 4 ? ((target->lastGroup - 4) & ~7) + 8 : 0;
        for (; x < chunkEnd && x < insideBegin; x += 8)
            StepChunk<8, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
        for (; x < insideEnd; x += 8) {
            _mm_prefetch(ahead + 2 * x, _MM_HINT_T0);
            const Slopes s = Advance<8, false, QUIET>(p, rowStart + x, &below);
            Draw<WIDE>(p, rowStart + x, s, 0, 8, target->frameRow + (target->shift + x));
        }
        for (; x < chunkEnd; x += 8)
            StepChunk<8, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
    }
    if (x < p.width) StepChunk<4, false, WIDE, QUIET>(p, rowStart + x, x, target, &below);
    return below.State();
}

// Rows 1..H-2. Rows 0 and 1 are surveyed before the pass, each row after them while
// stepping the row above it. Row y may take the shorter sum when rows y - 1 and y are
// quiet, and the first sample of row y + 1, right of its last, too. Still water costs
// nothing: where rows y - 1 to y + 1 of the current map and row y of the previous one
// are all zero, the new heights are zero as they stand and the picture is undisplaced.
template <bool WIDE>
void StepRows(const Pass& p, const RippleField* field, const uint16_t* background,
              int32_t x0, int32_t y0, int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
              int32_t framePitch)
{
    RowTarget target;
    target.shift = intptr_t(dx) - x0;
    target.firstGroup = (x0 + 3) & ~3;
    target.lastGroup = (x0 + w - 4) & ~3;
    const bool anyGroup = target.firstGroup <= target.lastGroup;
    RowState above = SurveyRow(p.cur, p.width);
    RowState here = SurveyRow(p.cur + p.width, p.width);

    for (int32_t y = 1; y <= p.height - 2; ++y) {
        const bool drawn = y >= y0 && y - y0 < h;
        if (drawn) target.frameRow = FrameRow(frame, framePitch, dy + y - y0);
        const int16_t* rowBelow = p.cur + (y + 1) * p.width;
        RowState below;
        if (above.silent && here.silent && RowsAreSilent(rowBelow, p.prev + y * p.width, p.width)) {
            if (drawn) CopyBackground(field, background, x0, y, w, target.frameRow + dx);
            below = RowState{true, true};
        } else {
            if (drawn) {
                uint16_t* out = target.frameRow + dx;
                // Columns of groups that straddle the rectangle's edges keep the still picture.
                if (!anyGroup) {
                    CopyBackground(field, background, x0, y, w, out);
                } else {
                    CopyBackground(field, background, x0, y, target.firstGroup - x0, out);
                    const int32_t tail = target.lastGroup + 4;
                    CopyBackground(field, background, tail, y, x0 + w - tail, out + (tail - x0));
                }
            }
            const RowTarget* rowTarget = drawn && anyGroup ? &target : nullptr;
            below = above.quiet && here.quiet && IsQuiet(rowBelow[0])
                        ? StepRow<WIDE, true>(p, y, rowTarget)
                        : StepRow<WIDE, false>(p, y, rowTarget);
        }
        above = here;
        here = below;
    }
}

}  // namespace

// On 32-bit Windows a window procedure may be entered with a stack aligned to 4 bytes
// only, while spilled SSE registers need 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void StepAndRender(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch)
{
    if (!StepRequestIsValid(field, background, x0, y0, w, h, frame, dx, dy, framePitch)) return;

    const int32_t height = field->height;
    Pass p;
    p.cur = field->current;
    p.prev = field->previous;
    p.background = background;
    p.width = field->width;
    p.height = height;
    p.sampleCount = field->sampleCount;
    p.lanes.first = _mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    p.lanes.middle = _mm_set_epi16(0, -1, -1, 0, 0, -1, -1, 0);
    p.lanes.last = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    p.lanes.damping = _mm_cvtsi32_si128(EffectiveShift(field->dampingShift));
    p.lanes.refraction = _mm_cvtsi32_si128(EffectiveShift(field->refractionShift));

    // Rows 0 and H - 1 never move: their frame pixels are the still picture.
    if (y0 == 0) CopyBackground(field, background, x0, 0, w, FrameRow(frame, framePitch, dy) + dx);
    if (y0 + h == height)
        CopyBackground(field, background, x0, height - 1, w,
                       FrameRow(frame, framePitch, dy + height - 1 - y0) + dx);

    // Past 2^15 - 1 columns the source index no longer comes from one 16-bit multiply-add.
    if (p.width <= INT16_MAX)
        StepRows<false>(p, field, background, x0, y0, w, h, frame, dx, dy, framePitch);
    else
        StepRows<true>(p, field, background, x0, y0, w, h, frame, dx, dy, framePitch);

    FinishStep(field);
}
