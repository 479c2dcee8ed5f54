// The expansion of RGB565 to 32 bits in SSE2, eight pixels at a time, and the choice of the
// expansion once per process.
#include "ripple/pixel_convert.h"

#include <emmintrin.h>

#include "ripple/pixel_convert_simd.h"
#include "ripple/processor.h"

namespace {

struct Sse2 {
    PIXEL_SIMD_LANES(__m128i, 8, _mm_, si128)

    static void StoreInterleaved(uint32_t* out, Vec low, Vec high)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(low, high));
    }
};

}  // namespace

void ExpandRgb565Row(const uint16_t* source, uint32_t* destination, size_t count)
{
    static const auto expand = ProcessorOffersAvx2() ? ExpandRgb565RowAvx2 : ExpandRgb565RowSse2;
    expand(source, destination, count);
}

SIMD_ENTRY void ExpandRgb565RowSse2(const uint16_t* source, uint32_t* destination, size_t count)
{
    for (size_t i = pixel_simd::ExpandWholeRegisters<Sse2>(source, destination, count); i < count; ++i)
        destination[i] = ExpandRgb565(source[i]);
}
