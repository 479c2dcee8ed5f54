// The OLE picture decoder against the real platform: committed JPEG files (baseline,
// progressive, greyscale) decode at their own size with their colours; data that is no
// screened JPEG is refused with the surface left as it was, and bitmaps take the own reader.
#include "gfx/picture_ole.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/error.h"
#include "tests/png_builder.h"

namespace {

struct TestSurface : Surface {
    ~TestSurface() { Release(); }
};

struct Rgb {
    int red;    // 0..31
    int green;  // 0..63
    int blue;   // 0..31
};

Rgb Channels(uint16_t pixel)
{
    return Rgb{pixel >> 11, (pixel >> 5) & 0x3F, pixel & 0x1F};
}

// JPEG is lossy: a pixel away from block edges may miss its colour by a step or two.
void ExpectNear(const Surface& s, int x, int y, Rgb expected)
{
    const int tolerance = 2;
    const Rgb actual = Channels(s.Row(y)[x]);
    EXPECT_NEAR(expected.red, actual.red, tolerance) << x << "," << y;
    EXPECT_NEAR(expected.green, actual.green, tolerance) << x << "," << y;
    EXPECT_NEAR(expected.blue, actual.blue, tolerance) << x << "," << y;
}

class PictureOle : public ::testing::Test {
protected:
    // The decoder needs the component library on the calling thread; the program
    // initialises it once, and so do these tests.
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    static void TearDownTestSuite() { OleUninitialize(); }

    void SetUp() override
    {
        ASSERT_TRUE(untouched_.Create(3, 3));
        untouched_.Fill(0x1234);
        g_graphicsError = 0;
    }

    void ExpectUntouched() const
    {
        ASSERT_EQ(3, untouched_.width);
        ASSERT_EQ(3, untouched_.height);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(0x1234, untouched_.Row(y)[x]);
    }

    std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::random_device random;
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() /
            ("lakeglass-picture-" + std::to_string(random()) + "-" + name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        written_.push_back(path);
        return path.string();
    }

    void TearDown() override
    {
        untouched_.Release();
        std::error_code ignored;
        for (const std::filesystem::path& path : written_) std::filesystem::remove(path, ignored);
    }

    Surface untouched_;
    std::vector<std::filesystem::path> written_;
};

// Red, green, blue and white blocks of 8 x 8, sampled away from the block edges.
void ExpectBlocks(const Surface& s)
{
    const Rgb colours[] = {{31, 0, 0}, {0, 63, 0}, {0, 0, 31}, {31, 63, 31}};
    for (int block = 0; block < 4; ++block)
        for (int y = 1; y < 7; ++y)
            for (int x = 1; x < 7; ++x) ExpectNear(s, block * 8 + x, y, colours[block]);
}

TEST_F(PictureOle, BaselineJpegDecodesAtItsSizeWithItsColours)
{
    TestSurface s;
    ASSERT_TRUE(LoadPictureFile(&s, LAKEGLASS_TEST_DATA "/baseline.jpg"));
    ASSERT_EQ(32, s.width);
    ASSERT_EQ(8, s.height);
    ExpectBlocks(s);
}

TEST_F(PictureOle, ProgressiveJpegDecodesAtItsSizeWithItsColours)
{
    TestSurface s;
    ASSERT_TRUE(LoadPictureFile(&s, LAKEGLASS_TEST_DATA "/progressive.jpg"));
    ASSERT_EQ(32, s.width);
    ASSERT_EQ(8, s.height);
    ExpectBlocks(s);
}

// 13 x 7: the odd width makes the bitmap section's rows (28 bytes) shorter than the
// surface's (32), so each row must be copied from its own place.
TEST_F(PictureOle, GreyscaleJpegOfOddSizeDecodesRowByRow)
{
    TestSurface s;
    ASSERT_TRUE(LoadPictureFile(&s, LAKEGLASS_TEST_DATA "/greyscale.jpg"));
    ASSERT_EQ(13, s.width);
    ASSERT_EQ(7, s.height);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) ExpectNear(s, x, y, {0, 0, 0});
        for (int x = 9; x < 13; ++x) ExpectNear(s, x, y, {31, 63, 31});
    }
}

TEST_F(PictureOle, LoadReplacesSizeAndDropsTheAlphaMap)
{
    ASSERT_TRUE(untouched_.CreateAlpha());
    untouched_.opacity = 100;
    ASSERT_TRUE(LoadPictureFile(&untouched_, LAKEGLASS_TEST_DATA "/baseline.jpg"));
    EXPECT_EQ(32, untouched_.width);
    EXPECT_EQ(nullptr, untouched_.alpha);
    EXPECT_EQ(0, untouched_.opacity);
}

