// The expansion of RGB565 to 32 bits in AVX2, sixteen pixels at a time. Built for AVX2
// alone; it runs only where the processor offers it.
#include <immintrin.h>

#include "ripple/pixel_convert.h"
#include "ripple/pixel_convert_simd.h"
#include "ripple/processor.h"

namespace {

struct Avx2 {
    PIXEL_SIMD_LANES(__m256i, 16, _mm256_, si256)

    // Interleaving works within each 128-bit half: the low unpack holds pixels 0-3 and
    // 8-11, the high one 4-7 and 12-15, so the halves are put back in order.
    static void StoreInterleaved(uint32_t* out, Vec low, Vec high)
    {
        const __m256i first = _mm256_unpacklo_epi16(low, high);
        const __m256i second = _mm256_unpackhi_epi16(low, high);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8), _mm256_permute2x128_si256(first, second, 0x31));
    }
};

}  // namespace

SIMD_ENTRY void ExpandRgb565RowAvx2(const uint16_t* source, uint32_t* destination, size_t count)
{
    const size_t done = pixel_simd::ExpandWholeRegisters<Avx2>(source, destination, count);
    ExpandRgb565RowSse2(source + done, destination + done, count - done);
}
