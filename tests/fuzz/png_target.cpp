// The PNG screen as a fuzz target, fed whole files: each input is screened as it is and again
// with its chunks' CRCs mended, so that mutations also reach the checks behind the CRC. Seeds:
// the committed picture and built ones at the edges the screen decides on (a palette
// picture, interlacing, the largest size the data could inflate to, chunks out of order).
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/screen_cases.h"
#include "tests/png_builder.h"

namespace {

const size_t DEPTH = 24, COLOUR_TYPE = 25, INTERLACE = 28, IDAT_AT = 33;

void RunPng(const uint8_t* data, size_t size)
{
    CheckPngScreen(data, size);
    Bytes mended(data, data + size);
    MendPngCrcs(&mended);
    const ExactCopy copy(mended.data(), mended.size());
    CheckPngScreen(copy.bytes, copy.size);
}

Bytes Picture(uint32_t width, uint32_t height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    return png_builder::Rgb(width, height, pixels);
}

Bytes WithHeaderByte(Bytes png, size_t at, uint8_t value)
{
    png[at] = value;
    MendPngCrcs(&png);
    return png;
}

// The picture's chunks with `chunk` standing before the one at `at`.
Bytes WithChunk(const Bytes& png, size_t at, const char* type, const Bytes& body)
{
    Bytes result(png.begin(), png.begin() + at);
    png_builder::Chunk(&result, type, body);
    result.insert(result.end(), png.begin() + at, png.end());
    return result;
}

std::vector<Seed> Seeds()
{
    const Bytes small = Picture(4, 4);
    const Bytes palette = WithChunk(WithHeaderByte(small, COLOUR_TYPE, 3), IDAT_AT, "PLTE",
                                    {0, 0, 0, 255, 255, 255});
    // Rows of 1024 RGB pixels inflate from 3073 bytes each; the most rows the data could hold.
    const uint32_t idat = uint32_t(small[IDAT_AT]) << 24 | uint32_t(small[IDAT_AT + 1]) << 16 |
                          uint32_t(small[IDAT_AT + 2]) << 8 | small[IDAT_AT + 3];
    Bytes largest = small;
    png_builder::SetSize(&largest, 1024, uint32_t(uint64_t(idat) * 1032 / 3073));
    return {
        {"committed",
         {ReadSeedFile("png_sweep", std::string(LAKEGLASS_TEST_DATA) + "/blocks.png")}},
        {"one-pixel", {Picture(1, 1)}},
        {"wide-row", {Picture(300, 2)}},
        {"palette", {palette}},
        {"palette-of-sixteen-bits", {WithHeaderByte(palette, DEPTH, 16)}},
        {"interlaced", {WithHeaderByte(small, INTERLACE, 1)}},
        {"largest-for-its-data", {largest}},
        {"text-before-header", {WithChunk(small, 8, "tEXt", {'a', 0, 'b'})}},
    };
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {"png_sweep", RunPng, Seeds, nullptr, true, 64, nullptr, 200000};
