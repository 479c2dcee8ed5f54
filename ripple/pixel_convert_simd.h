// The expansion of RGB565 to 32 bits written once for SIMD registers of any width. Each
// instruction-set file supplies a lane type in an unnamed namespace of its own (so that code
// built for AVX2 never stands in for code built for SSE2 at link time): its register, its
// number of 16-bit lanes, the few operations used below, and StoreInterleaved, which
// writes the 32-bit lanes of two registers of 16-bit halves in pixel order.
#pragma once

#include <cstddef>
#include <cstdint>

// What every lane type declares alike, each instruction set spelling it the same way but
// for the prefix of its intrinsics and the name of its whole register: (__m128i, 8, _mm_,
// si128) for SSE2, (__m256i, 16, _mm256_, si256) for AVX2.
#define PIXEL_SIMD_LANES(REGISTER, WIDTH, P, SI)                                            \
    typedef REGISTER Vec;                                                                   \
    static constexpr size_t LANES = WIDTH;                                                  \
    static Vec Set(int16_t value) { return P##set1_epi16(value); }                          \
    static Vec Load(const uint16_t* p) { return P##loadu_##SI(reinterpret_cast<const Vec*>(p)); } \
    static Vec And(Vec a, Vec b) { return P##and_##SI(a, b); }                              \
    static Vec Or(Vec a, Vec b) { return P##or_##SI(a, b); }                                \
    static Vec ShiftLeft(Vec a, int count) { return P##slli_epi16(a, count); }              \
    static Vec ShiftRight(Vec a, int count) { return P##srli_epi16(a, count); }

namespace pixel_simd {

// Expands the pixels of every whole register in the row and returns how many that was.
// Per 16-bit lane each channel is isolated and widened with its top bits repeated below;
// lanes of 0x00RR and of 0xGGBB are then interleaved into 0x00RRGGBB.
template <typename V>
size_t ExpandWholeRegisters(const uint16_t* source, uint32_t* destination, size_t count)
{
    typedef typename V::Vec Vec;
    const Vec red5 = V::Set(static_cast<int16_t>(0xF800));
    const Vec green6 = V::Set(0x07E0);
    const Vec blue5 = V::Set(0x001F);
    size_t i = 0;
    for (; i + V::LANES <= count; i += V::LANES) {
        const Vec p = V::Load(source + i);
        // r8 = r5 << 3 | r5 >> 2, computed in place: (p & 0xF800) >> 8 puts r5 << 3 in the
        // low byte; its top three bits shifted down again give r5 >> 2.
        const Vec r = V::ShiftRight(V::And(p, red5), 8);
        const Vec r8 = V::Or(r, V::ShiftRight(r, 5));
        const Vec g = V::ShiftRight(V::And(p, green6), 3);
        const Vec g8 = V::Or(g, V::ShiftRight(g, 6));
        const Vec b = V::ShiftLeft(V::And(p, blue5), 3);
        const Vec b8 = V::Or(b, V::ShiftRight(b, 5));
        V::StoreInterleaved(destination + i, V::Or(V::ShiftLeft(g8, 8), b8), r8);
    }
    return i;
}

}  // namespace pixel_simd
