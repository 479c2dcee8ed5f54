// The PNG screen and the kind of a picture by its first bytes: well-formed pictures pass
// with their size, and the hostile files a decoder must never see are refused.
#include "gfx/png_screen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/picture_kind.h"
#include "tests/png_builder.h"

namespace {

using png_builder::Bytes;

Bytes Picture(uint32_t width, uint32_t height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    return png_builder::Rgb(width, height, pixels);
}

bool Screen(const Bytes& png, PngHeader* header)
{
    return ScreenPng(png.data(), png.size(), header);
}

TEST(PngScreen, WellFormedPicturesPassWithTheirSize)
{
    // One pixel, a wide row, and a picture whose data spans several stored blocks.
    const uint32_t sizes[][2] = {{1, 1}, {300, 2}, {200, 120}};
    for (const auto& size : sizes) {
        PngHeader header{0, 0};
        ASSERT_TRUE(Screen(Picture(size[0], size[1]), &header)) << size[0] << "x" << size[1];
        EXPECT_EQ(int32_t(size[0]), header.width);
        EXPECT_EQ(int32_t(size[1]), header.height);
    }
}

TEST(PngScreen, SizesOutsideTheLibrarysLimitsOrBeyondTheDataAreRefused)
{
    const uint32_t sizes[][2] = {{65500, 65500}, {0, 10}, {10, 0}, {32769, 1},
                                 {8193, 8193}, {0x80000000u, 1}};
    for (const auto& size : sizes) {
        Bytes png = Picture(4, 4);
        png_builder::SetSize(&png, size[0], size[1]);
        PngHeader header{7, 7};
        EXPECT_FALSE(Screen(png, &header)) << size[0] << "x" << size[1];
        EXPECT_EQ(7, header.width);
    }
    // An allowed size, but more pixels than the few bytes of data could ever inflate to.
    Bytes liar = Picture(4, 4);
    png_builder::SetSize(&liar, 4000, 4000);
    PngHeader header;
    EXPECT_FALSE(Screen(liar, &header));
}

TEST(PngScreen, TruncatedCorruptedAndMisorderedFilesAreRefused)
{
    const Bytes good = Picture(16, 8);
    PngHeader header;
    for (size_t cut = 0; cut < good.size(); ++cut)
        ASSERT_FALSE(ScreenPng(good.data(), cut, &header)) << "cut at " << cut;

    // A single changed byte anywhere inside a chunk breaks its CRC.
    for (size_t at : {size_t(20), good.size() / 2, good.size() - 9}) {
        Bytes bad = good;
        bad[at] ^= 0x40;
        EXPECT_FALSE(Screen(bad, &header)) << "byte " << at;
    }

    Bytes badSignature = good;
    badSignature[1] = 'Q';
    EXPECT_FALSE(Screen(badSignature, &header));

    // Chunks before the header, a chunk longer than the file, and a palette picture
    // without its palette.
    Bytes textFirst(good.begin(), good.begin() + 8);
    png_builder::Chunk(&textFirst, "tEXt", {'a', 0, 'b'});
    textFirst.insert(textFirst.end(), good.begin() + 8, good.end());
    EXPECT_FALSE(Screen(textFirst, &header));

    Bytes longChunk = good;
    png_builder::Set32BE(&longChunk, 33, 0x7FFFFFF0u);
    EXPECT_FALSE(Screen(longChunk, &header));

    Bytes palette = good;
    palette[25] = 3;  // colour type: palette
    png_builder::Set32BE(&palette, png_builder::HEADER_CRC_FIELD,
                         png_builder::Crc32(palette.data() + 12, 17));
    EXPECT_FALSE(Screen(palette, &header));
    palette[24] = 16;  // and a depth no palette picture has
    EXPECT_FALSE(Screen(palette, &header));
}

// Each header field at the edge of what the screen takes: the first chunk must be named
// IHDR, interlacing is 0 or 1, a palette picture has its palette and indices of at most 8
// bits, and the size may claim no more than the data could inflate to.
TEST(PngScreen, HeaderFieldsAtTheirLimits)
{
    const Bytes good = Picture(4, 4);
    const size_t TYPE_END = 15, DEPTH = 24, COLOUR_TYPE = 25, INTERLACE = 28, IDAT_AT = 33;
    const auto withHeaderByte = [](Bytes png, size_t at, uint8_t value) {
        png[at] = value;
        png_builder::Set32BE(&png, png_builder::HEADER_CRC_FIELD,
                             png_builder::Crc32(png.data() + 12, 17));
        return png;
    };
    PngHeader header;
    EXPECT_FALSE(Screen(withHeaderByte(good, TYPE_END, 'X'), &header));  // "IHDX"
    EXPECT_TRUE(Screen(withHeaderByte(good, INTERLACE, 1), &header));
    EXPECT_FALSE(Screen(withHeaderByte(good, INTERLACE, 2), &header));

    const Bytes indexed = withHeaderByte(good, COLOUR_TYPE, 3);
    Bytes palette(indexed.begin(), indexed.begin() + IDAT_AT);
    png_builder::Chunk(&palette, "PLTE", {0, 0, 0, 255, 255, 255});
    palette.insert(palette.end(), indexed.begin() + IDAT_AT, indexed.end());
    EXPECT_TRUE(Screen(palette, &header));
    EXPECT_FALSE(Screen(withHeaderByte(palette, DEPTH, 16), &header));

    // Rows of 1024 RGB pixels inflate from 3073 bytes each, filter byte included.
    const uint32_t idat = uint32_t(good[IDAT_AT]) << 24 | uint32_t(good[IDAT_AT + 1]) << 16 |
                          uint32_t(good[IDAT_AT + 2]) << 8 | good[IDAT_AT + 3];
    const uint32_t rows = uint32_t(uint64_t(idat) * 1032 / 3073);
    Bytes largest = good;
    png_builder::SetSize(&largest, 1024, rows);
    EXPECT_TRUE(Screen(largest, &header)) << rows << " rows";
    png_builder::SetSize(&largest, 1024, rows + 1);
    EXPECT_FALSE(Screen(largest, &header)) << rows + 1 << " rows";
}

TEST(PictureKind, TheFirstBytesTellTheReader)
{
    const Bytes png = Picture(2, 2);
    EXPECT_EQ(PICTURE_PNG, DetectPictureKind(png.data(), png.size()));
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(png.data(), 7));
    const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    EXPECT_EQ(PICTURE_JPEG, DetectPictureKind(jpeg, sizeof(jpeg)));
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(jpeg, 2));
    const uint8_t bmp[] = {'B', 'M'};
    EXPECT_EQ(PICTURE_BMP, DetectPictureKind(bmp, sizeof(bmp)));
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(bmp, 1));
    const uint8_t notBmp[] = {'B', 'A'};
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(notBmp, sizeof(notBmp)));
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(gif, sizeof(gif)));
    EXPECT_EQ(PICTURE_UNKNOWN, DetectPictureKind(nullptr, 10));
}

}  // namespace
