// The JPEG screen: frame headers of allowed and refused sizes, and the malformed marker
// streams that must be refused before any decoder reads them.
#include "gfx/jpeg_screen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

void Append(Bytes* bytes, std::initializer_list<uint8_t> more)
{
    bytes->insert(bytes->end(), more);
}

void Segment(Bytes* bytes, uint8_t marker, const Bytes& body)
{
    const size_t length = body.size() + 2;
    Append(bytes, {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
    bytes->insert(bytes->end(), body.begin(), body.end());
}

// A frame header of three components sampled 2x2, 1x1, 1x1 (4:2:0) unless told otherwise.
Bytes FrameBody(uint16_t width, uint16_t height, uint8_t firstSampling = 0x22)
{
    return {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 3,
            1, firstSampling, 0, 2, 0x11, 1, 3, 0x11, 1};
}

// Start of image, an application segment, the frame header, a table, the start of a scan
// and `payload` bytes of scan data.
Bytes Jpeg(uint8_t frameMarker, uint16_t width, uint16_t height, size_t payload = 64)
{
    Bytes jpeg = {0xFF, 0xD8};
    Segment(&jpeg, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Segment(&jpeg, frameMarker, FrameBody(width, height));
    Segment(&jpeg, 0xC4, Bytes(20, 0));
    Segment(&jpeg, 0xDA, {1, 1, 0, 0, 63, 0});
    jpeg.insert(jpeg.end(), payload, 0x55);
    Append(&jpeg, {0xFF, 0xD9});
    return jpeg;
}

bool Screen(const Bytes& jpeg, JpegFrame* frame)
{
    return ScreenJpeg(jpeg.data(), jpeg.size(), frame);
}

TEST(JpegScreen, BaselineAndProgressiveFramesOfAllowedSizePass)
{
    const struct {
        uint8_t marker;
        uint16_t width;
        uint16_t height;
    } cases[] = {{0xC0, 32, 8}, {0xC2, 32, 8}, {0xC1, 1, 1}, {0xC0, 1920, 1080},
                 {0xC2, 8192, 8192}, {0xC0, 32768, 2048}, {0xC9, 8192, 8192}};
    for (const auto& c : cases) {
        // Enough scan data for one bit per block of the coarsest component.
        const size_t payload = size_t(c.width / 16 + 1) * (c.height / 16 + 1) / 8 + 64;
        JpegFrame frame{-1, -1};
        EXPECT_TRUE(Screen(Jpeg(c.marker, c.width, c.height, payload), &frame))
            << std::hex << int(c.marker) << std::dec << " " << c.width << " x " << c.height;
        EXPECT_EQ(c.width, frame.width);
        EXPECT_EQ(c.height, frame.height);
    }
}

TEST(JpegScreen, FramesOfRefusedSizeFail)
{
    const struct {
        uint16_t width;
        uint16_t height;
    } sizes[] = {{0, 8}, {32, 0}, {0, 0}, {60000, 60000}, {65535, 1}, {32769, 1}, {8200, 8192}};
    for (uint8_t marker : {uint8_t(0xC0), uint8_t(0xC2), uint8_t(0xCA)}) {
        for (const auto& size : sizes) {
            JpegFrame frame{7, 7};
            EXPECT_FALSE(Screen(Jpeg(marker, size.width, size.height, 1 << 20), &frame))
                << std::hex << int(marker) << std::dec << " " << size.width << " x "
                << size.height;
            EXPECT_EQ(7, frame.width);
        }
    }
}

// A few hundred bytes cannot hold a Huffman-coded picture of millions of blocks, so such
// a claim never reaches a decoder that would allocate for it; arithmetic coding can pack
// that tightly and is held only to the size limits.
TEST(JpegScreen, HuffmanFrameNeedsABitPerBlock)
{
    JpegFrame frame;
    EXPECT_FALSE(Screen(Jpeg(0xC0, 4096, 4096, 200), &frame));
    EXPECT_FALSE(Screen(Jpeg(0xC2, 4096, 4096, 200), &frame));
    // 4:2:0 at 4096 x 4096: 256 x 256 chroma blocks, 8192 bytes of bits.
    EXPECT_FALSE(Screen(Jpeg(0xC0, 4096, 4096, 8000), &frame));
    EXPECT_TRUE(Screen(Jpeg(0xC0, 4096, 4096, 8192), &frame));
    EXPECT_TRUE(Screen(Jpeg(0xC9, 4096, 4096, 200), &frame));
    // At 4100 x 4100 a partial block counts whole: 257 x 257 blocks need 8257 bytes, and the
    // file is the payload and 75 bytes more.
    EXPECT_FALSE(Screen(Jpeg(0xC0, 4100, 4100, 8181), &frame));
    EXPECT_TRUE(Screen(Jpeg(0xC0, 4100, 4100, 8182), &frame));
}

TEST(JpegScreen, MalformedMarkerStreamsFail)
{
    const Bytes good = Jpeg(0xC0, 32, 8);
    // Offsets into `good`: SOI 0, APP0 2 (18 bytes), SOF0 20 (19 bytes), DHT 39, SOS 63.
    const size_t frameAt = 20;
    std::vector<Bytes> bad;

    bad.push_back(Bytes(good.begin(), good.begin() + frameAt + 3));   // length cut in two
    bad.push_back(Bytes(good.begin(), good.begin() + frameAt + 10));  // frame header cut
    Bytes pastEnd = Bytes(good.begin(), good.begin() + frameAt);
    Segment(&pastEnd, 0xC0, FrameBody(32, 8));
    pastEnd[frameAt + 3] = 200;  // length runs past the data
    bad.push_back(pastEnd);
    Bytes tooShort = good;
    tooShort[frameAt + 2] = 0;
    tooShort[frameAt + 3] = 1;  // a length smaller than its own two bytes
    bad.push_back(tooShort);
    Bytes fewComponents = good;
    fewComponents[frameAt + 9] = 9;  // nine components in room for three
    bad.push_back(fewComponents);
    Bytes zeroSampling = good;
    zeroSampling[frameAt + 11] = 0x02;
    bad.push_back(zeroSampling);
    Bytes noFrame = {0xFF, 0xD8};
    Segment(&noFrame, 0xDA, {1, 1, 0, 0, 63, 0});
    bad.push_back(noFrame);
    Bytes endFirst = {0xFF, 0xD8, 0xFF, 0xD9};
    endFirst.insert(endFirst.end(), good.begin() + 2, good.end());
    bad.push_back(endFirst);
    Bytes noMarker = good;
    noMarker[frameAt] = 0x00;  // a byte that is not a marker where one must stand
    bad.push_back(noMarker);
    bad.push_back(Bytes(good.begin() + 2, good.end()));  // no start of image
    bad.push_back({0xFF, 0xD8, 0xFF});
    bad.push_back({});
    Bytes secondFrame = Bytes(good.begin(), good.begin() + 39);
    Segment(&secondFrame, 0xC2, FrameBody(60000, 60000));
    secondFrame.insert(secondFrame.end(), good.begin() + 39, good.end());
    bad.push_back(secondFrame);
    Bytes hierarchy = {0xFF, 0xD8};
    Segment(&hierarchy, 0xDE, FrameBody(60000, 60000));
    hierarchy.insert(hierarchy.end(), good.begin() + 2, good.end());
    bad.push_back(hierarchy);
    Bytes shortTable = Bytes(good.begin(), good.begin() + frameAt);
    Bytes body = FrameBody(32, 8);
    body.pop_back();  // the last component's table byte
    Segment(&shortTable, 0xC0, body);
    shortTable.insert(shortTable.end(), good.begin() + frameAt + 19, good.end());
    bad.push_back(shortTable);

    for (size_t i = 0; i < bad.size(); ++i) {
        JpegFrame frame;
        EXPECT_FALSE(Screen(bad[i], &frame)) << "case " << i;
    }
    JpegFrame frame;
    EXPECT_TRUE(Screen(good, &frame));
    EXPECT_FALSE(ScreenJpeg(nullptr, 100, &frame));
    // The data ends one byte inside the frame segment; what lies beyond it is never read.
    EXPECT_FALSE(ScreenJpeg(good.data(), frameAt + 18, &frame));
}

TEST(JpegScreen, FillBytesAndStandaloneMarkersAreSkipped)
{
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0xD0, 0xFF, 0xD7};
    const Bytes good = Jpeg(0xC2, 40, 30);
    jpeg.insert(jpeg.end(), good.begin() + 2, good.end());
    JpegFrame frame;
    ASSERT_TRUE(Screen(jpeg, &frame));
    EXPECT_EQ(40, frame.width);
    EXPECT_EQ(30, frame.height);

    // Sampling factors run up to 4 in both directions.
    Bytes fine = {0xFF, 0xD8};
    Segment(&fine, 0xC0, FrameBody(40, 30, 0x44));
    fine.insert(fine.end(), good.begin() + 39, good.end());
    EXPECT_TRUE(Screen(fine, &frame));
}

}  // namespace