TEST_F(PictureOle, TextFileIsNotAPicture)
{
    const std::string text = "This is not a picture.\r\n";
    const std::string path = WriteTemp("text.jpg", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(LoadPictureFile(&untouched_, path.c_str()));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched();
}

TEST_F(PictureOle, RandomBytesAreNotAPicture)
{
    std::mt19937 generator(12345);
    std::vector<uint8_t> noise(4096);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(generator());
    EXPECT_FALSE(DecodePicture(&untouched_, noise.data(), noise.size()));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched();
}

std::vector<uint8_t> ReadFixture(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fixture with the size in its frame header (baseline or progressive) replaced.
std::vector<uint8_t> JpegClaiming(const char* fixture, uint16_t width, uint16_t height)
{
    std::vector<uint8_t> jpeg = ReadFixture(fixture);
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] != 0xFF || (jpeg[i + 1] != 0xC0 && jpeg[i + 1] != 0xC2)) continue;
        jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
        jpeg[i + 6] = static_cast<uint8_t>(height);
        jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
        jpeg[i + 8] = static_cast<uint8_t>(width);
        return jpeg;
    }
    ADD_FAILURE() << "no frame header in " << fixture;
    return jpeg;
}

const char* const JPEG_FIXTURES[] = {LAKEGLASS_TEST_DATA "/baseline.jpg",
                                     LAKEGLASS_TEST_DATA "/progressive.jpg"};

// The platform's decoder writes out of bounds for some of these claims; none may reach it.
TEST_F(PictureOle, JpegsOfImpossibleSizeAreRefused)
{
    const struct {
        uint16_t width;
        uint16_t height;
    } sizes[] = {{60000, 60000}, {65535, 1}, {32, 0}, {0, 8}, {8192, 8192}};
    for (const char* fixture : JPEG_FIXTURES) {
        for (const auto& size : sizes) {
            const std::vector<uint8_t> jpeg = JpegClaiming(fixture, size.width, size.height);
            g_graphicsError = 0;
            EXPECT_FALSE(DecodePicture(&untouched_, jpeg.data(), jpeg.size()))
                << fixture << " " << size.width << " x " << size.height;
            EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError) << size.width << " x " << size.height;
            ExpectUntouched();
        }
    }
}

// A size the data can stand for passes the screen; the decoder then draws what the scan
// holds at the declared size.
TEST_F(PictureOle, JpegsOfAllowedSizeReachTheDecoder)
{
    for (const char* fixture : JPEG_FIXTURES) {
        const std::vector<uint8_t> jpeg = JpegClaiming(fixture, 40, 16);
        TestSurface s;
        ASSERT_TRUE(DecodePicture(&s, jpeg.data(), jpeg.size())) << fixture;
        EXPECT_EQ(40, s.width);
        EXPECT_EQ(16, s.height);
    }
}

TEST_F(PictureOle, BrokenMarkerSegmentsAreRefused)
{
    const std::vector<uint8_t> jpeg = ReadFixture(LAKEGLASS_TEST_DATA "/baseline.jpg");
    size_t frameAt = 0;
    while (frameAt + 1 < jpeg.size() && !(jpeg[frameAt] == 0xFF && jpeg[frameAt + 1] == 0xC0))
        ++frameAt;
    ASSERT_LT(frameAt + 9, jpeg.size());

    std::vector<std::vector<uint8_t>> broken;
    broken.emplace_back(jpeg.begin(), jpeg.begin() + frameAt + 3);  // segment length cut
    broken.emplace_back(jpeg.begin(), jpeg.begin() + frameAt + 7);  // frame header cut
    std::vector<uint8_t> pastEnd(jpeg.begin(), jpeg.begin() + frameAt + 9);
    broken.push_back(pastEnd);                                      // length runs past the end
    std::vector<uint8_t> hugeLength = jpeg;
    hugeLength[frameAt + 2] = 0xFF;
    hugeLength[frameAt + 3] = 0xFF;
    broken.push_back(hugeLength);
    for (const std::vector<uint8_t>& bytes : broken) {
        g_graphicsError = 0;
        EXPECT_FALSE(DecodePicture(&untouched_, bytes.data(), bytes.size())) << bytes.size();
        EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
        ExpectUntouched();
    }
}

