// Builds PNG file images byte by byte for the screen's and the decoders' tests: the
// signature, an IHDR chunk, the pixels as one IDAT of stored (uncompressed) deflate blocks,
// and IEND, every chunk with its CRC. Tests then bend single fields to make hostile files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace png_builder {

typedef std::vector<uint8_t> Bytes;

const size_t WIDTH_FIELD = 16;   // inside the IHDR chunk, after signature, length and type
const size_t HEIGHT_FIELD = 20;
const size_t HEADER_CRC_FIELD = 29;

inline void Put32BE(Bytes* bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(uint8_t(value >> shift));
}

inline void Set32BE(Bytes* bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = uint8_t(value >> (24 - 8 * i));
}

inline uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

inline void Chunk(Bytes* png, const char* type, const Bytes& body)
{
    Put32BE(png, uint32_t(body.size()));
    const size_t start = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), body.begin(), body.end());
    Put32BE(png, Crc32(png->data() + start, png->size() - start));
}

// A zlib stream holding `raw` in stored blocks.
inline Bytes StoredZlib(const Bytes& raw)
{
    Bytes z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32BE(&z, (b << 16) | a);
    return z;
}

// An 8-bit RGB picture; pixels are 0xRRGGBB, rows top to bottom.
inline Bytes Rgb(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels)
{
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    Put32BE(&header, width);
    Put32BE(&header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Chunk(&png, "IHDR", header);
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
    }
    Chunk(&png, "IDAT", StoredZlib(raw));
    Chunk(&png, "IEND", {});
    return png;
}

// Writes a new size into the header and mends its CRC, so only the size is a lie.
inline void SetSize(Bytes* png, uint32_t width, uint32_t height)
{
    Set32BE(png, WIDTH_FIELD, width);
    Set32BE(png, HEIGHT_FIELD, height);
    Set32BE(png, HEADER_CRC_FIELD, Crc32(png->data() + 12, 17));
}

}  // namespace png_builder
