// Builds BMP file images byte by byte for the reader's tests and fuzz seeds: a 14-byte
// file header, a 40-byte info header, the colour table, then the rows as given, each
// padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bmp_builder {

const size_t SIGNATURE_FIELD = 0;
const size_t PIXEL_OFFSET_FIELD = 10;
const size_t INFO_SIZE_FIELD = 14;
const size_t WIDTH_FIELD = 18;
const size_t HEIGHT_FIELD = 22;
const size_t BIT_COUNT_FIELD = 28;
const size_t COMPRESSION_FIELD = 30;
const size_t COLOUR_COUNT_FIELD = 46;
const size_t HEADERS_SIZE = 54;

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 24;
    uint32_t colourCount = 0;            // biClrUsed as written
    std::vector<uint32_t> palette;       // 0xRRGGBB, all written whatever colourCount says
    std::vector<std::vector<uint8_t>> rows;  // file order: the bottom row first
};

inline void Put16LE(std::vector<uint8_t>* bytes, size_t offset, uint16_t value)
{
    (*bytes)[offset] = static_cast<uint8_t>(value);
    (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32LE(std::vector<uint8_t>* bytes, size_t offset, uint32_t value)
{
    Put16LE(bytes, offset, static_cast<uint16_t>(value));
    Put16LE(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

inline std::vector<uint8_t> BuildBmp(const BmpImage& image)
{
    std::vector<uint8_t> bytes(HEADERS_SIZE, 0);
    for (uint32_t colour : image.palette) {
        bytes.push_back(static_cast<uint8_t>(colour));
        bytes.push_back(static_cast<uint8_t>(colour >> 8));
        bytes.push_back(static_cast<uint8_t>(colour >> 16));
        bytes.push_back(0);
    }
    const size_t pixelOffset = bytes.size();
    for (const std::vector<uint8_t>& row : image.rows) {
        bytes.insert(bytes.end(), row.begin(), row.end());
        for (size_t pad = row.size(); pad % 4 != 0; ++pad) bytes.push_back(0);
    }
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32LE(&bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32LE(&bytes, PIXEL_OFFSET_FIELD, static_cast<uint32_t>(pixelOffset));
    Put32LE(&bytes, INFO_SIZE_FIELD, 40);
    Put32LE(&bytes, WIDTH_FIELD, static_cast<uint32_t>(image.width));
    Put32LE(&bytes, HEIGHT_FIELD, static_cast<uint32_t>(image.height));
    Put16LE(&bytes, 26, 1);
    Put16LE(&bytes, BIT_COUNT_FIELD, image.bitCount);
    Put32LE(&bytes, 34, static_cast<uint32_t>(bytes.size() - pixelOffset));
    Put32LE(&bytes, 38, 2835);
    Put32LE(&bytes, 42, 2835);
    Put32LE(&bytes, COLOUR_COUNT_FIELD, image.colourCount);
    return bytes;
}

// One 24-bit pixel as the file stores it: blue, green, red.
inline void AppendBgr(std::vector<uint8_t>* row, uint8_t red, uint8_t green, uint8_t blue)
{
    row->push_back(blue);
    row->push_back(green);
    row->push_back(red);
}

}  // namespace bmp_builder