void Append32(std::vector<uint8_t>* bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

// An enhanced metafile with nothing in it, 10.16 mm x 5.08 mm.
std::vector<uint8_t> EmptyMetafile()
{
    std::vector<uint8_t> emf;
    for (uint32_t field : {1u, 88u, 0u, 0u, 0u, 0u, 0u, 0u, 1016u, 508u, 0x464D4520u, 0x10000u,
                           108u, 2u, 1u, 0u, 0u, 0u, 1024u, 768u, 320u, 240u, 14u, 20u, 0u, 16u,
                           20u})
        Append32(&emf, field);
    return emf;
}

// The platform decoder knows other formats, but only JPEG sizes are screened: a metafile,
// which the decoder would take, is refused before it gets there.
TEST_F(PictureOle, FormatsThatCannotBeScreenedAreRefused)
{
    const std::vector<uint8_t> emf = EmptyMetafile();
    const std::string gif = "GIF89a\x20\x00\x10\x00";
    for (const std::vector<uint8_t>& bytes : {emf, std::vector<uint8_t>(gif.begin(), gif.end())}) {
        g_graphicsError = 0;
        EXPECT_FALSE(DecodePicture(&untouched_, bytes.data(), bytes.size()));
        EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
        ExpectUntouched();
    }
}

// PNG data goes to the imaging component once screened, at its size, with each colour
// truncated to RGB565 as the platform does for bitmaps.
TEST_F(PictureOle, PngDecodesThroughTheImagingComponent)
{
    std::vector<uint32_t> pixels;
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 7; ++x) pixels.push_back((x * 36) << 16 | (y * 60) << 8 | 0x0F);
    const std::vector<uint8_t> png = png_builder::Rgb(7, 5, pixels);
    TestSurface s;
    ASSERT_TRUE(LoadPictureFile(&s, WriteTemp("seven-by-five", png).c_str()));
    ASSERT_EQ(7, s.width);
    ASSERT_EQ(5, s.height);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint32_t p = pixels[y * 7 + x];
            const uint16_t expected = uint16_t(((p >> 19) & 31) << 11 | ((p >> 10) & 63) << 5 | ((p >> 3) & 31));
            ASSERT_EQ(expected, s.Row(y)[x]) << x << "," << y;
        }
}

// Hostile PNG files fail before any decoder allocates for them, and lose nothing.
TEST_F(PictureOle, HostilePngsAreRefusedAndTheSurfaceKept)
{
    const std::vector<uint8_t> good = png_builder::Rgb(4, 4, std::vector<uint32_t>(16, 0x336699));
    std::vector<uint8_t> huge = good;
    png_builder::SetSize(&huge, 65500, 65500);
    std::vector<uint8_t> zero = good;
    png_builder::SetSize(&zero, 0, 0);
    std::vector<uint8_t> badCrc = good;
    badCrc[40] ^= 1;
    const std::vector<uint8_t> truncated(good.begin(), good.end() - 13);
    for (const std::vector<uint8_t>& bytes : {huge, zero, badCrc, truncated}) {
        g_graphicsError = 0;
        EXPECT_FALSE(DecodePicture(&untouched_, bytes.data(), bytes.size()));
        EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
        ExpectUntouched();
    }
}

TEST_F(PictureOle, BmpDataTakesTheOwnReader)
{
    const std::vector<uint8_t> bmp = ReadFixture(LAKEGLASS_TEST_DATA "/blocks24.bmp");
    ASSERT_GT(bmp.size(), 54u);
    TestSurface s;
    ASSERT_TRUE(DecodePicture(&s, bmp.data(), bmp.size()));
    TestSurface direct;
    ASSERT_TRUE(ReadBmp(&direct, bmp.data(), bmp.size(), nullptr, 0));
    ASSERT_EQ(direct.width, s.width);
    ASSERT_EQ(direct.height, s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) EXPECT_EQ(direct.Row(y)[x], s.Row(y)[x]);
}

TEST_F(PictureOle, TruncatedJpegDoesNotCrash)
{
    const std::vector<uint8_t> jpeg = ReadFixture(LAKEGLASS_TEST_DATA "/baseline.jpg");
    ASSERT_GT(jpeg.size(), 100u);
    for (size_t length = 1; length < jpeg.size(); length += 37) {
        TestSurface s;
        if (DecodePicture(&s, jpeg.data(), length)) {
            // A decoder may draw what it has; whatever it returns is a whole surface.
            EXPECT_EQ(32, s.width);
            EXPECT_EQ(8, s.height);
        }
    }
}

TEST_F(PictureOle, EmptyDataFails)
{
    const uint8_t byte = 0xFF;
    EXPECT_FALSE(DecodePicture(&untouched_, &byte, 0));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    EXPECT_FALSE(DecodePicture(&untouched_, nullptr, 10));
    ExpectUntouched();

    const std::string path = WriteTemp("empty.jpg", {});
    EXPECT_FALSE(LoadPictureFile(&untouched_, path.c_str()));
    EXPECT_EQ(GFX_CANNOT_LOAD_IMAGE, g_graphicsError);
    ExpectUntouched();
}

TEST_F(PictureOle, MissingFileFailsWithCode2)
{
    EXPECT_FALSE(LoadPictureFile(&untouched_, LAKEGLASS_TEST_DATA "/no-such-picture.jpg"));
    EXPECT_EQ(GFX_CANNOT_OPEN_FILE, g_graphicsError);
    ExpectUntouched();
}

}  // namespace
