// The cost of each part of a saver frame under the platform: the five effect ticks with
// their stamps, the water step, and the way to the screen, both the 16-bit frame that the
// platform converts and the frame converted here to 32 bits. A real full-screen window of
// each size, its water warmed up until busy; the median over the frames of each part, in
// milliseconds.
//
//   saver_parts.exe [frames]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "ripple/effects.h"
#include "ripple/field.h"
#include "ripple/frame_bitmap.h"
#include "ripple/screen_output.h"
#include "settings/settings.h"

namespace {

const int TICKS_PER_FRAME = 5;
// Frames of ticks and steps before any is measured: the water a running saver shows is busy
// all over, not the calm it starts from.
const int WATER_WARM_UP_FRAMES = 200;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int32_t NextFromEngine(void* context)
{
    return static_cast<int32_t>((*static_cast<std::mt19937*>(context))() & 0x7FFF);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

struct Parts {
    double ticks, step, draw16, draw32;
};

Parts Measure(int32_t width, int32_t height, int frames)
{
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Surface mapA, mapB, background, frame;
    mapA.Create(width, height);
    mapB.Create(width, height);
    background.Create(width, height);
    frame.Create(width, height);
    std::mt19937 engine(2024);
    uint16_t* pixels = reinterpret_cast<uint16_t*>(background.bits);
    for (int64_t i = 0; i < int64_t(width) * height; ++i) pixels[i] = uint16_t(engine());
    const SaverSettings settings = DefaultSaverSettings();
    RippleField field;
    Init(&field, &mapA, &mapB, settings.rippleSize, settings.rippleDepth);
    EffectContext context{width, height, settings.dropSize, settings.dropWeight,
                          RandomSource{NextFromEngine, &engine}};
    EffectState effects;
    ResetEffects(&effects, context);
    SetFrameBitmapSize(width, height);
    ScreenOutput trueColour;
    trueColour.Prepare(width, height);
    ScreenOutput asItIs;

    for (int f = 0; f < WATER_WARM_UP_FRAMES; ++f) {
        for (int t = 0; t < TICKS_PER_FRAME; ++t)
            RunEffectTick(&effects, context, settings.effectMask, &field);
        StepAndRender(&field, pixels, 0, 0, width, height, reinterpret_cast<uint16_t*>(frame.bits),
                      0, 0, frame.pitch);
    }

    std::vector<double> ticks, step, draw16, draw32;
    const auto timed = [](std::vector<double>* into, const std::function<void()>& part) {
        const double start = Now();
        part();
        into->push_back(Now() - start);
    };
    const auto show = [&](ScreenOutput& output) {
        HDC dc = GetDC(window);
        output.Show(dc, 0, 0, frame.width, frame.height, frame);
        ReleaseDC(window, dc);
        GdiFlush();
    };
    for (int f = 0; f < frames + 20; ++f) {
        timed(&ticks, [&] {
            for (int t = 0; t < TICKS_PER_FRAME; ++t)
                RunEffectTick(&effects, context, settings.effectMask, &field);
        });
        timed(&step, [&] {
            StepAndRender(&field, pixels, 0, 0, width, height,
                          reinterpret_cast<uint16_t*>(frame.bits), 0, 0, frame.pitch);
        });
        timed(&draw16, [&] { show(asItIs); });
        PumpMessages();
        timed(&draw32, [&] { show(trueColour); });
        PumpMessages();
        if (f == 19) ticks.clear(), step.clear(), draw16.clear(), draw32.clear();  // warm-up
    }
    if (!trueColour.UsesTrueColour()) draw32.assign(1, 0.0);
    DestroyWindow(window);
    mapA.Release();
    mapB.Release();
    background.Release();
    frame.Release();
    return Parts{Median(ticks), Median(step), Median(draw16), Median(draw32)};
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 100;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    std::printf("%-10s %8s %8s %10s %10s %12s %12s\n", "frame", "ticks", "step", "draw 16", "draw 32",
                "whole (16)", "whole (32)");
    const int sizes[][2] = {{1024, 768}, {1920, 1080}, {3840, 2160}};
    for (const auto& size : sizes) {
        if (size[0] > screenWidth || size[1] > screenHeight) continue;
        const Parts p = Measure(size[0], size[1], frames);
        std::printf("%4dx%-5d %8.3f %8.3f %10.3f %10.3f %12.3f %12.3f\n", size[0], size[1], p.ticks,
                    p.step, p.draw16, p.draw32, p.ticks + p.step + p.draw16,
                    p.ticks + p.step + p.draw32);
    }
    std::printf("ms per frame, median of %d frames; draw 32 is 0 where the screen is not\n"
                "true-colour or the platform converts differently.\n",
                frames);
    return 0;
}
