// The BMP reader and the whole-file reader: conversions, row order and padding, alpha
// masks, and the refusal of every malformed or unreadable input with the surface left as
// the failure table says.
#include "gfx/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gfx/error.h"
#include "gfx/file_read.h"
#include "tests/bmp_builder.h"

namespace {

using namespace bmp_builder;
typedef std::vector<uint8_t> Bytes;

// Surface has no destructor: release whatever a case leaves behind.
struct TestSurface : Surface {
    ~TestSurface() { Release(); }
};

uint16_t PixelAt(const Surface& surface, int x, int y)
{
    return surface.Row(y)[x];
}

uint8_t AlphaAt(const Surface& surface, int x, int y)
{
    return surface.alpha[y * (surface.pitch / 2) + x];
}

bool Read(Surface* surface, const Bytes& picture)
{
    return ReadBmp(surface, picture.data(), picture.size(), nullptr, 0);
}

// An empty mask is still a mask: only a null pointer means "no mask".
bool ReadWithMask(Surface* surface, const Bytes& picture, const Bytes& mask)
{
    static const uint8_t nothing = 0;
    return ReadBmp(surface, picture.data(), picture.size(), mask.empty() ? &nothing : mask.data(),
                   mask.size());
}

// File rows bottom red, green; top blue, white.
Bytes TwoByTwo24()
{
    BmpImage image;
    image.width = 2;
    image.height = 2;
    image.rows.resize(2);
    AppendBgr(&image.rows[0], 255, 0, 0);
    AppendBgr(&image.rows[0], 0, 255, 0);
    AppendBgr(&image.rows[1], 0, 0, 255);
    AppendBgr(&image.rows[1], 255, 255, 255);
    return BuildBmp(image);
}

// Index 0 blue, 1 red, 128 green, 255 white, everything else black.
std::vector<uint32_t> FullPalette()
{
    std::vector<uint32_t> palette(256, 0);
    palette[0] = 0x0000FF;
    palette[1] = 0xFF0000;
    palette[128] = 0x00FF00;
    palette[255] = 0xFFFFFF;
    return palette;
}

Bytes EightBit(uint32_t colourCount, std::vector<uint32_t> palette, std::vector<uint8_t> indices)
{
    BmpImage image;
    image.width = static_cast<int32_t>(indices.size());
    image.height = 1;
    image.bitCount = 8;
    image.colourCount = colourCount;
    image.palette = std::move(palette);
    image.rows.push_back(std::move(indices));
    return BuildBmp(image);
}

// A black 24-bit picture of the given size, to carry a mask.
Bytes Black24(int32_t width, int32_t height)
{
    BmpImage image;
    image.width = width;
    image.height = height;
    image.rows.assign(height, std::vector<uint8_t>(3 * width, 0));
    return BuildBmp(image);
}

Bytes WithField32(Bytes bytes, size_t offset, uint32_t value)
{
    Put32LE(&bytes, offset, value);
    return bytes;
}

// A 3 x 3 surface of 0x1234 that a failing load must leave exactly as it was.
void MakeUntouched(Surface* surface)
{
    ASSERT_TRUE(surface->Create(3, 3));
    surface->Fill(0x1234);
}

void ExpectUntouched(const Surface& surface, const uint8_t* bits)
{
    ASSERT_EQ(bits, surface.bits);
    ASSERT_EQ(3, surface.width);
    ASSERT_EQ(3, surface.height);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(0x1234, PixelAt(surface, x, y));
}

void ExpectEmpty(const Surface& surface)
{
    EXPECT_EQ(nullptr, surface.bits);
    EXPECT_EQ(nullptr, surface.alpha);
    EXPECT_EQ(0, surface.width);
    EXPECT_EQ(0, surface.height);
}

TEST(Bmp, RowsAreStoredBottomUp)
{
    const Bytes file = TwoByTwo24();
    ASSERT_EQ(HEADERS_SIZE + 2 * 8, file.size());  // 6 bytes per row rounded up to 8
    TestSurface s;
    ASSERT_TRUE(Read(&s, file));
    ASSERT_EQ(2, s.width);
    ASSERT_EQ(2, s.height);
    EXPECT_EQ(0x001F, PixelAt(s, 0, 0));
    EXPECT_EQ(0xFFFF, PixelAt(s, 1, 0));
    EXPECT_EQ(0xF800, PixelAt(s, 0, 1));
    EXPECT_EQ(0x07E0, PixelAt(s, 1, 1));
}

TEST(Bmp, ChannelsAreTruncatedNeverRounded)
{
    BmpImage image;
    image.width = 1;
    image.height = 1;
    image.rows.resize(1);
    AppendBgr(&image.rows[0], 0xFF, 0x03, 0x07);
    TestSurface s;
    ASSERT_TRUE(Read(&s, BuildBmp(image)));
    EXPECT_EQ(0xF800, PixelAt(s, 0, 0));
}

TEST(Bmp, LoadLeavesOriginOpacityAndAlphaReset)
{
    TestSurface s;
    ASSERT_TRUE(s.Create(4, 4));
    ASSERT_TRUE(s.CreateAlpha());
    s.x = 5;
    s.opacity = 200;
    ASSERT_TRUE(Read(&s, TwoByTwo24()));
    EXPECT_EQ(0, s.x);
    EXPECT_EQ(0, s.opacity);
    EXPECT_EQ(nullptr, s.alpha);
}

TEST(Bmp, EightBitZeroColourCountConvertsAll256Entries)
{
    TestSurface s;
    ASSERT_TRUE(Read(&s, EightBit(0, FullPalette(), {0, 1, 128, 255})));
    EXPECT_EQ(0x001F, PixelAt(s, 0, 0));
    EXPECT_EQ(0xF800, PixelAt(s, 1, 0));
    EXPECT_EQ(0x07E0, PixelAt(s, 2, 0));
    EXPECT_EQ(0xFFFF, PixelAt(s, 3, 0));
}

TEST(Bmp, EightBitColourCountAbove256ReadsOnly256)
{
    TestSurface s;
    ASSERT_TRUE(Read(&s, EightBit(100000, FullPalette(), {255, 1})));
    EXPECT_EQ(0xFFFF, PixelAt(s, 0, 0));
    EXPECT_EQ(0xF800, PixelAt(s, 1, 0));
}

TEST(Bmp, EightBitIndexBeyondColourCountIsBlackEvenAfterAFullPalette)
{
    TestSurface s;
    ASSERT_TRUE(Read(&s, EightBit(0, FullPalette(), {255, 255, 255, 255})));
    ASSERT_EQ(0xFFFF, PixelAt(s, 0, 0));

    // Only two entries are in the file; the rows follow them directly.
    ASSERT_TRUE(Read(&s, EightBit(2, {0x0000FF, 0xFF0000}, {0, 1, 2, 255})));
    EXPECT_EQ(0x001F, PixelAt(s, 0, 0));
    EXPECT_EQ(0xF800, PixelAt(s, 1, 0));
    EXPECT_EQ(0x0000, PixelAt(s, 2, 0));
    EXPECT_EQ(0x0000, PixelAt(s, 3, 0));
}

TEST(Bmp, ColourCountIsIgnoredAboveEightBits)
{
    Bytes file = TwoByTwo24();
    Put32LE(&file, COLOUR_COUNT_FIELD, 0xFFFFFFFF);
    TestSurface s;
    ASSERT_TRUE(Read(&s, file));
    EXPECT_EQ(0x001F, PixelAt(s, 0, 0));
}

TEST(Bmp, ThreePixelWideEightBitRowsAdvanceFourBytes)
{
    BmpImage image;
    image.width = 3;
    image.height = 2;
    image.bitCount = 8;
    image.colourCount = 4;
    image.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // The fourth byte of each row is padding; a reader that ignored it would show blue.
    image.rows = {{1, 1, 1, 3}, {2, 2, 2, 3}};
    TestSurface s;
    ASSERT_TRUE(Read(&s, BuildBmp(image)));
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(0x07E0, PixelAt(s, x, 0));
        EXPECT_EQ(0xF800, PixelAt(s, x, 1));
    }
}

