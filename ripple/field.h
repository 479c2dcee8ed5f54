// The water surface: two height maps of signed 16-bit samples the size of the frame. Drops
// set discs of samples; once per frame one pass advances the wave equation by a step and
// draws the background, displaced by the water's slopes, into the frame: a frame of RGB565
// pixels, or one of the screen's own 32-bit pixels.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

struct RippleField {
    int16_t* current;         // heights now; drops are stamped here
    int16_t* previous;        // heights one step earlier; the step overwrites them
    int32_t width;            // W, a multiple of 4, at least 4
    int32_t height;           // H, at least 3
    int32_t rowBytes;         // 2 * W
    int32_t twoRowBytes;      // 4 * W
    int32_t sampleCount;      // W * H
    int32_t mapBytes;         // 2 * W * H
    int32_t endOffset;        // byte offset of row H - 1, where the step stops
    int32_t dampingShift;     // "Ripple Size"
    int32_t refractionShift;  // "Ripple Depth"
    int32_t columnCursor;     // where the last step stopped: column 0 of row H - 1
    int32_t rowCursor;
    // A copy of the record made for one band of a shared step has bandEnd above 0: its step
    // then advances rows bandBegin..bandEnd-1 only, leaving the rest of the step to others.
    int32_t bandBegin;
    int32_t bandEnd;
    // How many bands the rows of a step are shared among (0 or 1: the calling thread alone),
    // whether that number is settled (set, or chosen once and for all), and the durations of
    // the latest steps, in microseconds, that the choice is made from.
    int32_t stepBands;
    int32_t bandsSettled;
    int32_t timedSteps;
    int32_t stepMicros[5];
};

// Records the geometry of the two equal maps (the first becomes current) and clears both.
// Returns 0, or -1 when the maps cannot hold a field (missing or shared buffers, unequal
// sizes, W not a positive multiple of 4, H below 3, rows not exactly 2 * W bytes, more
// than 2^31 - 1 map bytes); the field is then left empty and every operation on it does
// nothing.
int Init(RippleField* field, Surface* currentMap, Surface* previousMap, int32_t dampingShift,
         int32_t refractionShift);

// Stops the worker threads of the field, if it has any, and leaves it empty. Init does the
// same first; the owner calls this where it lets the field go.
void ReleaseField(RippleField* field);

// Shares the rows of every later step among count bands, each on its own thread but the
// first, which is the thread that steps. 1 keeps the step on the calling thread; 0 returns
// to the choice made at run time, where a step is shared only on screens too large for one
// core. Returns the number of bands in use: 1 where no worker could be started.
int SetStepBands(RippleField* field, int count);

// Sets every sample of rows 1..H-2 inside the open disc of the radius to the low 16 bits of
// the height.
void Stamp(RippleField* field, int32_t x, int32_t y, int32_t radius, int32_t height);

// One step of the water with the refracted background drawn into the frame; field position
// (x0, y0) lands on frame pixel (dx, dy). Runs the step of ChosenStepPath(), with its rows
// shared among the field's bands (SetStepBands); the step has ended when it returns. A
// request that does not fit (see StepRequestIsValid) changes nothing.
void StepAndRender(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch);

// The implementations of the step. All give the same frame and maps bit for bit; they differ
// in speed and in what they ask of the processor.
enum StepPath {
    STEP_SCALAR,  // the readable reference
    STEP_SSE2,    // every processor the program runs on
    STEP_AVX2,    // gathers the refracted picture; where the processor and system offer AVX2
};

// StepAndRender with the step of the given path rather than the chosen one. The SIMD paths
// share the rows among the field's bands; the scalar path always runs alone.
void StepAndRenderOnPath(StepPath path, RippleField* field, const uint16_t* background,
                         int32_t x0, int32_t y0, int32_t w, int32_t h, uint16_t* frame,
                         int32_t dx, int32_t dy, int32_t framePitch);

// A step that draws pixels of one type, 16-bit RGB565 or 32-bit 0x00RRGGBB.
template <typename Pixel>
using PixelStepFunction = void (*)(RippleField* field, const Pixel* background, int32_t x0,
                                   int32_t y0, int32_t w, int32_t h, Pixel* frame, int32_t dx,
                                   int32_t dy, int32_t framePitch);
