// The expansion of frame pixels to 32 bits: every one of the 65536 colours, at every
// position of a group of lanes and in the tail that is done one by one, on every path.
#include "ripple/pixel_convert.h"

#include <gtest/gtest.h>

#include <vector>

#include "ripple/processor.h"

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

// Each expansion the processor runs, and the one chosen: every colour at offsets that put
// it in every lane, and every short length, whose tail goes one by one, without a write
// past the end.
TEST(PixelConvert, RowsMatchThePixelRuleForEveryColourAndEveryLength)
{
    typedef void (*Expansion)(const uint16_t*, uint32_t*, size_t);
    std::vector<Expansion> expansions = {ExpandRgb565Row, ExpandRgb565RowSse2};
    if (ProcessorOffersAvx2()) expansions.push_back(ExpandRgb565RowAvx2);
    std::vector<uint16_t> all(65536 + 15);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint16_t>(i * 40503u);
    for (size_t path = 0; path < expansions.size(); ++path) {
        SCOPED_TRACE(path);
        const Expansion expand = expansions[path];
        for (size_t offset : {0, 1, 3, 8, 13}) {
            std::vector<uint32_t> out(all.size(), 0xDEADBEEF);
            const size_t count = all.size() - offset;
            expand(all.data() + offset, out.data(), count);
            for (size_t i = 0; i < count; ++i)
                ASSERT_EQ(ExpandRgb565(all[offset + i]), out[i]) << i;
        }
        for (size_t count = 0; count < 40; ++count) {
            std::vector<uint32_t> out(41, 0xDEADBEEF);
            expand(all.data(), out.data(), count);
            for (size_t i = 0; i < count; ++i) EXPECT_EQ(ExpandRgb565(all[i]), out[i]);
            EXPECT_EQ(0xDEADBEEFu, out[count]) << "wrote past " << count;
        }
    }
}

}  // namespace