TEST(Bmp, SixteenBitWordsAreCopiedUnchanged)
{
    BmpImage image;
    image.width = 3;
    image.height = 1;
    image.bitCount = 16;
    image.rows = {{0xFF, 0x7F, 0x34, 0x12, 0x1F, 0x7C}};  // 555 white, 0x1234, 555 red+blue
    Bytes file = BuildBmp(image);
    Put32LE(&file, COMPRESSION_FIELD, 3);  // bit fields: still copied as they stand
    TestSurface s;
    ASSERT_TRUE(Read(&s, file));
    EXPECT_EQ(0x7FFF, PixelAt(s, 0, 0));
    EXPECT_EQ(0x1234, PixelAt(s, 1, 0));
    EXPECT_EQ(0x7C1F, PixelAt(s, 2, 0));
}

TEST(Bmp, MissingSignatureFailsWithSurfaceUnchanged)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    Bytes file = TwoByTwo24();
    file[1] = 'A';
    g_graphicsError = 0;
    EXPECT_FALSE(Read(&s, file));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched(s, bits);

    const uint8_t justB = 'B';
    EXPECT_FALSE(ReadBmp(&s, &justB, 1, nullptr, 0));
    EXPECT_FALSE(ReadBmp(&s, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched(s, bits);
}

TEST(Bmp, UnsupportedDepthLeavesSurfaceCreatedBlack)
{
    for (uint16_t depth : {0, 1, 4, 15, 32, 0xFFFF}) {
        TestSurface s;
        MakeUntouched(&s);
        Bytes file = TwoByTwo24();
        Put16LE(&file, BIT_COUNT_FIELD, depth);
        g_graphicsError = 0;
        EXPECT_FALSE(Read(&s, file)) << depth;
        EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError) << depth;
        ASSERT_NE(nullptr, s.bits);
        ASSERT_EQ(2, s.width);
        ASSERT_EQ(2, s.height);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(0, PixelAt(s, x, y)) << depth;
    }
}

