// The blit family: placement by the two origins, clipping to the destination, Blit's
// one-off arguments and their restore, and the pixel rule of each member.

#include "gfx/blit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "gfx/error.h"
#include "gfx/surface.h"

namespace {

// A created surface whose pixel (c, r) holds base + r * 100 + c.
struct Picture {
    Surface s;
    Picture(int width, int height, int base = 1000)
    {
        EXPECT_TRUE(s.Create(width, height));
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) s.Row(r)[c] = static_cast<uint16_t>(base + r * 100 + c);
    }
    Picture(const Picture&) = delete;
    ~Picture() { s.Release(); }
    uint16_t At(int c, int r) const { return s.Row(r)[c]; }
};

// A created surface filled with one colour, spare bytes included.
struct Canvas {
    Surface s;
    Canvas(int width, int height, uint16_t colour = 0x0101)
    {
        EXPECT_TRUE(s.Create(width, height));
        uint16_t* all = reinterpret_cast<uint16_t*>(s.bits);
        for (int i = 0; i < (s.pitch * height) / 2; ++i) all[i] = colour;
    }
    Canvas(const Canvas&) = delete;
    ~Canvas() { s.Release(); }
    uint16_t At(int c, int r) const { return s.Row(r)[c]; }
};

uint16_t Rgb(int red, int green, int blue)
{
    return static_cast<uint16_t>((red << 11) | (green << 5) | blue);
}

TEST(BlitClipping, LargerSourceCopiesItsTopLeftCorner)
{
    Picture src(10, 10);
    Canvas dst(5, 5);
    EXPECT_EQ(0, BlitCopy(&dst.s, &src.s));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) EXPECT_EQ(src.At(c, r), dst.At(c, r));
}

