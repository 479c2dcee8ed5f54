// Setting up the water, stamping drops, the plain scalar step (the readable statement of
// the saturating 16-bit arithmetic that the SIMD steps reproduce lane by lane), the
// choice among the steps by what the processor offers, and the sharing of a step's rows
// among worker threads where one core cannot keep up with the screen.
#include "ripple/field.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "ripple/processor.h"
#include "ripple/step_bands.h"

namespace {

int16_t Saturate(int32_t value)
{
    return static_cast<int16_t>(std::min<int32_t>(std::max<int32_t>(value, INT16_MIN), INT16_MAX));
}

int16_t Add(int16_t a, int16_t b) { return Saturate(int32_t(a) + b); }
int16_t Subtract(int16_t a, int16_t b) { return Saturate(int32_t(a) - b); }
int16_t Shift(int16_t value, int32_t count)
{
    return static_cast<int16_t>(value >> EffectiveShift(count));
}

// The sum of the four neighbours. The order of the saturating additions depends on the
// position k of the sample in its group of four: it is the order in which the four-lane
// step combines its shifted words, and it decides where a sum clips.
int16_t NeighbourSum(int32_t k, int16_t left, int16_t up, int16_t down, int16_t right)
{
    if (k == 0) return Add(Add(Add(left, up), down), right);
    if (k == 3) return Add(Add(Add(up, down), left), right);
    return Add(Add(Add(up, down), right), left);
}

bool MapFits(const Surface* map)
{
    return map && map->bits && map->width >= 4 && map->width % 4 == 0 && map->height >= 3 &&
           static_cast<int64_t>(map->pitch) == 2 * static_cast<int64_t>(map->width) &&
           2 * static_cast<int64_t>(map->width) * map->height <= INT32_MAX;
}

// Rows may be shared among up to this many bands; the choice at run time takes at most
// MAX_CHOSEN_BANDS, one per hardware thread, beyond which the memory bus, not the cores,
// sets the pace.
const int MAX_STEP_BANDS = 16;
const int MAX_CHOSEN_BANDS = 8;

// A step is shared only when one core cannot finish it within a quarter of the 50 ms frame
// period, judged by the median of the latest steps, and never on screens smaller than
// 1920 x 1080 (the preview, ordinary monitors), where a single core always keeps up.
const int64_t STEP_BUDGET_MICROS = 12500;
const int32_t MIN_SHARED_SAMPLES = 1920 * 1080;
const int TIMED_STEPS = 5;

}  // namespace

int Init(RippleField* field, Surface* currentMap, Surface* previousMap, int32_t dampingShift,
         int32_t refractionShift)
{
    if (!field) return -1;
    ReleaseField(field);
    if (!MapFits(currentMap) || !MapFits(previousMap) || currentMap->bits == previousMap->bits ||
        currentMap->width != previousMap->width || currentMap->height != previousMap->height)
        return -1;

    const int32_t w = currentMap->width;
    const int32_t h = currentMap->height;
    field->current = reinterpret_cast<int16_t*>(currentMap->bits);
    field->previous = reinterpret_cast<int16_t*>(previousMap->bits);
    field->width = w;
    field->height = h;
    field->rowBytes = 2 * w;
    field->twoRowBytes = 4 * w;
    field->sampleCount = w * h;
    field->mapBytes = 2 * w * h;
    field->endOffset = 2 * w * (h - 1);
    field->dampingShift = dampingShift;
    field->refractionShift = refractionShift;
    FillSurface(currentMap, 0);
    FillSurface(previousMap, 0);
    return 0;
}

void ReleaseField(RippleField* field)
{
    if (!field) return;
    StopStepBandPool(field);
    std::memset(field, 0, sizeof *field);
}

int SetStepBands(RippleField* field, int count)
{
    if (!field) return 1;
    StopStepBandPool(field);
    field->stepBands = 1;
    field->bandsSettled = count != 0;
    field->timedSteps = 0;
    count = std::min(count, MAX_STEP_BANDS);
    if (count > 1 && StartStepBandPool(field, count)) field->stepBands = count;
    return field->stepBands;
}