TEST(Bmp, SizesNoSurfaceCanTakeFailWithCode15AndEmptySurface)
{
    struct Case {
        uint32_t width;
        uint32_t height;
    };
    const Case cases[] = {
        {0, 2},
        {2, 0},
        {0xFFFFFFFF, 2},  // -1
        {2, 0xFFFFFFFE},  // -2: rows top to bottom are refused
        {0x80000000, 2},  // INT32_MIN
        {2, 0x80000000},
        {0x7FFFFFFF, 1},
        {1, 0x7FFFFFFF},
        {32769, 1},
        {1, 32769},
        {8192, 8193},   // each side allowed, the area is not
        {0x55555556, 1},  // 3 * width wraps 32 bits to a 2-byte row
        {0x10002, 2},     // both halves of the field count: 65538, not 2 or 258
    };
    for (const Case& c : cases) {
        TestSurface s;
        MakeUntouched(&s);
        Bytes file = WithField32(WithField32(TwoByTwo24(), WIDTH_FIELD, c.width), HEIGHT_FIELD,
                                 c.height);
        g_graphicsError = 0;
        EXPECT_FALSE(Read(&s, file)) << c.width << " x " << c.height;
        EXPECT_EQ(GFX_CANNOT_CREATE_IMAGE, g_graphicsError) << c.width << " x " << c.height;
        ExpectEmpty(s);
    }
}

TEST(Bmp, LargestSideIsAccepted)
{
    BmpImage image;
    image.width = PICTURE_MAX_SIDE;
    image.height = 2;
    image.bitCount = 8;
    image.colourCount = 2;
    image.palette = {0x000000, 0xFFFFFF};
    image.rows.assign(2, std::vector<uint8_t>(PICTURE_MAX_SIDE, 0));
    image.rows[1][PICTURE_MAX_SIDE - 1] = 1;
    TestSurface s;
    ASSERT_TRUE(Read(&s, BuildBmp(image)));
    EXPECT_EQ(0xFFFF, PixelAt(s, PICTURE_MAX_SIDE - 1, 0));
    EXPECT_EQ(0x0000, PixelAt(s, PICTURE_MAX_SIDE - 1, 1));
}

// An allowed size whose rows are not in the buffer is found out before the surface is
// released, so no large buffer is allocated for a small file.
TEST(Bmp, AllowedSizeWithoutItsRowsFailsWithSurfaceUnchanged)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    Bytes file = WithField32(WithField32(TwoByTwo24(), WIDTH_FIELD, 32768), HEIGHT_FIELD, 2048);
    g_graphicsError = 0;
    EXPECT_FALSE(Read(&s, file));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched(s, bits);
}

void ExpectMalformed(const Bytes& file, const std::string& what)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    g_graphicsError = 0;
    EXPECT_FALSE(Read(&s, file)) << what;
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError) << what;
    ExpectUntouched(s, bits);
}

