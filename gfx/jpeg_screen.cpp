// Marker segments are read through a bounded cursor: each length is checked against the
// bytes that remain before the segment is looked into or skipped.
#include "gfx/jpeg_screen.h"

#include "gfx/bmp.h"
#include "gfx/byte_cursor.h"

namespace {

const uint8_t MARKER_PREFIX = 0xFF;
const uint8_t SOI = 0xD8;
const uint8_t EOI = 0xD9;
const uint8_t SOS = 0xDA;
const uint8_t DHP = 0xDE;  // size of a hierarchical picture, laid out as a frame header
const uint8_t TEM = 0x01;
const uint8_t RST_FIRST = 0xD0;
const uint8_t RST_LAST = 0xD7;

// Precision, height, width and the component count: the fixed start of a frame header.
const size_t FRAME_FIXED_BYTES = 6;
const size_t COMPONENT_BYTES = 3;
const int BLOCK_SIDE = 8;


// Start-of-frame markers are C0..CF except C4 (Huffman tables), C8 (reserved) and
// CC (arithmetic conditioning).
bool IsFrameMarker(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// C9..CF code with arithmetic coding, which can spend less than one bit on a block.
bool IsArithmeticFrame(uint8_t marker) { return marker >= 0xC9; }

bool IsStandalone(uint8_t marker)
{
    return marker == TEM || (marker >= RST_FIRST && marker <= RST_LAST);
}

int64_t BlocksAcross(int64_t samples) { return (samples + BLOCK_SIDE - 1) / BLOCK_SIDE; }

// A frame header: precision, height, width, component count, then per component its id,
// its sampling factors (horizontal in the high nibble) and its table.
bool CheckFrame(const uint8_t* body, size_t length, bool huffman, size_t dataSize,
                JpegFrame* frame)
{
    if (length < FRAME_FIXED_BYTES) return false;
    ByteCursor fields{body, body + length};
    Get8(&fields);  // sample precision
    const int32_t height = Get16BE(&fields);
    const int32_t width = Get16BE(&fields);
    const size_t components = Get8(&fields);
    if (!PictureSizeAllowed(width, height)) return false;
    if (components == 0 || length < FRAME_FIXED_BYTES + components * COMPONENT_BYTES)
        return false;

    int hMax = 1;
    int vMax = 1;
    for (size_t i = 0; i < components; ++i) {
        const uint8_t sampling = body[FRAME_FIXED_BYTES + i * COMPONENT_BYTES + 1];
        const int h = sampling >> 4;
        const int v = sampling & 0x0F;
        if (h < 1 || h > 4 || v < 1 || v > 4) return false;
        if (h > hMax) hMax = h;
        if (v > vMax) vMax = v;
    }
    if (huffman) {
        // A component sampled at 1/hMax by 1/vMax has the fewest blocks; every block's
        // first coefficient costs a Huffman code of at least one bit.
        const int64_t blocks = BlocksAcross((width + hMax - 1) / hMax) *
                               BlocksAcross((height + vMax - 1) / vMax);
        if (static_cast<int64_t>(dataSize) * 8 < blocks) return false;
    }
    frame->width = width;
    frame->height = height;
    return true;
}

}  // namespace

bool LooksLikeJpeg(const uint8_t* data, size_t size)
{
    return data && size >= 3 && data[0] == MARKER_PREFIX && data[1] == SOI &&
           data[2] == MARKER_PREFIX;
}

bool ScreenJpeg(const uint8_t* data, size_t size, JpegFrame* frame)
{
    if (!LooksLikeJpeg(data, size)) return false;
    ByteCursor c{data + 2, data + size};
    bool sawFrame = false;
    JpegFrame found{0, 0};
    for (;;) {
        if (Remaining(c) < 2 || c.begin[0] != MARKER_PREFIX) return false;
        // Any number of fill bytes may stand before a marker.
        while (Remaining(c) >= 2 && c.begin[1] == MARKER_PREFIX) ++c.begin;
        if (Remaining(c) < 2) return false;
        const uint8_t marker = c.begin[1];
        c.begin += 2;
        if (marker == SOS) break;
        if (marker == EOI || marker == SOI || marker == 0x00) return false;
        if (IsStandalone(marker)) continue;

        ByteCursor lengthField = c;
        // 0, and so refused, when fewer than two bytes remain.
        const size_t length = Get16BE(&lengthField);
        if (length < 2 || length > Remaining(c)) return false;
        const uint8_t* body = c.begin + 2;
        const size_t bodyLength = length - 2;
        if (IsFrameMarker(marker)) {
            if (!CheckFrame(body, bodyLength, !IsArithmeticFrame(marker), size, &found))
                return false;
            sawFrame = true;
        } else if (marker == DHP) {
            JpegFrame hierarchy;
            if (!CheckFrame(body, bodyLength, false, size, &hierarchy)) return false;
        }
        c.begin += length;
    }
    if (!sawFrame) return false;
    *frame = found;
    return true;
}
