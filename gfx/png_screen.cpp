// Chunks are read through a bounded cursor: each length is checked against the bytes that
// remain before the chunk is looked into, and each CRC before its content is believed.
#include "gfx/png_screen.h"

#include <cstring>

#include "gfx/bmp.h"
#include "gfx/byte_cursor.h"

namespace {

const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
const size_t HEADER_BYTES = 13;
const size_t CHUNK_FRAME_BYTES = 12;  // length, type and CRC around the chunk's data
const uint32_t MAX_CHUNK_LENGTH = 0x7FFFFFFF;
// Deflate spends at least two bits on a copy of at most 258 bytes, so no stream inflates
// to more than 1032 times its size; a header that asks for more than its data could ever
// hold is a lie.
const uint64_t MAX_INFLATE_RATIO = 1032;

// A big-endian field at a place already known to lie inside the data.
uint32_t Field32BE(const uint8_t* at)
{
    ByteCursor field{at, at + 4};
    return Get32BE(&field);
}

bool IsType(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

struct CrcTable {
    uint32_t entries[256];
    CrcTable()
    {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

uint32_t Crc32(const uint8_t* data, size_t size)
{
    static const CrcTable table;
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// The bits of one pixel for a colour type and bit depth, or 0 when the pair is not one
// that PNG allows.
int BitsPerPixel(uint8_t colourType, uint8_t depth)
{
    const bool small = depth == 1 || depth == 2 || depth == 4;
    switch (colourType) {
    case 0: return (small || depth == 8 || depth == 16) ? depth : 0;      // grey
    case 3: return (small || depth == 8) ? depth : 0;                     // palette
    case 2: return (depth == 8 || depth == 16) ? 3 * depth : 0;           // RGB
    case 4: return (depth == 8 || depth == 16) ? 2 * depth : 0;           // grey, alpha
    case 6: return (depth == 8 || depth == 16) ? 4 * depth : 0;           // RGB, alpha
    default: return 0;
    }
}

// The bytes the decoder inflates for the whole picture: each row's filter byte and
// pixels, and for an interlaced picture at most one more filter byte per row of each pass.
uint64_t InflatedBytes(int32_t width, int32_t height, int bitsPerPixel, bool interlaced)
{
    const uint64_t rowBytes = (uint64_t(width) * bitsPerPixel + 7) / 8;
    const uint64_t passRows = interlaced ? uint64_t(height) : 0;
    return uint64_t(height) * (rowBytes + 1) + passRows;
}

}  // namespace

bool LooksLikePng(const uint8_t* data, size_t size)
{
    return data && size >= sizeof(SIGNATURE) && std::memcmp(data, SIGNATURE, sizeof(SIGNATURE)) == 0;
}

bool ScreenPng(const uint8_t* data, size_t size, PngHeader* header)
{
    if (!LooksLikePng(data, size)) return false;
    ByteCursor c{data + sizeof(SIGNATURE), data + size};
    bool sawHeader = false;
    bool sawPalette = false;
    uint64_t imageBytes = 0;
    uint64_t inflated = 0;
    uint8_t colourType = 0;
    PngHeader found{0, 0};
    for (;;) {
        if (Remaining(c) < CHUNK_FRAME_BYTES) return false;
        const uint32_t length = Field32BE(c.begin);
        if (length > MAX_CHUNK_LENGTH || length > Remaining(c) - CHUNK_FRAME_BYTES) return false;
        const uint8_t* type = c.begin + 4;
        const uint8_t* body = c.begin + 8;
        if (Crc32(type, 4 + size_t(length)) != Field32BE(body + length)) return false;
        c.begin = body + length + 4;

        if (!sawHeader) {
            // The header comes first, and only once.
            if (!IsType(type, "IHDR") || length != HEADER_BYTES) return false;
            const uint32_t width = Field32BE(body);
            const uint32_t height = Field32BE(body + 4);
            colourType = body[9];
            const int bits = BitsPerPixel(colourType, body[8]);
            if (!PictureSizeAllowed(width, height) || bits == 0) return false;
            if (body[10] != 0 || body[11] != 0 || body[12] > 1) return false;
            found = PngHeader{int32_t(width), int32_t(height)};
            inflated = InflatedBytes(found.width, found.height, bits, body[12] == 1);
            sawHeader = true;
        } else if (IsType(type, "IHDR")) {
            return false;
        } else if (IsType(type, "PLTE")) {
            sawPalette = true;
        } else if (IsType(type, "IDAT")) {
            imageBytes += length;
        } else if (IsType(type, "IEND")) {
            break;
        }
    }
    if (imageBytes == 0 || (colourType == 3 && !sawPalette)) return false;
    if (inflated > imageBytes * MAX_INFLATE_RATIO) return false;
    *header = found;
    return true;
}