TEST(Bmp, EveryTruncationFailsWithSurfaceUnchanged)
{
    const Bytes files[] = {TwoByTwo24(), EightBit(3, {0x0000FF, 0xFF0000, 0x00FF00}, {0, 1, 2})};
    for (const Bytes& whole : files) {
        for (size_t length = 0; length < whole.size(); ++length)
            ExpectMalformed(Bytes(whole.begin(), whole.begin() + length),
                            "length " + std::to_string(length));
    }
}

TEST(Bmp, MalformedHeadersFailWithSurfaceUnchanged)
{
    const Bytes good = TwoByTwo24();
    ExpectMalformed(WithField32(good, INFO_SIZE_FIELD, 0xFFFFFFFF), "info size huge");
    ExpectMalformed(WithField32(good, INFO_SIZE_FIELD, 0x7FFFFFFF), "info size past the end");
    ExpectMalformed(WithField32(good, INFO_SIZE_FIELD, static_cast<uint32_t>(good.size())),
                    "info size one past the end");
    ExpectMalformed(WithField32(good, INFO_SIZE_FIELD, 12), "core header");
    ExpectMalformed(WithField32(good, INFO_SIZE_FIELD, 39), "info header too short");
    ExpectMalformed(WithField32(good, PIXEL_OFFSET_FIELD, 0xFFFFFFFF), "rows far past the end");
    ExpectMalformed(WithField32(good, PIXEL_OFFSET_FIELD, static_cast<uint32_t>(good.size())),
                    "rows at the end");
    ExpectMalformed(WithField32(good, PIXEL_OFFSET_FIELD, HEADERS_SIZE + 1),
                    "rows one byte past the end");
    ExpectMalformed(Bytes(good.begin(), good.end() - 1), "last row one byte short");
}

TEST(Bmp, ColourTableRunningOffTheEndFails)
{
    // 256 entries declared, two present: the table would run into and past the rows.
    ExpectMalformed(EightBit(256, {0x0000FF, 0xFF0000}, {0, 1}), "table past the end");
    ExpectMalformed(EightBit(0, {0x0000FF, 0xFF0000}, {0, 1}), "implied 256 entries");
    Bytes file = EightBit(2, {0x0000FF, 0xFF0000}, {0, 1});
    Put32LE(&file, INFO_SIZE_FIELD, static_cast<uint32_t>(file.size() - 14 - 4));
    ExpectMalformed(file, "table starts too late");
}

TEST(BmpMask, GreenGivesAlphaWithOnlyWhiteReaching31)
{
    BmpImage mask;
    mask.width = 5;
    mask.height = 1;
    mask.rows.resize(1);
    AppendBgr(&mask.rows[0], 0, 252, 255);
    AppendBgr(&mask.rows[0], 0, 255, 0);
    AppendBgr(&mask.rows[0], 255, 8, 0);
    AppendBgr(&mask.rows[0], 255, 7, 255);
    AppendBgr(&mask.rows[0], 0, 254, 0);
    TestSurface s;
    ASSERT_TRUE(ReadWithMask(&s, Black24(5, 1), BuildBmp(mask)));
    ASSERT_NE(nullptr, s.alpha);
    EXPECT_EQ(30, AlphaAt(s, 0, 0));
    EXPECT_EQ(31, AlphaAt(s, 1, 0));
    EXPECT_EQ(1, AlphaAt(s, 2, 0));
    EXPECT_EQ(0, AlphaAt(s, 3, 0));
    EXPECT_EQ(30, AlphaAt(s, 4, 0));
}

TEST(BmpMask, RowsAreStoredBottomUp)
{
    BmpImage mask;
    mask.width = 1;
    mask.height = 2;
    mask.rows.resize(2);
    AppendBgr(&mask.rows[0], 0, 255, 0);
    AppendBgr(&mask.rows[1], 0, 16, 0);
    TestSurface s;
    ASSERT_TRUE(ReadWithMask(&s, Black24(1, 2), BuildBmp(mask)));
    EXPECT_EQ(2, AlphaAt(s, 0, 0));
    EXPECT_EQ(31, AlphaAt(s, 0, 1));
}