TEST(BlitClipping, NegativeDestinationOriginDrawsFromLaterSourceColumns)
{
    Picture src(6, 2);
    Canvas dst(8, 2);
    src.s.Blit(&dst.s, -3, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(src.At(3, 0), dst.At(0, 0));
    EXPECT_EQ(src.At(5, 1), dst.At(2, 1));
    EXPECT_EQ(0x0101, dst.At(3, 0));  // 3 fewer columns drawn
}

TEST(BlitClipping, EqualOriginsMeetAtTheTopLeftCorner)
{
    Picture src(4, 2);
    Canvas a(8, 2), b(8, 2);
    src.s.Blit(&a.s, 2, 0, 2, 0, BLIT_KEEP, BLIT_KEEP);
    src.s.Blit(&b.s, 0, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(0, std::memcmp(a.s.bits, b.s.bits, 2 * a.s.pitch));
    EXPECT_EQ(src.At(0, 0), a.At(0, 0));
}

TEST(BlitClipping, PositiveDestinationOriginShiftsTheSource)
{
    Picture src(3, 3);
    Canvas dst(6, 6);
    src.s.Blit(&dst.s, 2, 1, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(0x0101, dst.At(1, 1));
    EXPECT_EQ(0x0101, dst.At(2, 0));
    EXPECT_EQ(src.At(0, 0), dst.At(2, 1));
    EXPECT_EQ(src.At(2, 2), dst.At(4, 3));
    EXPECT_EQ(0x0101, dst.At(5, 3));
}

TEST(BlitClipping, RectanglesOutsideTheDestinationDrawNothing)
{
    Picture src(4, 4);
    Canvas dst(4, 4);
    const Canvas untouched(4, 4);
    src.s.Blit(&dst.s, 4, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);   // starts at the right edge
    src.s.Blit(&dst.s, -4, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);  // ends left of column 0
    src.s.Blit(&dst.s, -10, 0, 0, 0, 6, BLIT_KEEP);
    src.s.Blit(&dst.s, 0, 4, 0, 0, BLIT_KEEP, BLIT_KEEP);
    src.s.Blit(&dst.s, 0, -4, 0, 0, BLIT_KEEP, BLIT_KEEP);
    src.s.Blit(&dst.s, 0, 0, 0, 0, 0, BLIT_KEEP);           // empty source
    src.s.Blit(&dst.s, INT32_MAX, INT32_MAX, INT32_MIN + 1, INT32_MIN + 1, BLIT_KEEP, BLIT_KEEP);
    src.s.Blit(&dst.s, INT32_MIN + 1, 0, INT32_MAX, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(0, std::memcmp(untouched.s.bits, dst.s.bits, 4 * dst.s.pitch + 7));
}

TEST(BlitClipping, DestinationWithoutRowsReceivesNothing)
{
    Picture src(4, 4);
    Surface dst;
    ASSERT_TRUE(dst.Create(4, 0));
    const int before = g_graphicsError;
    src.s.Blit(&dst, 0, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    src.s.Blit(&dst, -1, -1, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(0, dst.bits[0]);
    EXPECT_EQ(before, g_graphicsError);
    dst.Release();
}

TEST(BlitClipping, CopyLeavesThePixelAfterTheLastColumnAlone)
{
    Picture src(5, 1);
    Canvas dst(8, 1, 0x7777);
    BlitCopy(&dst.s, &src.s);
    EXPECT_EQ(src.At(4, 0), dst.At(4, 0));
    EXPECT_EQ(0x7777, dst.At(5, 0));
}

// A destination that is a window onto a larger guarded buffer: its rows are padded to eight
// pixels, and a guard row follows its last row. Whatever overhangs the right or bottom
// edge must reach neither the padding, the next row, nor the guard, whichever loop draws.
TEST(BlitClipping, SourcesOverhangingTheRightAndBottomEdgesStopThere)
{
    const uint16_t GUARD = 0x0F0F;
    const int WIDTH = 5, HEIGHT = 3, PITCH_PIXELS = 8;
    Picture src(4, 4);
    ASSERT_TRUE(src.s.CreateAlpha());
    for (int i = 0; i < 4 * (src.s.pitch / 2); ++i) src.s.alpha[i] = 31;
    const FillRecord fill = {0, 0, 4, 4, 256, 0x1234};
    const struct {
        const char* member;
        BlitRoutine routine;
        const void* source;
    } members[] = {
        {"BlitCopy", BlitCopy, &src.s},
        {"BlitKeyed", BlitKeyed, &src.s},
        {"BlitAlpha", BlitAlpha, &src.s},
        {"FillRect", FillRect, &fill},
    };
    for (const auto& m : members) {
        SCOPED_TRACE(m.member);
        uint16_t guarded[(HEIGHT + 1) * PITCH_PIXELS];
        for (uint16_t& pixel : guarded) pixel = GUARD;
        Surface dst;
        dst.width = WIDTH;
        dst.height = HEIGHT;
        dst.pitch = 2 * PITCH_PIXELS;
        dst.bits = reinterpret_cast<uint8_t*>(guarded);
        dst.bitsBorrowed = true;
        dst.x = 3;  // the source's (0, 0) lands on column 3 of row 1
        dst.y = 1;
        m.routine(&dst, m.source);
        for (int r = 0; r <= HEIGHT; ++r) {
            for (int c = 0; c < PITCH_PIXELS; ++c) {
                const bool drawn = r >= 1 && r < HEIGHT && c >= 3 && c < WIDTH;
                if (drawn)
                    EXPECT_NE(GUARD, guarded[r * PITCH_PIXELS + c]) << "row " << r << " column " << c;
                else
                    EXPECT_EQ(GUARD, guarded[r * PITCH_PIXELS + c]) << "row " << r << " column " << c;
            }
        }
    }
}

TEST(SurfaceBlit, RestoresBothOriginsAndTheSourceSize)
{
    Picture src(6, 5);
    Canvas dst(8, 8);
    src.s.x = 1;
    src.s.y = 2;
    dst.s.x = 3;
    dst.s.y = 4;
    src.s.Blit(&dst.s, 0, BLIT_KEEP, 5, BLIT_KEEP, 2, BLIT_KEEP);
    EXPECT_EQ(1, src.s.x);
    EXPECT_EQ(2, src.s.y);
    EXPECT_EQ(6, src.s.width);
    EXPECT_EQ(5, src.s.height);
    EXPECT_EQ(3, dst.s.x);
    EXPECT_EQ(4, dst.s.y);
}

TEST(SurfaceBlit, UsesTheSourceSizeArguments)
{
    Picture src(6, 6);
    Canvas dst(8, 8);
    src.s.Blit(&dst.s, 0, 0, 0, 0, 2, 3);
    EXPECT_EQ(src.At(1, 2), dst.At(1, 2));
    EXPECT_EQ(0x0101, dst.At(2, 0));
    EXPECT_EQ(0x0101, dst.At(0, 3));
}

TEST(BlitClipping, SurfacesWithoutPixelsTakeAndGiveNothing)
{
    Picture src(4, 4);
    Surface failed;
    EXPECT_FALSE(failed.Create(1 << 29, 1 << 29));
    src.s.Blit(&failed, 0, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    FillRecord fill = {0, 0, 4, 4, 256, 0x1234};
    FillRect(&failed, &fill);

    Canvas dst(4, 4, 0x0202);
    failed.width = failed.height = 4;  // as if a caller ignored the failure
    BlitCopy(&dst.s, &failed);
    BlitKeyed(&dst.s, &failed);
    BlitAlpha(&dst.s, &src.s);  // called directly on a source with no alpha map
    BlitAlphaBlend(&dst.s, &src.s);
    EXPECT_EQ(0x0202, dst.At(0, 0));
    EXPECT_EQ(0x0202, dst.At(3, 3));
    failed.Release();
}

TEST(SurfaceBlit, SizeBeyondTheSourceIsCutToIt)
{
    Picture src(3, 2);
    Canvas dst(8, 8);
    src.s.Blit(&dst.s, 0, 0, 0, 0, 100, 100);
    EXPECT_EQ(src.At(2, 1), dst.At(2, 1));
    EXPECT_EQ(0x0101, dst.At(3, 0));
    EXPECT_EQ(0x0101, dst.At(0, 2));
    EXPECT_EQ(3, src.s.width);
    EXPECT_EQ(2, src.s.height);
}

TEST(SurfaceBlit, AlphaMembersWithoutAlphaMapBecomeKeyedForGood)
{
    Picture src(2, 1);
    src.s.Row(0)[0] = COLOUR_KEY;
    Canvas dst(2, 1, 0x1234);
    src.s.blit = BlitAlpha;
    src.s.Blit(&dst.s, 0, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(0x1234, dst.At(0, 0));
    EXPECT_EQ(src.At(1, 0), dst.At(1, 0));
    EXPECT_EQ(&BlitKeyed, src.s.blit);

    src.s.blit = BlitAlphaBlend;
    src.s.opacity = 256;
    src.s.Blit(&dst.s, 0, 0, 0, 0, BLIT_KEEP, BLIT_KEEP);
    EXPECT_EQ(&BlitBlendKeyed, src.s.blit);
}

TEST(BlitMembers, ReversedCopyTakesSourceFirst)
{
    Picture src(3, 2);
    Canvas dst(3, 2);
    BlitCopyReversed(&src.s, &dst.s);
    EXPECT_EQ(src.At(2, 1), dst.At(2, 1));
}

TEST(BlitMembers, KeyedSkipsWhite)
{
    Picture src(3, 1);
    src.s.Row(0)[1] = 0xFFFF;
    Canvas dst(3, 1, 0x4242);
    BlitKeyed(&dst.s, &src.s);
    EXPECT_EQ(src.At(0, 0), dst.At(0, 0));
    EXPECT_EQ(0x4242, dst.At(1, 0));
}

TEST(BlitMembers, AddAndSubtractSaturatePerChannel)
{
    Picture src(3, 1);
    Canvas dst(3, 1);
    src.s.Row(0)[0] = Rgb(20, 40, 20);
    dst.s.Row(0)[0] = Rgb(20, 40, 20);
    src.s.Row(0)[1] = Rgb(1, 1, 1);
    dst.s.Row(0)[1] = Rgb(2, 3, 4);
    src.s.Row(0)[2] = Rgb(0, 0, 31);
    dst.s.Row(0)[2] = Rgb(0, 0, 1);
    BlitAdd(&dst.s, &src.s);
    EXPECT_EQ(Rgb(31, 63, 31), dst.At(0, 0));
    EXPECT_EQ(Rgb(3, 4, 5), dst.At(1, 0));
    // Blue saturates, and its carry raises green by one step.
    EXPECT_EQ(Rgb(0, 1, 31), dst.At(2, 0));

    dst.s.Row(0)[0] = Rgb(5, 5, 5);
    dst.s.Row(0)[1] = Rgb(2, 3, 4);
    BlitSubtract(&dst.s, &src.s);
    EXPECT_EQ(Rgb(0, 0, 0), dst.At(0, 0));
    EXPECT_EQ(Rgb(1, 2, 3), dst.At(1, 0));
}

TEST(BlitMembers, BlendFollowsOpacityWithItsThreshold)
{
    Picture src(1, 1);
    src.s.Row(0)[0] = Rgb(31, 63, 31);
    Canvas dst(1, 1, Rgb(0, 0, 0));
    src.s.opacity = 7;
    BlitBlend(&dst.s, &src.s);
    EXPECT_EQ(Rgb(0, 0, 0), dst.At(0, 0));
    src.s.opacity = 0;
    BlitBlend(&dst.s, &src.s);
    EXPECT_EQ(Rgb(0, 0, 0), dst.At(0, 0));
    src.s.opacity = 256;
    BlitBlend(&dst.s, &src.s);
    EXPECT_EQ(Rgb(31, 63, 31), dst.At(0, 0));
    dst.s.Row(0)[0] = 0;
    src.s.opacity = 128;  // w = 16: half way
    BlitBlend(&dst.s, &src.s);
    EXPECT_EQ(Rgb(16, 32, 16), dst.At(0, 0));

    src.s.Row(0)[0] = COLOUR_KEY;
    dst.s.Row(0)[0] = 0x1234;
    BlitBlendKeyed(&dst.s, &src.s);
    EXPECT_EQ(0x1234, dst.At(0, 0));
}

TEST(BlitMembers, FadeDarkensTheSourceWithoutReadingTheDestination)
{
    Picture src(2, 1);
    src.s.Row(0)[0] = Rgb(30, 62, 30);  // not white: white is the key
    src.s.Row(0)[1] = COLOUR_KEY;
    Canvas dst(2, 1, 0x5555);
    src.s.opacity = 0;
    BlitFade(&dst.s, &src.s);
    EXPECT_EQ(0, dst.At(0, 0));
    src.s.opacity = 256;
    BlitFade(&dst.s, &src.s);
    EXPECT_EQ(Rgb(30, 62, 30), dst.At(0, 0));
    src.s.opacity = 128;
    BlitFadeKeyed(&dst.s, &src.s);
    EXPECT_EQ(Rgb(15, 31, 15), dst.At(0, 0));
    EXPECT_EQ(0, dst.At(1, 0));
}

TEST(BlitMembers, AlphaCopiesOpaqueGroupsExactlyAndSkipsClearOnes)
{
    Picture src(8, 1);
    for (int c = 0; c < 8; ++c) src.s.Row(0)[c] = Rgb(31, 63, 31);
    ASSERT_TRUE(src.s.CreateAlpha());
    for (int c = 0; c < 4; ++c) src.s.alpha[c] = 31;
    src.s.alpha[4] = 31;
    src.s.alpha[5] = 16;
    Canvas dst(8, 1, 0);
    BlitAlpha(&dst.s, &src.s);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(Rgb(31, 63, 31), dst.At(c, 0));  // exact copy
    EXPECT_EQ(Rgb(30, 61, 30), dst.At(4, 0));  // 31/32 of the way in a mixed group
    EXPECT_EQ(Rgb(15, 31, 15), dst.At(5, 0));
    EXPECT_EQ(0, dst.At(6, 0));

    Canvas blended(8, 1, 0);
    src.s.opacity = 256;
    BlitAlphaBlend(&blended.s, &src.s);
    EXPECT_EQ(Rgb(30, 61, 30), blended.At(0, 0));  // no exact-copy case
    src.s.opacity = 0;
    BlitAlphaBlend(&blended.s, &src.s);
    EXPECT_EQ(Rgb(30, 61, 30), blended.At(0, 0));  // (31 * 1) >> 5 = 0: unchanged

    // Just short of the ends: a group of 30s is mixed, not copied, and opacity 248 gives the
    // strength 32 that leaves each alpha level as it is.
    for (int c = 0; c < 4; ++c) src.s.alpha[c] = 30;
    Canvas nearlyOpaque(8, 1, 0);
    BlitAlpha(&nearlyOpaque.s, &src.s);
    EXPECT_EQ(Rgb(29, 59, 29), nearlyOpaque.At(0, 0));
    Canvas strength32(8, 1, 0);
    src.s.alpha[0] = 31;
    src.s.opacity = 248;
    BlitAlphaBlend(&strength32.s, &src.s);
    EXPECT_EQ(Rgb(30, 61, 30), strength32.At(0, 0));
}

TEST(BlitMembers, FillsUseTheRecordAsASource)
{
    Canvas dst(4, 4, Rgb(0, 0, 0));
    FillRecord fill = {-1, -1, 3, 2, 0, Rgb(31, 0, 0)};
    FillRect(&dst.s, &fill);
    EXPECT_EQ(0, dst.At(0, 0));
    EXPECT_EQ(Rgb(31, 0, 0), dst.At(1, 1));
    EXPECT_EQ(Rgb(31, 0, 0), dst.At(3, 2));
    EXPECT_EQ(0, dst.At(1, 3));

    FillRecord none = {0, 0, 4, 4, 0, Rgb(31, 63, 31)};
    FillRectBlend(&dst.s, &none);
    EXPECT_EQ(0, dst.At(0, 0));
    FillRecord half = {0, 0, 4, 4, 128, Rgb(31, 63, 31)};
    FillRectBlend(&dst.s, &half);
    EXPECT_EQ(Rgb(15, 31, 15), dst.At(0, 0));
    EXPECT_EQ(Rgb(15 + 15, 31, 15), dst.At(1, 1));
}

// Every member that takes a weight, at both ends of the int32_t range: the weight must
// saturate at 0 or 32 as the in-range arithmetic would, never wrap round into another
// weight or another channel. Opacity 1000 pins that the alpha blend's strength is not cut
// at 256 first: only its product with the alpha byte saturates.
TEST(BlitMembers, WeightsOutsideTheirRangeSaturate)
{
    struct WeightCase {
        const char* member;
        BlitRoutine routine;
        bool fill;         // the weight is a FillRecord's level and the source its colour
        int32_t weight;    // the source's opacity, or the fill's level
        uint16_t source;
        int alpha;         // the source's alpha byte; negative: no alpha map
        uint16_t destination;
        uint16_t expected;
    };
    const WeightCase cases[] = {
        {"BlitBlend", BlitBlend, false, INT32_MIN, 0x1234, -1, 0x5678, 0x5678},
        {"BlitBlend", BlitBlend, false, INT32_MAX, 0x1234, -1, 0x5678, 0x1234},
        {"BlitBlendKeyed", BlitBlendKeyed, false, INT32_MIN, 0x1234, -1, 0x5678, 0x5678},
        {"BlitBlendKeyed", BlitBlendKeyed, false, INT32_MAX, 0x1234, -1, 0x5678, 0x1234},
        {"BlitFade", BlitFade, false, INT32_MIN, 0x1234, -1, 0x5678, 0x0000},
        {"BlitFade", BlitFade, false, INT32_MAX, 0x1234, -1, 0x5678, 0x1234},
        {"BlitFadeKeyed", BlitFadeKeyed, false, INT32_MIN, 0x1234, -1, 0x5678, 0x0000},
        {"BlitFadeKeyed", BlitFadeKeyed, false, INT32_MAX, 0x1234, -1, 0x5678, 0x1234},
        {"BlitAlphaBlend", BlitAlphaBlend, false, INT32_MIN, 0xFFFF, 8, 0x0000, 0x0000},
        {"BlitAlphaBlend", BlitAlphaBlend, false, INT32_MAX, 0xFFFF, 8, 0x0000, 0xFFFF},
        {"BlitAlphaBlend", BlitAlphaBlend, false, INT32_MIN, 0xFFFF, 31, 0x0000, 0x0000},
        {"BlitAlphaBlend", BlitAlphaBlend, false, INT32_MAX, 0xFFFF, 31, 0x0000, 0xFFFF},
        {"BlitAlphaBlend", BlitAlphaBlend, false, 1000, 0xFFFF, 8, 0x0000, Rgb(30, 61, 30)},
        {"FillRectBlend", FillRectBlend, true, INT32_MIN, 0x1234, -1, 0x5678, 0x5678},
        {"FillRectBlend", FillRectBlend, true, INT32_MAX, 0x1234, -1, 0x5678, 0x1234},
    };
    for (const WeightCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.member << " weight " << c.weight << " alpha "
                                          << c.alpha);
        Canvas src(1, 1, c.source);
        src.s.opacity = c.weight;
        if (c.alpha >= 0) {
            ASSERT_TRUE(src.s.CreateAlpha());
            src.s.alpha[0] = static_cast<uint8_t>(c.alpha);
        }
        FillRecord fill = {0, 0, 1, 1, c.weight, c.source};
        Canvas dst(1, 1, c.destination);
        c.routine(&dst.s, c.fill ? static_cast<const void*>(&fill) : &src.s);
        EXPECT_EQ(c.expected, dst.At(0, 0));
    }
}

}  // namespace
