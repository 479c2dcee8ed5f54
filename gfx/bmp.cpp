// A BMP file image read through a bounded cursor: no header field, colour table entry or
// pixel row is trusted until it is known to lie inside the buffer. The whole picture is
// checked before the surface is touched, so a truncated or inconsistent file leaves the
// surface as it was; only a size that no surface can take empties it.
#include "gfx/bmp.h"

#include "gfx/byte_cursor.h"
#include "gfx/error.h"
#include "gfx/file_read.h"

namespace {

const uint16_t BMP_SIGNATURE = 0x4D42;  // "BM"
const uint64_t FILE_HEADER_SIZE = 14;
// The 40-byte info header and its later extensions keep every field the reader uses at
// the same place; the older 12-byte core header does not, so it is refused.
const uint64_t INFO_HEADER_MIN_SIZE = 40;
const uint64_t HEADERS_MIN_SIZE = FILE_HEADER_SIZE + INFO_HEADER_MIN_SIZE;
const uint32_t PALETTE_MAX_ENTRIES = 256;
const uint64_t PALETTE_ENTRY_SIZE = 4;
// The colour of an 8-bit index that the file's colour table does not cover.
const uint16_t OUT_OF_PALETTE_COLOUR = 0x0000;

// a * b, or false when the product does not fit in 64 bits.
bool CheckedProduct(uint64_t a, uint64_t b, uint64_t* product)
{
    if (a != 0 && b > UINT64_MAX / a) return false;
    *product = a * b;
    return true;
}

// Red >> 3, green >> 2, blue >> 3: the low bits are dropped, never rounded.
uint16_t Rgb565(uint8_t blue, uint8_t green, uint8_t red)
{
    return static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

// Only pure white reaches 31, the level that the alpha blitters copy without blending.
uint8_t AlphaFromGreen(uint8_t green)
{
    if (green == 255) return 31;
    if (green >= 248) return 30;
    return static_cast<uint8_t>(green >> 3);
}

// The header fields the reader uses, and where the colour table and the rows lie once
// they are known to fit the buffer.
struct BmpLayout {
    uint32_t pixelOffset;
    uint32_t infoSize;
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t colourCount;
    ByteCursor palette;  // 4 bytes per entry, colourCount entries (at most 256; 8-bit only)
    ByteCursor rows;     // height rows of rowStride bytes, first file row first
    uint64_t rowStride;
};

bool SupportedDepth(uint16_t bitCount)
{
    return bitCount == 8 || bitCount == 16 || bitCount == 24;
}

// Reads the fixed header fields. False when the buffer ends before them, or when the info
// header is shorter than the layout the reader knows or runs past the buffer.
bool ReadHeaders(const ByteCursor& file, BmpLayout* layout)
{
    ByteCursor fields;
    if (!SubCursor(file, 0, HEADERS_MIN_SIZE, &fields)) return false;
    Get16LE(&fields);  // signature, checked by the caller
    Get32LE(&fields);  // file size: often wrong in the wild, and the buffer length is known
    Get32LE(&fields);  // reserved
    layout->pixelOffset = Get32LE(&fields);
    layout->infoSize = Get32LE(&fields);
    layout->width = static_cast<int32_t>(Get32LE(&fields));
    layout->height = static_cast<int32_t>(Get32LE(&fields));
    Get16LE(&fields);  // planes
    layout->bitCount = Get16LE(&fields);
    Get32LE(&fields);  // compression: not examined, the rows are taken as stored
    Get32LE(&fields);  // image size
    Get32LE(&fields);  // horizontal resolution
    Get32LE(&fields);  // vertical resolution
    layout->colourCount = Get32LE(&fields);

    if (layout->infoSize < INFO_HEADER_MIN_SIZE) return false;
    return FILE_HEADER_SIZE + layout->infoSize <= Remaining(file);
}

// Places the colour table and the rows of a picture of supported depth and allowed size,
// false when any part of them lies outside the buffer.
bool PlaceTableAndRows(const ByteCursor& file, BmpLayout* layout)
{
    const uint64_t bitsPerRow = static_cast<uint64_t>(layout->width) * layout->bitCount;
    layout->rowStride = (bitsPerRow + 31) / 32 * 4;
    uint64_t rowBytes = 0;
    if (!CheckedProduct(layout->rowStride, static_cast<uint64_t>(layout->height), &rowBytes))
        return false;
    if (!SubCursor(file, layout->pixelOffset, rowBytes, &layout->rows)) return false;

    layout->palette = ByteCursor{file.begin, file.begin};
    if (layout->bitCount != 8) {
        layout->colourCount = 0;
        return true;
    }
    uint32_t entries = layout->colourCount;
    if (entries == 0 || entries > PALETTE_MAX_ENTRIES) entries = PALETTE_MAX_ENTRIES;
    layout->colourCount = entries;
    return SubCursor(file, FILE_HEADER_SIZE + layout->infoSize, entries * PALETTE_ENTRY_SIZE,
                     &layout->palette);
}

// File row `fileRow`, counted from the first row in the file (the bottom of the picture).
ByteCursor FileRow(const BmpLayout& layout, int32_t fileRow)
{
    ByteCursor row = {layout.rows.begin, layout.rows.begin};
    SubCursor(layout.rows, static_cast<uint64_t>(fileRow) * layout.rowStride, layout.rowStride,
              &row);
    return row;
}

// Every entry that the table does not cover reads as OUT_OF_PALETTE_COLOUR, so an index
// beyond the file's colour count never picks up a colour from another picture.
void BuildPalette(const BmpLayout& layout, uint16_t colours[PALETTE_MAX_ENTRIES],
                  uint8_t greens[PALETTE_MAX_ENTRIES])
{
    ByteCursor table = layout.palette;
    for (uint32_t i = 0; i < PALETTE_MAX_ENTRIES; ++i) {
        colours[i] = OUT_OF_PALETTE_COLOUR;
        greens[i] = 0;
    }
    for (uint32_t i = 0; i < layout.colourCount && i < PALETTE_MAX_ENTRIES; ++i) {
        const uint8_t blue = Get8(&table);
        const uint8_t green = Get8(&table);
        const uint8_t red = Get8(&table);
        Get8(&table);
        colours[i] = Rgb565(blue, green, red);
        greens[i] = green;
    }
}

void ConvertPixels(const BmpLayout& layout, Surface* surface)
{
    uint16_t colours[PALETTE_MAX_ENTRIES];
    uint8_t greens[PALETTE_MAX_ENTRIES];
    BuildPalette(layout, colours, greens);

    for (int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        ByteCursor source = FileRow(layout, fileRow);
        uint16_t* target = surface->Row(layout.height - 1 - fileRow);
        for (int32_t column = 0; column < layout.width; ++column) {
            if (layout.bitCount == 8) {
                target[column] = colours[Get8(&source)];
            } else if (layout.bitCount == 16) {
                target[column] = Get16LE(&source);
            } else {
                const uint8_t blue = Get8(&source);
                const uint8_t green = Get8(&source);
                const uint8_t red = Get8(&source);
                target[column] = Rgb565(blue, green, red);
            }
        }
    }
}

void ConvertAlpha(const BmpLayout& layout, Surface* surface)
{
    uint16_t colours[PALETTE_MAX_ENTRIES];
    uint8_t greens[PALETTE_MAX_ENTRIES];
    BuildPalette(layout, colours, greens);

    const int64_t alphaPitch = surface->pitch / 2;
    for (int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        ByteCursor source = FileRow(layout, fileRow);
        uint8_t* target = surface->alpha + (layout.height - 1 - fileRow) * alphaPitch;
        for (int32_t column = 0; column < layout.width; ++column) {
            if (layout.bitCount == 8) {
                target[column] = AlphaFromGreen(greens[Get8(&source)]);
            } else if (layout.bitCount == 16) {
                target[column] = static_cast<uint8_t>(Get16LE(&source) & 0x1F);
            } else {
                Get8(&source);
                const uint8_t green = Get8(&source);
                Get8(&source);
                target[column] = AlphaFromGreen(green);
            }
        }
    }
}

// Releases the surface and gives it the picture's size; on failure leaves it empty.
bool RecreateSurface(Surface* surface, int32_t width, int32_t height)
{
    surface->Release();
    if (surface->Create(width, height)) return true;
    surface->Release();
    return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
}

// Failures in the order they are found: anything malformed in the headers leaves the
// surface as it was; a size no surface can take leaves it empty; a depth the reader does
// not convert still gives it the picture's size, all black; colour table and rows that do
// not fit the buffer leave it as it was, since they are checked before it is released.
bool ReadPicture(Surface* surface, const ByteCursor& file)
{
    ByteCursor signature = file;
    if (Get16LE(&signature) != BMP_SIGNATURE) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    BmpLayout layout = {};
    if (!ReadHeaders(file, &layout)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    if (!PictureSizeAllowed(layout.width, layout.height)) {
        surface->Release();
        return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
    }
    if (!SupportedDepth(layout.bitCount)) {
        if (!RecreateSurface(surface, layout.width, layout.height)) return false;
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    }
    if (!PlaceTableAndRows(file, &layout)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    if (!RecreateSurface(surface, layout.width, layout.height)) return false;
    ConvertPixels(layout, surface);
    return true;
}

// The alpha map is made only once the whole mask is known to be sound, so a mask that
// fails leaves the freshly loaded picture without one.
bool ReadMask(Surface* surface, const ByteCursor& file)
{
    ByteCursor signature = file;
    if (Get16LE(&signature) != BMP_SIGNATURE) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    BmpLayout layout = {};
    if (!ReadHeaders(file, &layout)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    if (layout.width != surface->width || layout.height != surface->height)
        return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
    if (!SupportedDepth(layout.bitCount)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    if (!PlaceTableAndRows(file, &layout)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    if (!surface->CreateAlpha()) return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
    ConvertAlpha(layout, surface);
    return true;
}

ByteCursor WholeBuffer(const uint8_t* data, size_t size)
{
    if (!data) return ByteCursor{nullptr, nullptr};
    return ByteCursor{data, data + size};
}

}  // namespace

bool PictureSizeAllowed(int64_t width, int64_t height)
{
    if (width < 1 || height < 1) return false;
    if (width > PICTURE_MAX_SIDE || height > PICTURE_MAX_SIDE) return false;
    return width * height <= PICTURE_MAX_PIXELS;
}

bool ReadBmp(Surface* surface, const uint8_t* data, size_t size, const uint8_t* maskData,
             size_t maskSize)
{
    if (!ReadPicture(surface, WholeBuffer(data, size))) return false;
    if (!maskData) return true;
    return ReadMask(surface, WholeBuffer(maskData, maskSize));
}

bool LoadBmpFile(Surface* surface, const char* path, const char* maskPath)
{
    if (!path) return GraphicsFail(GFX_CANNOT_OPEN_FILE);
    FileContents picture;
    FileContents mask;
    if (!ReadWholeFile(path, &picture)) return false;
    if (maskPath && !ReadWholeFile(maskPath, &mask)) return false;
    return ReadBmp(surface, picture.data.get(), picture.size, maskPath ? mask.data.get() : nullptr,
                   mask.size);
}