// The scan is clipped to the rows and columns that may be written before it starts, and
// the disc test runs in 64 bits, so that neither a huge radius nor a centre far outside
// the field costs time or overflows.
void Stamp(RippleField* field, int32_t x, int32_t y, int32_t radius, int32_t height)
{
    if (!field || !field->current || radius <= 0) return;
    const int16_t value = static_cast<int16_t>(static_cast<uint16_t>(height & 0xFFFF));
    const int64_t r = radius;
    const int64_t radiusSquared = r * r;
    const int64_t left = std::max<int64_t>(x - r, 0);
    const int64_t right = std::min<int64_t>(x + r - 1, field->width - 1);
    const int64_t top = std::max<int64_t>(y - r, 1);
    const int64_t bottom = std::min<int64_t>(y + r - 1, field->height - 2);

    for (int64_t j = top; j <= bottom; ++j) {
        const int64_t dy2 = (j - y) * (j - y);
        int16_t* row = field->current + j * field->width;
        for (int64_t i = left; i <= right; ++i)
            if ((i - x) * (i - x) + dy2 < radiusSquared) row[i] = value;
    }
}

namespace {

// The checks and copies below, for frames of either pixel type.
template <typename Pixel>
bool RequestFits(const RippleField* field, const Pixel* background, int32_t x0, int32_t y0,
                 int32_t w, int32_t h, const Pixel* frame, int32_t dx, int32_t dy,
                 int32_t framePitch)
{
    const int32_t pixelBytes = int32_t(sizeof(Pixel));
    if (!field || !field->current || !field->previous || !background || !frame) return false;
    if (w <= 0 || w % 4 != 0 || h <= 0 || x0 < 0 || y0 < 0) return false;
    if (int64_t(x0) + w > field->width || int64_t(y0) + h > field->height) return false;
    if (dx < 0 || dy < 0 || framePitch % pixelBytes != 0) return false;
    if (framePitch < pixelBytes * (int64_t(dx) + w)) return false;
    // Frame rows are numbered in 32 bits and their byte offsets must fit a pointer difference.
    return int64_t(dy) + h <= INT32_MAX && (int64_t(dy) + h) * framePitch <= INTPTR_MAX;
}

template <typename Pixel>
void CopyPicture(const RippleField* field, const Pixel* background, int32_t x, int32_t y,
                 int32_t count, Pixel* out)
{
    if (count > 0)
        std::memcpy(out, background + static_cast<intptr_t>(y) * field->width + x,
                    sizeof(Pixel) * count);
}

template <typename Pixel>
void CopyOuterRows(const RippleField* field, const Pixel* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, Pixel* frame, int32_t dx, int32_t dy,
                   int32_t framePitch)
{
    const int32_t last = field->height - 1;
    if (y0 == 0) CopyPicture(field, background, x0, 0, w, FrameRow(frame, framePitch, dy) + dx);
    if (y0 + h == field->height)
        CopyPicture(field, background, x0, last, w, FrameRow(frame, framePitch, dy + last - y0) + dx);
}

}  // namespace

