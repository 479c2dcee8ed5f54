// The BMP reader as a fuzz target: a picture alone or with its mask, from seeds of 8-, 16-
// and 24-bit files (with and without masks) and the committed 124-byte-header file.
#include <string>
#include <vector>

#include "tests/bmp_builder.h"
#include "tests/fuzz/bmp_fuzz_case.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

using namespace bmp_builder;

Bytes Ramp(size_t count, uint8_t first)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + 37 * i);
    return bytes;
}

Bytes Picture(int32_t width, int32_t height, uint16_t bitCount, uint32_t colourCount,
              size_t paletteEntries)
{
    BmpImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    image.colourCount = colourCount;
    for (size_t i = 0; i < paletteEntries; ++i)
        image.palette.push_back(static_cast<uint32_t>(0x010203 * (i + 1)));
    for (int32_t row = 0; row < height; ++row) {
        Bytes bytes = Ramp(static_cast<size_t>(width) * bitCount / 8, uint8_t(row));
        if (bitCount == 8)
            for (uint8_t& index : bytes) index = static_cast<uint8_t>(index % (paletteEntries + 2));
        image.rows.push_back(bytes);
    }
    return BuildBmp(image);
}

std::vector<Seed> Seeds()
{
    return {
        {"24-bit", {Picture(3, 2, 24, 0, 0)}},
        {"8-bit-full-table", {Picture(2, 2, 8, 0, 256)}},
        {"8-bit-with-8-bit-mask", {Picture(3, 2, 8, 4, 4), Picture(3, 2, 8, 3, 3)}},
        {"16-bit-with-24-bit-mask", {Picture(2, 2, 16, 0, 0), Picture(2, 2, 24, 0, 0)}},
        {"24-bit-with-16-bit-mask", {Picture(5, 3, 24, 0, 0), Picture(5, 3, 16, 0, 0)}},
        {"24-bit-124-byte-header",
         {ReadSeedFile("bmp_sweep", std::string(LAKEGLASS_TEST_DATA) + "/blocks24.bmp")}},
    };
}

Bytes Pack(const std::vector<Bytes>& parts)
{
    return PackFuzzInput(parts[0], parts.size() > 1 ? &parts[1] : nullptr);
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {"bmp_sweep", RunFuzzInput, Seeds, Pack, false, 64,
                                 nullptr, 1000000};
