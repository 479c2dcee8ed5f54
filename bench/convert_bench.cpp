// Speed of the expansion of a frame to 32-bit pixels, each expansion the processor runs,
// against a plain copy of the 32-bit frame of the same size in the same run: the copy is
// what the platform does with the pixels next, and the least any expansion could cost.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ripple/pixel_convert.h"
#include "ripple/processor.h"

namespace {

struct Size {
    int width;
    int height;
};

const Size SIZES[] = {{1024, 768}, {1920, 1080}, {3840, 2160}};

typedef void (*Expansion)(const uint16_t*, uint32_t*, size_t);

void SetPerPixel(benchmark::State& state, size_t pixels)
{
    state.counters["per_pixel"] = benchmark::Counter(
        double(pixels), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunExpansion(benchmark::State& state, Size size, Expansion expand)
{
    const size_t pixels = size_t(size.width) * size.height;
    std::vector<uint16_t> frame(pixels);
    std::mt19937 dice(7);
    for (uint16_t& pixel : frame) pixel = uint16_t(dice());
    std::vector<uint32_t> out(pixels);
    for (auto _ : state) {
        expand(frame.data(), out.data(), pixels);
        benchmark::ClobberMemory();
    }
    SetPerPixel(state, pixels);
}

void RunCopy(benchmark::State& state, Size size)
{
    const size_t pixels = size_t(size.width) * size.height;
    std::vector<uint32_t> from(pixels, 0x336699), to(pixels);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), pixels * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    SetPerPixel(state, pixels);
}

}  // namespace

int main(int argc, char** argv)
{
    for (Size size : SIZES) {
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        benchmark::RegisterBenchmark(("Copy32/" + name).c_str(), RunCopy, size)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Sse2/" + name).c_str(), RunExpansion, size, ExpandRgb565RowSse2)
            ->Unit(benchmark::kMillisecond);
        if (ProcessorOffersAvx2())
            benchmark::RegisterBenchmark(("Avx2/" + name).c_str(), RunExpansion, size,
                                         ExpandRgb565RowAvx2)
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
