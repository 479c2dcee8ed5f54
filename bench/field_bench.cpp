// Speed of the water step: every step this processor supports (the scalar reference, SSE2,
// AVX2) on calm and on busy water at three screen sizes, against a loop that only streams
// the bytes a step must touch; and each path's step into the screen's 32-bit pixels against
// its RGB565 step followed by the expansion of the frame, the way it replaces. After the
// runs the tables give each step's time relative to its baseline of the same size.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/best_time_reporter.h"
#include "gfx/surface.h"
#include "ripple/field.h"
#include "ripple/pixel_convert.h"

namespace {

const int32_t RIPPLE_SIZE = 4;   // the settings' defaults
const int32_t RIPPLE_DEPTH = 4;
const int32_t DROP_SIZE = 2;
const int32_t DROP_WEIGHT = 1536;
const int WARM_UP_DROPS = 400;
const int WARM_UP_STEPS = 150;
const int DROPS_PER_STEP = 40;   // about what rain, rebound and fancy stamp over 5 effect ticks

struct Size {
    int32_t width;
    int32_t height;
};

const Size SIZES[] = {{640, 480}, {1920, 1080}, {3840, 2160}};

struct PathEntry {
    StepPath path;
    const char* name;  // of its benchmarks
    const char* column;
};

const PathEntry PATHS[] = {{STEP_SCALAR, "Scalar", "scalar"}, {STEP_SSE2, "Sse2", "sse2"},
                           {STEP_AVX2, "Avx2", "avx2"}};

// The four surfaces of the scene and the field over them, and the picture and frame in
// 32-bit pixels. Busy water has drops falling all over it and keeps getting new ones, as
// in the running saver.
struct Scene {
    Surface mapA, mapB, background, frame;
    std::vector<uint32_t> background32, frame32;
    RippleField field;
    std::mt19937 dice;
    bool busy;

    Scene(Size size, bool busyWater) : dice(12345), busy(busyWater)
    {
        mapA.Create(size.width, size.height);
        mapB.Create(size.width, size.height);
        background.Create(size.width, size.height);
        frame.Create(size.width, size.height);
        uint16_t* pixels = reinterpret_cast<uint16_t*>(background.bits);
        const size_t count = size_t(size.width) * size.height;
        for (size_t i = 0; i < count; ++i) pixels[i] = uint16_t(dice());
        background32.resize(count);
        frame32.resize(count);
        ExpandRgb565Row(pixels, background32.data(), count);
        Init(&field, &mapA, &mapB, RIPPLE_SIZE, RIPPLE_DEPTH);
        if (!busy) return;
        for (int d = 0; d < WARM_UP_DROPS; ++d) Drop();
        for (int s = 0; s < WARM_UP_STEPS; ++s) {
            Rain();
            Step(StepAndRender);
        }
    }
    ~Scene()
    {
        mapA.Release();
        mapB.Release();
        background.Release();
        frame.Release();
    }

    void Drop()
    {
        const int32_t x = int32_t(dice() % uint32_t(field.width));
        const int32_t y = int32_t(dice() % uint32_t(field.height));
        Stamp(&field, x, y, DROP_SIZE, DROP_WEIGHT);
    }
    void Rain()
    {
        if (busy)
            for (int d = 0; d < DROPS_PER_STEP; ++d) Drop();
    }
    void Step(StepFunction step)
    {
        step(&field, reinterpret_cast<const uint16_t*>(background.bits), 0, 0, field.width,
             field.height, reinterpret_cast<uint16_t*>(frame.bits), 0, 0, frame.pitch);
    }
    // The RGB565 step, then the frame expanded as a host did it before the fused step.
    void StepAndWiden(StepFunction step)
    {
        Step(step);
        ExpandRgb565Row(reinterpret_cast<const uint16_t*>(frame.bits), frame32.data(),
                        frame32.size());
    }
    void Step32(StepFunction32 step)
    {
        step(&field, background32.data(), 0, 0, field.width, field.height, frame32.data(), 0, 0,
             4 * field.width);
    }

