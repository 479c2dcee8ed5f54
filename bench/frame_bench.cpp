// Cost of one frame of the scene, without the platform's drawing: the five effect ticks
// that fall between two frames (drops of rain, rebound and fancy, and their stamps) plus
// the water step, against the step alone, at three screen sizes; the frame in the screen's
// 32-bit pixels drawn by the step itself against the RGB565 step followed by the expansion
// of its frame, back to back and paced as the saver runs them; and at 7680 x 4320, where one
// core falls behind, with the step on one thread against its rows shared among threads.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/best_time_reporter.h"
#include "gfx/surface.h"
#include "ripple/effects.h"
#include "ripple/field.h"
#include "ripple/pixel_convert.h"
#include "settings/settings.h"

namespace {

const int TICKS_PER_FRAME = 5;  // a 10 ms effect timer under a 50 ms frame timer
const int WARM_UP_FRAMES = 100;

struct Size {
    int32_t width;
    int32_t height;
};

const Size SIZES[] = {{1024, 768}, {1920, 1080}, {3840, 2160}};
const Size HUGE_SIZE = {7680, 4320};

int32_t NextFromEngine(void* context)
{
    return static_cast<int32_t>((*static_cast<std::mt19937*>(context))() & 0x7FFF);
}

// How a step draws the frame: RGB565; RGB565 and then expanded to 32-bit pixels, as the
// hosts did; or 32-bit pixels drawn by the step itself.
enum Drawing { RGB565, WIDENED, FUSED };
const char* const DRAWING_SUFFIXES[] = {"", "/widened", "/fused"};

// The scene's surfaces, field and effects with the default settings and all three effects,
// run for a few seconds of saver time so that the water is as busy as it stays.
struct FrameScene {
    Surface mapA, mapB, background, frame;
    std::vector<uint32_t> background32, pixels;
    RippleField field;
    EffectState effects;
    std::mt19937 engine;
    EffectContext context;
    SaverSettings settings;

    explicit FrameScene(Size size) : field(), engine(2024), settings(DefaultSaverSettings())
    {
        mapA.Create(size.width, size.height);
        mapB.Create(size.width, size.height);
        background.Create(size.width, size.height);
        frame.Create(size.width, size.height);
        uint16_t* picture = reinterpret_cast<uint16_t*>(background.bits);
        const size_t count = size_t(size.width) * size.height;
        for (size_t i = 0; i < count; ++i) picture[i] = uint16_t(engine());
        background32.resize(count);
        pixels.resize(count);
        ExpandRgb565Row(picture, background32.data(), count);
        Init(&field, &mapA, &mapB, settings.rippleSize, settings.rippleDepth);
        context = EffectContext{size.width, size.height, settings.dropSize, settings.dropWeight,
                                RandomSource{NextFromEngine, &engine}};
        ResetEffects(&effects, context);
        for (int f = 0; f < WARM_UP_FRAMES; ++f) {
            Ticks();
            Step();
        }
    }
    ~FrameScene()
    {
        ReleaseField(&field);
        mapA.Release();
        mapB.Release();
        background.Release();
        frame.Release();
    }