TEST(BmpMask, EightBitTakesGreenOfTheEntryAndZeroBeyondTheTable)
{
    const Bytes mask = EightBit(3, {0xFF00FF, 0x00FF00, 0x006400}, {1, 2, 0, 7});
    TestSurface s;
    ASSERT_TRUE(ReadWithMask(&s, Black24(4, 1), mask));
    EXPECT_EQ(31, AlphaAt(s, 0, 0));
    EXPECT_EQ(12, AlphaAt(s, 1, 0));  // 100 >> 3
    EXPECT_EQ(0, AlphaAt(s, 2, 0));
    EXPECT_EQ(0, AlphaAt(s, 3, 0));
}

TEST(BmpMask, SixteenBitTakesTheLowFiveBits)
{
    BmpImage mask;
    mask.width = 3;
    mask.height = 1;
    mask.bitCount = 16;
    mask.rows = {{0xFF, 0xFF, 0xE0, 0x07, 0x01, 0x00}};
    TestSurface s;
    ASSERT_TRUE(ReadWithMask(&s, Black24(3, 1), BuildBmp(mask)));
    EXPECT_EQ(31, AlphaAt(s, 0, 0));
    EXPECT_EQ(0, AlphaAt(s, 1, 0));
    EXPECT_EQ(1, AlphaAt(s, 2, 0));
}

// A mask that fails leaves the picture loaded and no alpha map at all.
void ExpectMaskRefused(const Bytes& mask, int code, const std::string& what)
{
    TestSurface s;
    ASSERT_TRUE(s.Create(3, 3));
    ASSERT_TRUE(s.CreateAlpha());
    g_graphicsError = 0;
    EXPECT_FALSE(ReadWithMask(&s, TwoByTwo24(), mask)) << what;
    EXPECT_EQ(code, g_graphicsError) << what;
    ASSERT_EQ(2, s.width) << what;
    ASSERT_EQ(2, s.height) << what;
    EXPECT_EQ(0xF800, PixelAt(s, 0, 1)) << what;
    EXPECT_EQ(nullptr, s.alpha) << what;
}

TEST(BmpMask, SizeDifferentFromThePictureFailsWithCode15)
{
    ExpectMaskRefused(Black24(1, 2), GFX_CANNOT_CREATE_IMAGE, "one pixel narrower");
    ExpectMaskRefused(Black24(2, 3), GFX_CANNOT_CREATE_IMAGE, "one row taller");
    ExpectMaskRefused(WithField32(Black24(2, 2), HEIGHT_FIELD, 0xFFFFFFFE),
                      GFX_CANNOT_CREATE_IMAGE, "top to bottom");
}

TEST(BmpMask, MalformedMaskFailsWithCode16)
{
    Bytes noSignature = Black24(2, 2);
    noSignature[0] = 'X';
    ExpectMaskRefused(noSignature, GFX_CANNOT_LOAD_IMAGE, "no signature");
    Bytes depth32 = Black24(2, 2);
    Put16LE(&depth32, BIT_COUNT_FIELD, 32);
    ExpectMaskRefused(depth32, GFX_CANNOT_LOAD_IMAGE, "depth 32");
    const Bytes whole = Black24(2, 2);
    for (size_t length = 0; length < whole.size(); ++length)
        ExpectMaskRefused(Bytes(whole.begin(), whole.begin() + length), GFX_CANNOT_LOAD_IMAGE,
                          "length " + std::to_string(length));
    BmpImage shortTable;
    shortTable.width = 2;
    shortTable.height = 2;
    shortTable.bitCount = 8;
    shortTable.colourCount = 256;
    shortTable.palette = {0x00FF00};
    shortTable.rows = {{0, 0}, {0, 0}};
    ExpectMaskRefused(BuildBmp(shortTable), GFX_CANNOT_LOAD_IMAGE, "table past the end");
}

// Files in a directory of their own, removed at the end of each case.
class BmpFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        dir_ = std::filesystem::temp_directory_path() /
               ("lakeglass-bmp-" + std::to_string(random()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::filesystem::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    std::string Missing() const { return (dir_ / "missing.bmp").string(); }

    std::filesystem::path dir_;
};

TEST_F(BmpFile, LoadsPictureAndMask)
{
    BmpImage mask;
    mask.width = 2;
    mask.height = 2;
    mask.rows.resize(2);
    for (auto& row : mask.rows) {
        AppendBgr(&row, 0, 255, 0);
        AppendBgr(&row, 0, 128, 0);
    }
    TestSurface s;
    ASSERT_TRUE(LoadBmpFile(&s, Write("picture.bmp", TwoByTwo24()).c_str(),
                            Write("mask.bmp", BuildBmp(mask)).c_str()));
    EXPECT_EQ(0x001F, PixelAt(s, 0, 0));
    EXPECT_EQ(0x07E0, PixelAt(s, 1, 1));
    EXPECT_EQ(31, AlphaAt(s, 0, 0));
    EXPECT_EQ(16, AlphaAt(s, 1, 1));
}

TEST_F(BmpFile, MissingFileFailsWithCode2AndSurfaceUnchanged)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    g_graphicsError = 0;
    EXPECT_FALSE(LoadBmpFile(&s, Missing().c_str(), nullptr));
    EXPECT_EQ(GFX_CANNOT_OPEN_FILE, g_graphicsError);
    ExpectUntouched(s, bits);
}

