// The expansion of RGB565 to 32 bits in SSE2: per 16-bit lane, each channel is isolated,
// widened with its top bits repeated below, and the lanes are interleaved into 32 bits.
#include "ripple/pixel_convert.h"

#include <emmintrin.h>

void ExpandRgb565Row(const uint16_t* source, uint32_t* destination, size_t count)
{
    const __m128i red5 = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i green6 = _mm_set1_epi16(0x07E0);
    const __m128i blue5 = _mm_set1_epi16(0x001F);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        // r8 = r5 << 3 | r5 >> 2, computed in place: (p & 0xF800) >> 8 puts r5 << 3 in the
        // low byte; its top three bits shifted down again give r5 >> 2.
        const __m128i r = _mm_srli_epi16(_mm_and_si128(p, red5), 8);
        const __m128i r8 = _mm_or_si128(r, _mm_srli_epi16(r, 5));
        const __m128i g = _mm_srli_epi16(_mm_and_si128(p, green6), 3);
        const __m128i g8 = _mm_or_si128(g, _mm_srli_epi16(g, 6));
        const __m128i b = _mm_slli_epi16(_mm_and_si128(p, blue5), 3);
        const __m128i b8 = _mm_or_si128(b, _mm_srli_epi16(b, 5));
        // Lanes of 0x00RR and 0xGGBB, interleaved into 0x00RRGGBB.
        const __m128i gb = _mm_or_si128(_mm_slli_epi16(g8, 8), b8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), _mm_unpacklo_epi16(gb, r8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i + 4), _mm_unpackhi_epi16(gb, r8));
    }
    for (; i < count; ++i) destination[i] = ExpandRgb565(source[i]);
}
