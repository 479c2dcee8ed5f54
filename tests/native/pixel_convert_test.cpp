// The expansion of frame pixels to 32 bits: every one of the 65536 colours, at every
// position of an eight-pixel group and in the tail that is done one by one.
#include "ripple/pixel_convert.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PixelConvert, EndsOfEachChannelMapToTheEndsOfEightBits)
{
    EXPECT_EQ(0x000000u, ExpandRgb565(0x0000));
    EXPECT_EQ(0xFFFFFFu, ExpandRgb565(0xFFFF));
    EXPECT_EQ(0xFF0000u, ExpandRgb565(0xF800));
    EXPECT_EQ(0x00FF00u, ExpandRgb565(0x07E0));
    EXPECT_EQ(0x0000FFu, ExpandRgb565(0x001F));
    EXPECT_EQ(0x080408u, ExpandRgb565(0x0821));  // the lowest step of each channel
}

TEST(PixelConvert, RowsMatchThePixelRuleForEveryColourAndEveryLength)
{
    std::vector<uint16_t> all(65536 + 7);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint16_t>(i * 40503u);
    for (size_t offset : {0, 1, 3}) {
        std::vector<uint32_t> out(all.size(), 0xDEADBEEF);
        const size_t count = all.size() - offset;
        ExpandRgb565Row(all.data() + offset, out.data(), count);
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(ExpandRgb565(all[offset + i]), out[i]) << i;
    }
    for (size_t count = 0; count < 20; ++count) {
        std::vector<uint32_t> out(21, 0xDEADBEEF);
        ExpandRgb565Row(all.data(), out.data(), count);
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(ExpandRgb565(all[i]), out[i]);
        EXPECT_EQ(0xDEADBEEFu, out[count]) << "wrote past " << count;
    }
}

}  // namespace