    void Ticks()
    {
        for (int t = 0; t < TICKS_PER_FRAME; ++t)
            RunEffectTick(&effects, context, settings.effectMask, &field);
    }
    void Step(Drawing drawing = RGB565)
    {
        if (drawing == FUSED) {
            StepAndRender32(&field, background32.data(), 0, 0, field.width, field.height,
                            pixels.data(), 0, 0, 4 * field.width);
            return;
        }
        StepAndRender(&field, reinterpret_cast<const uint16_t*>(background.bits), 0, 0,
                      field.width, field.height, reinterpret_cast<uint16_t*>(frame.bits), 0, 0,
                      frame.pitch);
        if (drawing == WIDENED)
            ExpandRgb565Row(reinterpret_cast<const uint16_t*>(frame.bits), pixels.data(), pixels.size());
    }
};

std::string SizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

// What a run times: the whole frame, the step with the ticks run untimed, or the ticks
// with the step run untimed; or the step after the pause that the saver makes between two
// frames, which it begins with cold caches: timed back to back, the step finds much of its
// memory still cached and is no measure of the saver. Every kind keeps the water moving the
// same way.
enum Part { WHOLE_FRAME, STEP_ONLY, TICKS_ONLY, PACED_STEP };
const int PACE_MS = 45;          // the frame period less a step
const int PACED_FRAMES = 40;

// Warming a scene up takes longer than measuring it, so each size keeps one for all runs.
FrameScene& SharedScene(Size size)
{
    static std::map<std::string, std::unique_ptr<FrameScene>> scenes;
    std::unique_ptr<FrameScene>& scene = scenes[SizeName(size)];
    if (!scene) scene.reset(new FrameScene(size));
    return *scene;
}

// bands 0 leaves the field to choose, as the saver does.
void RunFrame(benchmark::State& state, Size size, Part part, int bands, Drawing drawing)
{
    FrameScene& scene = SharedScene(size);
    if (bands > 0 && SetStepBands(&scene.field, bands) != bands) {
        state.SkipWithError("the worker threads could not be started");
        return;
    }
    for (auto _ : state) {
        const bool stepAlone = part == STEP_ONLY || part == PACED_STEP;
        if (stepAlone) state.PauseTiming();
        scene.Ticks();
        if (part == PACED_STEP) std::this_thread::sleep_for(std::chrono::milliseconds(PACE_MS));
        if (stepAlone) state.ResumeTiming();
        if (part == TICKS_ONLY) state.PauseTiming();
        scene.Step(drawing);
        if (part == TICKS_ONLY) state.ResumeTiming();
        benchmark::ClobberMemory();
    }
}

const char* const PART_NAMES[] = {"Frame", "Step", "Ticks", "PacedStep"};

std::string BandsName(int bands) { return std::to_string(bands) + (bands == 1 ? "band" : "bands"); }

// One thread, two, and every hardware thread where the machine has more.
std::vector<int> BandCounts()
{
    std::vector<int> counts = {1, 2};
    const int hardware = int(std::thread::hardware_concurrency());
    if (hardware > 2) counts.push_back(hardware < 8 ? hardware : 8);
    return counts;
}

void PrintTable(const CollectingReporter& reporter)
{
    std::printf("\n%-10s %10s %10s %10s %12s\n", "size", "frame ms", "step ms", "ticks ms",
                "frame/step");
    for (Size size : SIZES) {
        const std::string name = SizeName(size);
        const double frame = reporter.Seconds(std::string("Frame/") + name);
        const double step = reporter.Seconds(std::string("Step/") + name);
        const double ticks = reporter.Seconds(std::string("Ticks/") + name);
        if (frame <= 0 || step <= 0) continue;
        std::printf("%-10s %10.3f %10.3f %10.3f %12.2f\n", name.c_str(), frame * 1e3, step * 1e3,
                    ticks * 1e3, frame / step);
    }
    std::printf("\n%-10s %-27s %-27s %-27s\n%-10s", "", "frame, back to back",
                "step, back to back", "step, paced as the saver", "size");
    for (int column = 0; column < 3; ++column) std::printf(" %9s %9s %6s ", "widened", "fused", "ratio");
    std::printf("\n");
    for (Size size : SIZES) {
        std::printf("%-10s", SizeName(size).c_str());
        for (const char* part : {"Frame/", "Step/", "PacedStep/"}) {
            const std::string run = part + SizeName(size);
            const double widened = reporter.Seconds(run + "/widened");
            const double fused = reporter.Seconds(run + "/fused");
            if (widened > 0 && fused > 0)
                std::printf(" %9.3f %9.3f %6.2f ", widened * 1e3, fused * 1e3, fused / widened);
            else
                std::printf(" %9s %9s %6s ", "-", "-", "-");
        }
        std::printf("\n");
    }
    std::printf("ms; widened: the RGB565 step, then the frame expanded to 32-bit pixels; fused: the\n"
                "step drawing 32-bit pixels from the expanded picture; paced: %d ms between frames.\n",
                PACE_MS);
    const std::string huge = SizeName(HUGE_SIZE);
    std::printf("\n%-10s %10s %10s %10s %12s\n", "size", "bands", "frame ms", "step ms",
                "step/1band");
    const double alone = reporter.Seconds("Step/" + huge + "/" + BandsName(1));
    for (int bands : BandCounts()) {
        const double frame = reporter.Seconds("Frame/" + huge + "/" + BandsName(bands));
        const double step = reporter.Seconds("Step/" + huge + "/" + BandsName(bands));
        if (frame <= 0 || step <= 0) continue;
        std::printf("%-10s %10d %10.3f %10.3f %12.2f\n", huge.c_str(), bands, frame * 1e3,
                    step * 1e3, alone > 0 ? step / alone : 0.0);
    }
    std::printf("best of the repetitions; a frame is %d effect ticks and one step, all three\n"
                "effects on, default settings; the step's budget is 12.5 ms.\n",
                TICKS_PER_FRAME);
}

}  // namespace

int main(int argc, char** argv)
{
    for (Size size : SIZES) {
        for (Part part : {WHOLE_FRAME, STEP_ONLY, TICKS_ONLY})
            benchmark::RegisterBenchmark((std::string(PART_NAMES[part]) + "/" + SizeName(size)).c_str(),
                                         RunFrame, size, part, 0, RGB565)
                ->Unit(benchmark::kMillisecond);
        for (Drawing drawing : {WIDENED, FUSED})
            for (Part part : {WHOLE_FRAME, STEP_ONLY, PACED_STEP}) {
                const std::string name = std::string(PART_NAMES[part]) + "/" + SizeName(size) +
                                         DRAWING_SUFFIXES[drawing];
                benchmark::internal::Benchmark* run =
                    benchmark::RegisterBenchmark(name.c_str(), RunFrame, size, part, 0, drawing)
                        ->Unit(benchmark::kMillisecond);
                if (part == PACED_STEP) run->Iterations(PACED_FRAMES);
            }
    }
    for (int bands : BandCounts())
        for (Part part : {WHOLE_FRAME, STEP_ONLY}) {
            const std::string name =
                std::string(PART_NAMES[part]) + "/" + SizeName(HUGE_SIZE) + "/" + BandsName(bands);
            benchmark::RegisterBenchmark(name.c_str(), RunFrame, HUGE_SIZE, part, bands, RGB565)
                ->Unit(benchmark::kMillisecond);
        }
    return RunBenchmarksAndPrint(argc, argv, PrintTable);
}