typedef PixelStepFunction<uint16_t> StepFunction;

// True when this processor, and the system that saves its registers, can run the path.
bool StepPathSupported(StepPath path);

// The step of a path, or null where the path is not supported.
StepFunction StepForPath(StepPath path);

// The path StepAndRender takes: the fastest supported, chosen once on first use.
StepPath ChosenStepPath();

// The step of each path. StepAndRenderAvx2 must only run where StepPathSupported says so.
void StepAndRenderScalar(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                         int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                         int32_t framePitch);
void StepAndRenderSse2(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                       int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                       int32_t framePitch);
void StepAndRenderAvx2(RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                       int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                       int32_t framePitch);

// The step that draws the screen's own pixels, 32-bit 0x00RRGGBB, from the picture kept in
// that form: the expansion (ExpandRgb565) of every pixel of the RGB565 picture, made once
// per picture. The water is the same bit for bit as after StepAndRender, and the frame is
// the expansion of the one StepAndRender draws from the RGB565 picture, so that no pass
// over a 16-bit frame is left between the water and the screen. framePitch is in bytes.
void StepAndRender32(RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                     int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                     int32_t framePitch);
void StepAndRenderOnPath32(StepPath path, RippleField* field, const uint32_t* background,
                           int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t* frame,
                           int32_t dx, int32_t dy, int32_t framePitch);

// As StepForPath, and each path's step as above; StepAndRender32Avx2 too runs only where
// StepPathSupported says so.
typedef PixelStepFunction<uint32_t> StepFunction32;
StepFunction32 StepForPath32(StepPath path);
void StepAndRender32Scalar(RippleField* field, const uint32_t* background, int32_t x0,
                           int32_t y0, int32_t w, int32_t h, uint32_t* frame, int32_t dx,
                           int32_t dy, int32_t framePitch);
void StepAndRender32Sse2(RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                         int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                         int32_t framePitch);
void StepAndRender32Avx2(RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                         int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                         int32_t framePitch);

// Pieces shared by the steps.

// A shift count outside 0..15 shifts as far as a 16-bit sample goes, leaving its sign.
inline int32_t EffectiveShift(int32_t count)
{
    return count < 0 || count > 15 ? 15 : count;
}

// True when the field is set up and the request stays inside what can be checked: both
// pointers present, the rectangle inside the field with w a positive multiple of 4 and
// h >= 1, dx and dy not negative, and the frame rows a whole number of pixels and wide
// enough for the rectangle at dx. The frame's height and the background's size remain the
// caller's.
bool StepRequestIsValid(const RippleField* field, const uint16_t* background, int32_t x0,
                        int32_t y0, int32_t w, int32_t h, const uint16_t* frame, int32_t dx,
                        int32_t dy, int32_t framePitch);
bool StepRequestIsValid(const RippleField* field, const uint32_t* background, int32_t x0,
                        int32_t y0, int32_t w, int32_t h, const uint32_t* frame, int32_t dx,
                        int32_t dy, int32_t framePitch);

// First pixel of a frame row.
template <typename Pixel>
inline Pixel* FrameRow(Pixel* frame, int32_t framePitch, int32_t row)
{
    return reinterpret_cast<Pixel*>(reinterpret_cast<uint8_t*>(frame) +
                                    static_cast<intptr_t>(row) * framePitch);
}

// Copies count background pixels of field row y from column x to the frame pixels at out.
void CopyBackground(const RippleField* field, const uint16_t* background, int32_t x, int32_t y,
                    int32_t count, uint16_t* out);
void CopyBackground(const RippleField* field, const uint32_t* background, int32_t x, int32_t y,
                    int32_t count, uint32_t* out);

// Copies rows 0 and H - 1 of the picture to the frame where the rectangle holds them: the
// water never moves there.
void CopyStillRows(const RippleField* field, const uint16_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint16_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch);
void CopyStillRows(const RippleField* field, const uint32_t* background, int32_t x0, int32_t y0,
                   int32_t w, int32_t h, uint32_t* frame, int32_t dx, int32_t dy,
                   int32_t framePitch);

// Ends a step: records where the pass stopped and makes the map just written current.
void FinishStep(RippleField* field);
