// The step of the water in SSE2: eight 16-bit lanes (two groups of four samples) per
// register, with the drawing fused into the same pass, so that every frame pixel of the
// rectangle is written once, with either the still or the refracted picture, as RGB565 or
// as the screen's 32-bit pixels.
#include <emmintrin.h>

#include "ripple/field.h"
#include "ripple/field_simd.h"

namespace {

template <typename PixelType>
struct Sse2 {
    FIELD_SIMD_LANES(__m128i, 8, _mm_, si128)
    typedef PixelType Pixel;

    template <int N>
    static Vec Load(const void* p)
    {
        return N == 8 ? _mm_loadu_si128(static_cast<const __m128i*>(p))
                      : _mm_loadl_epi64(static_cast<const __m128i*>(p));
    }
    template <int N>
    static void Store(void* p, Vec value)
    {
        if (N == 8)
            _mm_storeu_si128(static_cast<__m128i*>(p), value);
        else
            _mm_storel_epi64(static_cast<__m128i*>(p), value);
    }

    template <int N>
    static void Stream(void* p, Vec value)
    {
        _mm_stream_si128(static_cast<__m128i*>(p), value);
    }

    static Vec EveryGroup(int16_t k0, int16_t k1, int16_t k2, int16_t k3)
    {
        return _mm_set_epi16(k3, k2, k1, k0, k3, k2, k1, k0);
    }
    static Vec ClearFirstLane(Vec a) { return _mm_insert_epi16(a, 0, 0); }

    static bool Any(Vec lanes) { return _mm_movemask_epi8(lanes) != 0; }
    static bool AllZero(Vec a) { return _mm_movemask_epi8(_mm_cmpeq_epi16(a, Zero())) == 0xFFFF; }

    // Lanes from..to-1 of the chunk at n, as DrawOneByOne draws them. gy * W + hx is one
    // multiply-add of the pairs (gy, hx) and (W, 1), W being below 2^15; with W * H below 2^30
    // the source index fits 32 bits. It lies inside the picture when it is below W * H taken
    // as unsigned, compared with both sides offset by 2^31.
    template <bool WIDE>
    static void DrawRefracted(const field_simd::Pass<Sse2>& p, int32_t n,
                              const field_simd::Slopes<Sse2>& s, int from, int to, Pixel* out)
    {
        if (WIDE) {
            field_simd::DrawOneByOne(p, n, s, from, to, out);
            return;
        }
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
        if constexpr (sizeof(Pixel) == 4) {
            if (p.streaming && to - from == LANES) {
                const uint32_t* b = p.background;
                Stream<8>(out, _mm_setr_epi32(int(b[source[0]]), int(b[source[1]]), int(b[source[2]]),
                                              int(b[source[3]])));
                Stream<8>(out + 4, _mm_setr_epi32(int(b[source[4]]), int(b[source[5]]),
                                                  int(b[source[6]]), int(b[source[7]])));
                return;
            }
        }
        for (int lane = from; lane < to; ++lane) out[lane - from] = p.background[source[lane]];
    }
};

}  // namespace

SIMD_ENTRY void StepAndRenderSse2(RippleField* field, const uint16_t* background,
                                       int32_t x0, int32_t y0, int32_t w, int32_t h,
                                       uint16_t* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    field_simd::Step<Sse2<uint16_t>>(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

SIMD_ENTRY void StepAndRender32Sse2(RippleField* field, const uint32_t* background, int32_t x0,
                                    int32_t y0, int32_t w, int32_t h, uint32_t* frame,
                                    int32_t dx, int32_t dy, int32_t framePitch)
{
    field_simd::Step<Sse2<uint32_t>>(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}