    // Share of the samples whose slopes displace the picture.
    double MovingShare() const
    {
        const int32_t w = field.width;
        const int16_t* cur = field.current;
        int64_t moving = 0;
        for (int32_t n = w; n < w * (field.height - 1); ++n) {
            const int gy = (cur[n - w] - cur[n + w]) >> RIPPLE_DEPTH;
            const int hx = ((cur[n - 1] - cur[n + 1]) >> RIPPLE_DEPTH) >> 1;
            moving += gy != 0 || hx != 0;
        }
        return double(moving) / (double(w) * (field.height - 2));
    }
};

// Reads both maps and the background and writes one map and the frame, 16 bytes at a
// time: the memory traffic of a step with none of its work.
void Stream(const int16_t* cur, int16_t* prev, const uint16_t* background, uint16_t* frame,
            int64_t count)
{
    for (int64_t i = 0; i + 8 <= count; i += 8) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(background + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(prev + i), _mm_subs_epi16(c, p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i), b);
    }
}

void SetPerSample(benchmark::State& state, Size size)
{
    state.counters["per_sample"] = benchmark::Counter(
        double(size.width) * size.height, benchmark::Counter::kIsIterationInvariantRate |
                                              benchmark::Counter::kInvert);
}

std::string SizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

// Scenes are built once and shared by every run of a size and kind: warming busy water up
// takes longer than measuring it, and busy water stays busy as it keeps raining. The
// streaming loop scribbles on maps of its own.
enum SceneKind { CALM, BUSY, STREAM };

Scene& SharedScene(Size size, SceneKind kind)
{
    static std::map<std::string, std::unique_ptr<Scene>> scenes;
    std::unique_ptr<Scene>& scene = scenes[SizeName(size) + "/" + std::to_string(kind)];
    if (!scene) scene.reset(new Scene(size, kind == BUSY));
    return *scene;
}

// How a run draws the frame: RGB565, RGB565 then expanded, or 32-bit pixels in the step.
enum Drawing { RGB565, WIDENED, FUSED };
const char* const DRAWING_SUFFIXES[] = {"", "/widened", "/fused"};

void RunStep(benchmark::State& state, Size size, bool busy, StepPath path, Drawing drawing)
{
    Scene& scene = SharedScene(size, busy ? BUSY : CALM);
    const StepFunction step = StepForPath(path);
    const StepFunction32 step32 = StepForPath32(path);
    for (auto _ : state) {
        scene.Rain();
        if (drawing == FUSED)
            scene.Step32(step32);
        else if (drawing == WIDENED)
            scene.StepAndWiden(step);
        else
            scene.Step(step);
        benchmark::ClobberMemory();
    }
    SetPerSample(state, size);
    if (busy) state.counters["moving"] = scene.MovingShare();
}

void RunStream(benchmark::State& state, Size size)
{
    Scene& scene = SharedScene(size, STREAM);
    const int64_t count = int64_t(size.width) * size.height;
    for (auto _ : state) {
        Stream(scene.field.current, scene.field.previous,
               reinterpret_cast<const uint16_t*>(scene.background.bits),
               reinterpret_cast<uint16_t*>(scene.frame.bits), count);
        benchmark::ClobberMemory();
    }
    SetPerSample(state, size);
}

void PrintValue(double value, bool known, int width = 11)
{
    if (known)
        std::printf("%*.*f", width, width == 11 ? 3 : 2, value);
    else
        std::printf("%*s", width, "-");
}

