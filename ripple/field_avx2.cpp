// The step of the water in AVX2: sixteen 16-bit lanes (four groups of four samples) per
// register, with the refracted picture fetched by the processor's gather, eight pixels at a
// time, instead of one pixel at a time, for RGB565 frames and for the screen's 32-bit ones.
// Built for AVX2 alone; it runs only where the processor and the system offer AVX2.
#include <immintrin.h>

#include "ripple/field.h"
#include "ripple/field_simd.h"

namespace {

template <typename PixelType>
struct Avx2 {
    FIELD_SIMD_LANES(__m256i, 16, _mm256_, si256)
    typedef PixelType Pixel;

    template <int N>
    static Vec Load(const void* p)
    {
        if (N == 16) return _mm256_loadu_si256(static_cast<const __m256i*>(p));
        if (N == 8) return _mm256_zextsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(p)));
        return _mm256_zextsi128_si256(_mm_loadl_epi64(static_cast<const __m128i*>(p)));
    }
    template <int N>
    static void Store(void* p, Vec value)
    {
        if (N == 16)
            _mm256_storeu_si256(static_cast<__m256i*>(p), value);
        else if (N == 8)
            _mm_storeu_si128(static_cast<__m128i*>(p), _mm256_castsi256_si128(value));
        else
            _mm_storel_epi64(static_cast<__m128i*>(p), _mm256_castsi256_si128(value));
    }

    template <int N>
    static void Stream(void* p, Vec value)
    {
        __m128i* to = static_cast<__m128i*>(p);
        _mm_stream_si128(to, _mm256_castsi256_si128(value));
        if (N == 16) _mm_stream_si128(to + 1, _mm256_extracti128_si256(value, 1));
    }

    static Vec EveryGroup(int16_t k0, int16_t k1, int16_t k2, int16_t k3)
    {
        return _mm256_setr_epi16(k0, k1, k2, k3, k0, k1, k2, k3, k0, k1, k2, k3, k0, k1, k2, k3);
    }
    static Vec ClearFirstLane(Vec a)
    {
        return _mm256_and_si256(a, _mm256_setr_epi16(0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                      -1, -1, -1, -1, -1));
    }

    static bool Any(Vec lanes) { return !_mm256_testz_si256(lanes, lanes); }
    static bool AllZero(Vec a) { return _mm256_testz_si256(a, a) != 0; }

    // The pixels at eight sources, zero-extended to 32 bits. A word gathered at a source holds
    // its pixel and the next one, so only sources before the last pixel are gathered; a
    // source outside the picture keeps the sample's own pixel, and the last pixel is put in
    // by itself. Taken as unsigned, a source before the picture is huge.
    static __m256i Fetch16(const field_simd::Pass<Avx2>& p, __m256i source, __m256i own)
    {
        const __m256i limit = _mm256_set1_epi32(p.sampleCount - 2);
        const __m256i gathered = _mm256_cmpeq_epi32(_mm256_max_epu32(source, limit), limit);
        const __m256i words = _mm256_mask_i32gather_epi32(
            own, reinterpret_cast<const int*>(p.background), source, gathered, 2);
        const __m256i pixels = _mm256_and_si256(words, _mm256_set1_epi32(0xFFFF));
        const __m256i last = _mm256_cmpeq_epi32(source, _mm256_set1_epi32(p.sampleCount - 1));
        return _mm256_blendv_epi8(pixels, _mm256_set1_epi32(p.background[p.sampleCount - 1]), last);
    }

    // The 32-bit pixels at eight sources; a source outside the picture keeps the sample's
    // own pixel. Taken as unsigned, a source before the picture is huge.
    static __m256i Fetch32(const field_simd::Pass<Avx2>& p, __m256i source, __m256i own)
    {
        const __m256i limit = _mm256_set1_epi32(p.sampleCount - 1);
        const __m256i inside = _mm256_cmpeq_epi32(_mm256_max_epu32(source, limit), limit);
        return _mm256_mask_i32gather_epi32(own, reinterpret_cast<const int*>(p.background),
                                           source, inside, 4);
    }

    // The sources of two sets of eight lanes, named by their lane numbers, from slopes whose
    // pairs (gy, hx) unpack in that order. gy * W + hx is one multiply-add of the pairs
    // (gy, hx) and (W, 1), W being below 2^15; with W * H below 2^30 the source index fits
    // 32 bits. Unpacking works within each 128-bit half: low pairs come from the first four
    // lanes of each half, high ones from the last four.
    static void Sources(const field_simd::Pass<Avx2>& p, int32_t n, __m256i gy, __m256i hx,
                        __m256i lowLanes, __m256i highLanes, __m256i* low, __m256i* high)
    {
        const __m256i weights = _mm256_set1_epi32((1 << 16) | p.width);
        const __m256i first = _mm256_set1_epi32(n);
        *low = _mm256_add_epi32(_mm256_add_epi32(first, lowLanes),
                                _mm256_madd_epi16(_mm256_unpacklo_epi16(gy, hx), weights));
        *high = _mm256_add_epi32(_mm256_add_epi32(first, highLanes),
                                 _mm256_madd_epi16(_mm256_unpackhi_epi16(gy, hx), weights));
    }

    // A whole register of RGB565 pixels: the unpacked pairs are lanes 0-3 and 8-11, and 4-7
    // and 12-15, the order in which the pack below puts them back.
    static void DrawRegister(const field_simd::Pass<Avx2>& p, int32_t n, __m256i gy, __m256i hx,
                             uint16_t* out)
    {
        __m256i lowSource, highSource;
        Sources(p, n, gy, hx, _mm256_setr_epi32(0, 1, 2, 3, 8, 9, 10, 11),
                _mm256_setr_epi32(4, 5, 6, 7, 12, 13, 14, 15), &lowSource, &highSource);
        const __m256i own = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p.background + n));
        const __m256i low = Fetch16(p, lowSource, _mm256_unpacklo_epi16(own, Zero()));
        const __m256i high = Fetch16(p, highSource, _mm256_unpackhi_epi16(own, Zero()));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi32(low, high));
    }

    // A whole register of 32-bit pixels: the slopes are first put in an order where the
    // unpacked pairs are lanes 0-7 and 8-15, so that each gather fills eight pixels in a row.
    static void DrawRegister(const field_simd::Pass<Avx2>& p, int32_t n, __m256i gy, __m256i hx,
                             uint32_t* out)
    {
        __m256i lowSource, highSource;
        gy = _mm256_permute4x64_epi64(gy, 0xD8);
        hx = _mm256_permute4x64_epi64(hx, 0xD8);
        Sources(p, n, gy, hx, _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                _mm256_setr_epi32(8, 9, 10, 11, 12, 13, 14, 15), &lowSource, &highSource);
        const __m256i* own = reinterpret_cast<const __m256i*>(p.background + n);
        field_simd::StorePixels<Avx2, LANES>(p, out, Fetch32(p, lowSource, _mm256_loadu_si256(own)));
        field_simd::StorePixels<Avx2, LANES>(p, out + 8,
                                             Fetch32(p, highSource, _mm256_loadu_si256(own + 1)));
    }

    // Lanes from..to-1 of the chunk at n, as DrawOneByOne draws them. A whole register of
    // sources takes two gathers; the parts of registers at the rectangle's edges, and fields
    // too wide for the 32-bit source, go one lane at a time.
    template <bool WIDE>
    static void DrawRefracted(const field_simd::Pass<Avx2>& p, int32_t n,
                              const field_simd::Slopes<Avx2>& s, int from, int to, Pixel* out)
    {
        if (WIDE || to - from != LANES)
            field_simd::DrawOneByOne(p, n, s, from, to, out);
        else
            DrawRegister(p, n, s.gy, s.hx, out);
    }
};

}  // namespace

SIMD_ENTRY void StepAndRenderAvx2(RippleField* field, const uint16_t* background,
                                       int32_t x0, int32_t y0, int32_t w, int32_t h,
                                       uint16_t* frame, int32_t dx, int32_t dy, int32_t framePitch)
{
    field_simd::Step<Avx2<uint16_t>>(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}

SIMD_ENTRY void StepAndRender32Avx2(RippleField* field, const uint32_t* background, int32_t x0,
                                    int32_t y0, int32_t w, int32_t h, uint32_t* frame,
                                    int32_t dx, int32_t dy, int32_t framePitch)
{
    field_simd::Step<Avx2<uint32_t>>(field, background, x0, y0, w, h, frame, dx, dy, framePitch);
}