bool StepRequestIsValid(const RippleField* field, const uint16_t* background, int32_t x0,
                        int32_t y0, int32_t w, int32_t h, const uint16_t* frame, int32_t dx,
                        int32_t dy, int32_t framePitch)
{
    return RequestFits(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

bool StepRequestIsValid(const RippleField* field, const uint32_t* background, int32_t x0,
                        int32_t y0, int32_t w, int32_t h, const uint32_t* frame, int32_t dx,
                        int32_t dy, int32_t framePitch)
{
    return RequestFits(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void CopyBackground(const RippleField* field, const uint16_t* background, int32_t x, int32_t y,
                    int32_t count, uint16_t* out)
{
    CopyPicture(field, background, x, y, count, out);
}

void CopyBackground(const RippleField* field, const uint32_t* background, int32_t x, int32_t y,
                    int32_t count, uint32_t* out)
{
    CopyPicture(field, background, x, y, count, out);
}

void CopyStillRows(const RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch)
{
    CopyOuterRows(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void CopyStillRows(const RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch)
{
    CopyOuterRows(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void FinishStep(RippleField* field)
{
    field->columnCursor = 0;
    field->rowCursor = field->height - 1;
    std::swap(field->current, field->previous);
}

namespace {

// The scalar step for either pixel type: the pixels are only ever copied from the picture,
// so the 32-bit frame is the 16-bit one expanded when the picture is.
template <typename Pixel>
void ScalarStep(RippleField* field, const Pixel* background, int32_t x0, int32_t y0, int32_t w,
                int32_t h, Pixel* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    if (!StepRequestIsValid(field, background, x0, y0, w, h, frame, dx, dy, framePitch)) return;

    // Phase 1: the still picture under the whole rectangle.
    for (int32_t row = 0; row < h; ++row)
        CopyBackground(field, background, x0, y0 + row, w, FrameRow(frame, framePitch, dy + row) + dx);

    // Phase 2: the step of rows 1..H-2, with the refracted picture where the water slopes.
    const int32_t width = field->width;
    const int16_t* cur = field->current;
    int16_t* prev = field->previous;
    for (int32_t y = 1; y <= field->height - 2; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int32_t n = y * width + x;
            const int32_t k = x % 4;
            const int16_t up = cur[n - width];
            const int16_t down = cur[n + width];
            const int16_t left = n == width ? 0 : cur[n - 1];  // the pass starts with nothing carried in
            const int16_t right = cur[n + 1];

            const int16_t sum = NeighbourSum(k, left, up, down, right);
            int16_t v = Subtract(Shift(sum, 1), prev[n]);
            v = Subtract(v, Shift(v, field->dampingShift));
            prev[n] = v;

            const int16_t gy = Shift(Subtract(up, down), field->refractionShift);
            const int16_t gx = Shift(Subtract(left, right), field->refractionShift);
            const int16_t hx = Shift(gx, 1);
            const int32_t groupX = x - k;
            const bool groupInside = groupX >= x0 && groupX <= x0 + w - 4 && y >= y0 && y <= y0 + h - 1;
            if (!groupInside || (gy == 0 && hx == 0)) continue;
            const int64_t source = int64_t(n) + int64_t(gy) * width + hx;
            if (source >= 0 && source < field->sampleCount)
                FrameRow(frame, framePitch, dy + y - y0)[dx + x - x0] = background[source];
        }
    }

    // Phase 3.
    FinishStep(field);
}

}  // namespace

void StepAndRenderScalar(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                         int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                         int32_t framePitch)
{
    ScalarStep(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void StepAndRender32Scalar(RippleField* field, const uint32_t* background, int32_t x0,
                           int32_t y0, int32_t w, int32_t h, uint32_t* frame, int32_t dx,
                           int32_t dy, int32_t framePitch)
{
    ScalarStep(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

bool StepPathSupported(StepPath path)
{
    switch (path) {
    case STEP_SCALAR:
    case STEP_SSE2:
        return true;  // the whole program is built for SSE2
    case STEP_AVX2:
        return ProcessorOffersAvx2();
    }
    return false;
}

namespace {

// The step of a path among the three, or null where the path is not supported.
template <typename Step>
Step SupportedStep(StepPath path, Step scalar, Step sse2, Step avx2)
{
    const Step steps[] = {scalar, sse2, avx2};
    return StepPathSupported(path) ? steps[path] : nullptr;
}

}  // namespace

StepFunction StepForPath(StepPath path)
{
    return SupportedStep(path, StepAndRenderScalar, StepAndRenderSse2, StepAndRenderAvx2);
}

StepFunction32 StepForPath32(StepPath path)
{
    return SupportedStep(path, StepAndRender32Scalar, StepAndRender32Sse2, StepAndRender32Avx2);
}

StepPath ChosenStepPath()
{
    static const StepPath chosen = StepPathSupported(STEP_AVX2) ? STEP_AVX2 : STEP_SSE2;
    return chosen;
}

namespace {

// One shared step: the request, and the path's step, which each band runs on a copy of the
// field's record that names its rows.
template <typename Pixel>
struct SharedStep {
    PixelStepFunction<Pixel> step;
    const RippleField* field;
    const Pixel* background;
    int32_t x0, y0, w, h;
    Pixel* frame;
    int32_t dx, dy, framePitch;
    int32_t bands;
};

// Rows 1..H-2 cut into bands of nearly equal height.
template <typename Pixel>
void StepOneBand(void* context, int band)
{
    const SharedStep<Pixel>& s = *static_cast<const SharedStep<Pixel>*>(context);
    const int64_t rows = s.field->height - 2;
    RippleField part = *s.field;
    part.bandBegin = 1 + int32_t(rows * band / s.bands);
    part.bandEnd = 1 + int32_t(rows * (band + 1) / s.bands);
    if (part.bandBegin < part.bandEnd)
        s.step(&part, s.background, s.x0, s.y0, s.w, s.h, s.frame, s.dx, s.dy, s.framePitch);
}

int HardwareThreads()
{
    static const int count = int(std::thread::hardware_concurrency());
    return count;
}

// Keeps the durations of the latest steps, and starts the bands once their median is over
// budget. Where no worker can be started the field stays on one thread for good.
void WeighStep(RippleField* field, int64_t micros)
{
    field->stepMicros[field->timedSteps % TIMED_STEPS] = int32_t(std::min<int64_t>(micros, INT32_MAX));
    if (++field->timedSteps < TIMED_STEPS) return;
    int32_t latest[TIMED_STEPS];
    std::copy(field->stepMicros, field->stepMicros + TIMED_STEPS, latest);
    std::nth_element(latest, latest + TIMED_STEPS / 2, latest + TIMED_STEPS);
    if (latest[TIMED_STEPS / 2] > STEP_BUDGET_MICROS)
        SetStepBands(field, std::min(HardwareThreads(), MAX_CHOSEN_BANDS));
}

// The step of a path, as stepForPath gives it, with its rows shared among the field's
// bands, or weighed for sharing, as StepAndRenderOnPath describes.
template <typename Pixel>
void StepOnPath(PixelStepFunction<Pixel> (*stepForPath)(StepPath), StepPath path,
                RippleField* field, const Pixel* background, int32_t x0, int32_t y0, int32_t w,
                int32_t h, Pixel* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    const PixelStepFunction<Pixel> step = stepForPath(path);
    if (!step || !StepRequestIsValid(field, background, x0, y0, w, h, frame, dx, dy, framePitch))
        return;
    StepBandPool* pool =
        field->stepBands > 1 && path != STEP_SCALAR ? FindStepBandPool(field) : nullptr;
    if (pool) {
        SharedStep<Pixel> shared{step, field, background, x0, y0, w, h, frame, dx, dy, framePitch,
                                 std::min({field->stepBands, pool->Bands(), field->height - 2})};
        CopyStillRows(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
        pool->Run(shared.bands, StepOneBand<Pixel>, &shared);
        FinishStep(field);
        return;
    }
    const bool weighed = !field->bandsSettled && field->stepBands <= 1 && path != STEP_SCALAR &&
                         field->sampleCount >= MIN_SHARED_SAMPLES && HardwareThreads() > 1;
    if (!weighed) {
        step(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
        return;
    }
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    step(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
    WeighStep(field, std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start).count());
}

}  // namespace

void StepAndRenderOnPath(StepPath path, RippleField* field, const uint16_t* background,
                         int32_t x0, int32_t y0, int32_t w, int32_t h, uint16_t* frame,
                         int32_t dx, int32_t dy, int32_t framePitch)
{
    StepOnPath(StepForPath, path, field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void StepAndRenderOnPath32(StepPath path, RippleField* field, const uint32_t* background,
                           int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t* frame,
                           int32_t dx, int32_t dy, int32_t framePitch)
{
    StepOnPath(StepForPath32, path, field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

void StepAndRender(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch)
{
    StepAndRenderOnPath(ChosenStepPath(), field, background, x0, y0, w, h, frame, dx, dy,
                        framePitch);
}

void StepAndRender32(RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                     int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                     int32_t framePitch)
{
    StepAndRenderOnPath32(ChosenStepPath(), field, background, x0, y0, w, h, frame, dx, dy,
                          framePitch);
}