// One line per size, kind of water and path: the RGB565 step followed by the expansion of
// its frame, the step that draws 32-bit pixels itself, and the second over the first.
void PrintFusedRatios(const CollectingReporter& reporter)
{
    std::printf("\n%-10s %-5s %-7s %11s %11s %13s\n", "size", "water", "path", "widened ns",
                "fused ns", "fused/widened");
    for (Size size : SIZES) {
        const std::string name = SizeName(size);
        const double samples = double(size.width) * size.height;
        for (const char* water : {"calm", "busy"})
            for (const PathEntry& entry : PATHS) {
                const std::string run = std::string(entry.name) + "/" + name + "/" + water;
                const double widened = reporter.Seconds(run + "/widened");
                const double fused = reporter.Seconds(run + "/fused");
                if (widened <= 0 && fused <= 0) continue;
                std::printf("%-10s %-5s %-7s ", name.c_str(), water, entry.column);
                PrintValue(widened / samples * 1e9, widened > 0);
                std::printf(" ");
                PrintValue(fused / samples * 1e9, fused > 0);
                PrintValue(fused / widened, fused > 0 && widened > 0, 14);
                std::printf("\n");
            }
    }
    std::printf("ns per sample; widened: the RGB565 step, then the frame expanded to 32 bits;\n"
                "fused: the step drawing 32-bit pixels from the expanded picture.\n");
}

// One line per size and kind of water: each path's time, then each path's time relative to
// the streaming loop. A step filtered out of the run, or not supported, shows as "-".
void PrintRatios(const CollectingReporter& reporter)
{
    std::printf("\n%-10s %-5s", "size", "water");
    for (const PathEntry& entry : PATHS)
        std::printf(" %10s", (std::string(entry.column) + " ns").c_str());
    std::printf(" %10s", "stream ns");
    for (const PathEntry& entry : PATHS)
        std::printf(" %12s", (std::string(entry.column) + "/stream").c_str());
    std::printf("\n");
    for (Size size : SIZES) {
        const std::string name = SizeName(size);
        const double samples = double(size.width) * size.height;
        const double stream = reporter.Seconds("Stream/" + name);
        for (const char* water : {"calm", "busy"}) {
            std::vector<double> seconds;
            bool any = stream > 0;
            for (const PathEntry& entry : PATHS) {
                const std::string run = std::string(entry.name) + "/" + name + "/" + water;
                seconds.push_back(reporter.Seconds(run));
                any = any || seconds.back() > 0;
            }
            if (!any) continue;
            std::printf("%-10s %-5s", name.c_str(), water);
            for (double path : seconds) PrintValue(path / samples * 1e9, path > 0);
            PrintValue(stream / samples * 1e9, stream > 0);
            for (double path : seconds) PrintValue(path / stream, path > 0 && stream > 0, 13);
            std::printf("\n");
        }
    }
    std::printf("ns per sample of the field, best of the repetitions; busy steps include\n"
                "stamping %d drops.\n",
                DROPS_PER_STEP);
    PrintFusedRatios(reporter);
}

}  // namespace

int main(int argc, char** argv)
{
    for (Size size : SIZES) {
        const std::string name = SizeName(size);
        benchmark::RegisterBenchmark(("Stream/" + name).c_str(), RunStream, size)
            ->Unit(benchmark::kMillisecond);
        for (bool busy : {false, true})
            for (const PathEntry& entry : PATHS) {
                if (!StepPathSupported(entry.path)) continue;
                const StepPath path = entry.path;
                for (Drawing drawing : {RGB565, WIDENED, FUSED}) {
                    const std::string benchmarkName = std::string(entry.name) + "/" + name +
                                                      (busy ? "/busy" : "/calm") +
                                                      DRAWING_SUFFIXES[drawing];
                    benchmark::RegisterBenchmark(benchmarkName.c_str(),
                                                 [size, busy, path, drawing](benchmark::State& state) {
                                                     RunStep(state, size, busy, path, drawing);
                                                 })
                        ->Unit(benchmark::kMillisecond);
                }
            }
    }
    return RunBenchmarksAndPrint(argc, argv, PrintRatios);
}