TEST_F(BmpFile, MissingMaskFailsBeforeThePictureIsParsed)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    g_graphicsError = 0;
    EXPECT_FALSE(LoadBmpFile(&s, Write("picture.bmp", TwoByTwo24()).c_str(), Missing().c_str()));
    EXPECT_EQ(GFX_CANNOT_OPEN_FILE, g_graphicsError);
    ExpectUntouched(s, bits);
}

TEST_F(BmpFile, DirectoryIsNotAFile)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    g_graphicsError = 0;
    EXPECT_FALSE(LoadBmpFile(&s, dir_.string().c_str(), nullptr));
    EXPECT_EQ(GFX_CANNOT_OPEN_FILE, g_graphicsError);
    ExpectUntouched(s, bits);
}

TEST_F(BmpFile, EmptyFileFailsWithCode16)
{
    TestSurface s;
    MakeUntouched(&s);
    const uint8_t* bits = s.bits;
    g_graphicsError = 0;
    EXPECT_FALSE(LoadBmpFile(&s, Write("empty.bmp", Bytes()).c_str(), nullptr));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched(s, bits);
}

TEST_F(BmpFile, ReadsEveryByteOfTheFile)
{
    const Bytes bytes = {0x00, 0xFF, 0x1A, 0x0D, 0x0A, 0x42};  // no text-mode translation
    FileContents contents;
    ASSERT_TRUE(ReadWholeFile(Write("bytes.bin", bytes).c_str(), &contents));
    ASSERT_EQ(bytes.size(), contents.size);
    EXPECT_EQ(bytes, Bytes(contents.data.get(), contents.data.get() + contents.size));
}

// Kernel attribute files report a length of a page and deliver a few bytes: a real short
// read, which must not be handed on as a file of that length.
TEST_F(BmpFile, ShortReadFailsWithCode16)
{
#ifdef _WIN32
    GTEST_SKIP() << "no file here reports more bytes than it delivers";
#else
    const char* path = "/sys/devices/system/cpu/online";
    std::error_code error;
    if (std::filesystem::file_size(path, error) <= 16 || error)
        GTEST_SKIP() << path << " does not report more than it holds";
    FileContents contents;
    g_graphicsError = 0;
    EXPECT_FALSE(ReadWholeFile(path, &contents));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    EXPECT_EQ(nullptr, contents.data);
#endif
}

// Pictures written by ImageMagick (scripts/make-test-pictures): red, green, blue and
// white blocks of 8 x 8, the 24-bit one with the 124-byte info header.
void ExpectBlocks(const Surface& s)
{
    const uint16_t colours[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    for (int block = 0; block < 4; ++block)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(colours[block], PixelAt(s, block * 8 + x, y)) << block << " " << x << "," << y;
}

TEST(BmpFixture, TwentyFourBitFileFromAnotherEncoder)
{
    TestSurface s;
    ASSERT_TRUE(LoadBmpFile(&s, LAKEGLASS_TEST_DATA "/blocks24.bmp", nullptr));
    ASSERT_EQ(32, s.width);
    ASSERT_EQ(8, s.height);
    ExpectBlocks(s);
}

TEST(BmpFixture, EightBitFileFromAnotherEncoder)
{
    TestSurface s;
    ASSERT_TRUE(LoadBmpFile(&s, LAKEGLASS_TEST_DATA "/blocks8.bmp", nullptr));
    ASSERT_EQ(32, s.width);
    ASSERT_EQ(9, s.height);
    ExpectBlocks(s);
    EXPECT_EQ(0x0000, PixelAt(s, 0, 8));  // the grey ramp below the blocks starts black
}

}  // namespace
