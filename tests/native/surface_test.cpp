// Surfaces: creation and its pitch rule, zeroed buffers, filling, release, borrowed buffers,
// and allocation failure with the library's error code.

#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "gfx/blit.h"
#include "gfx/error.h"

namespace {

bool AllZero(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

TEST(Surface, NewSurfaceIsEmptyAndCopies)
{
    Surface s;
    EXPECT_EQ(0, s.x);
    EXPECT_EQ(0, s.width);
    EXPECT_EQ(0, s.pitch);
    EXPECT_EQ(nullptr, s.bits);
    EXPECT_EQ(nullptr, s.alpha);
    EXPECT_EQ(0, s.opacity);
    EXPECT_FALSE(s.bitsBorrowed);
    EXPECT_FALSE(s.alphaBorrowed);
    EXPECT_EQ(&BlitCopy, s.blit);
}

TEST(Surface, PitchIsTwiceWidthRoundedUpToEight)
{
    Surface s;
    ASSERT_TRUE(s.Create(3, 2));
    EXPECT_EQ(8, s.pitch);
    EXPECT_TRUE(AllZero(s.bits, 2 * 8 + 7));  // 23 bytes, spare ones included
    ASSERT_TRUE(s.Create(4, 1));
    EXPECT_EQ(8, s.pitch);
    ASSERT_TRUE(s.Create(5, 1));
    EXPECT_EQ(16, s.pitch);
    ASSERT_TRUE(s.Create(1920, 2));
    EXPECT_EQ(3840, s.pitch);
    s.Release();
}

TEST(Surface, ZeroWidthSurfaceHasOnlySpareBytesAndFillWritesNothing)
{
    Surface s;
    ASSERT_TRUE(s.Create(0, 10));
    EXPECT_EQ(0, s.pitch);
    ASSERT_NE(nullptr, s.bits);
    EXPECT_EQ(0, FillSurface(&s, 0x1234));
    EXPECT_TRUE(AllZero(s.bits, 7));
    s.Release();
}

TEST(Surface, FillSetsOnlyThePixelsOfEachRow)
{
    Surface s;
    ASSERT_TRUE(s.Create(5, 2));
    std::memset(s.bits, 0xAB, 2 * s.pitch + 7);
    EXPECT_EQ(0, s.Fill(0x1234));
    for (int row = 0; row < 2; ++row) {
        for (int c = 0; c < 5; ++c) EXPECT_EQ(0x1234, s.Row(row)[c]);
        for (int c = 5; c < 8; ++c) EXPECT_EQ(0xABAB, s.Row(row)[c]);
    }
    s.Release();
}

TEST(Surface, RecreateKeepsAlphaOpacityAndBlitButResetsOrigin)
{
    Surface s;
    ASSERT_TRUE(s.Create(4, 4));
    ASSERT_TRUE(s.CreateAlpha());
    uint8_t* alpha = s.alpha;
    s.opacity = 128;
    s.blit = BlitFade;
    s.x = 5;
    s.y = -2;
    ASSERT_TRUE(s.Create(9, 3));
    EXPECT_EQ(alpha, s.alpha);
    EXPECT_EQ(128, s.opacity);
    EXPECT_EQ(&BlitFade, s.blit);
    EXPECT_EQ(0, s.x);
    EXPECT_EQ(0, s.y);
    EXPECT_EQ(9, s.width);
    EXPECT_EQ(3, s.height);
    s.Release();
    EXPECT_EQ(nullptr, s.alpha);
    EXPECT_EQ(&BlitCopy, s.blit);
    EXPECT_EQ(0, s.opacity);
}

TEST(Surface, AlphaMapHasHalfPitchRowsAndStartsZeroed)
{
    Surface s;
    ASSERT_TRUE(s.Create(5, 3));
    ASSERT_TRUE(s.CreateAlpha());
    EXPECT_TRUE(AllZero(s.alpha, 3 * 8 + 3));
    s.Release();
}

TEST(Surface, BorrowedBuffersOutliveTheSurface)
{
    uint8_t pixels[64] = {};
    uint8_t alpha[32] = {};
    pixels[0] = 0x5A;
    Surface s;
    s.bits = pixels;
    s.alpha = alpha;
    s.bitsBorrowed = true;
    s.alphaBorrowed = true;
    s.width = 4;
    s.height = 2;
    s.pitch = 8;
    ASSERT_TRUE(s.Create(2, 2));  // must not free the borrowed array
    EXPECT_NE(pixels, s.bits);
    EXPECT_FALSE(s.bitsBorrowed);
    s.Release();  // must not free the borrowed alpha
    EXPECT_EQ(0x5A, pixels[0]);
}

TEST(Surface, ImpossibleSizesFailWithCodeOneAndLeaveNoBuffer)
{
    g_graphicsError = 0;
    Surface s;
    ASSERT_TRUE(s.Create(4, 4));
    EXPECT_FALSE(s.Create(1 << 29, 1 << 29));  // 2^60 bytes
    EXPECT_EQ(GFX_CANNOT_ALLOCATE_MEMORY, g_graphicsError);
    EXPECT_EQ(nullptr, s.bits);
    EXPECT_EQ(1 << 29, s.width);
    EXPECT_EQ(1 << 29, s.height);

    g_graphicsError = 0;
    EXPECT_FALSE(s.Create(INT32_MAX, 1));  // the pitch alone does not fit 32 bits
    EXPECT_EQ(GFX_CANNOT_ALLOCATE_MEMORY, g_graphicsError);
    g_graphicsError = 0;
    EXPECT_FALSE(s.Create(-1, 4));
    EXPECT_EQ(GFX_CANNOT_ALLOCATE_MEMORY, g_graphicsError);
    EXPECT_FALSE(s.Create(4, -1));

    // A later success does not clear the code.
    ASSERT_TRUE(s.Create(2, 2));
    EXPECT_EQ(GFX_CANNOT_ALLOCATE_MEMORY, g_graphicsError);
    s.Release();
}

TEST(GraphicsError, TableHasTwentyOneMessagesAndUnknownOutside)
{
    EXPECT_STREQ("No error", GraphicsErrorMessage(0));
    EXPECT_STREQ("Can not allocate memory", GraphicsErrorMessage(1));
    EXPECT_STREQ("Can not create image", GraphicsErrorMessage(15));
    EXPECT_STREQ("Can not load image", GraphicsErrorMessage(16));
    EXPECT_STREQ("Unknown error", GraphicsErrorMessage(20));
    EXPECT_STREQ("Unknown error", GraphicsErrorMessage(21));
    EXPECT_STREQ("Unknown error", GraphicsErrorMessage(-1));
}

}  // namespace
