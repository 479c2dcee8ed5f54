// Little-endian fields for the bitmap reader, big-endian ones for the JPEG and PNG screens:
// each width has one bounded read, and a big-endian field is the little-endian one turned
// round, so that every read keeps the same bounds.
#include "gfx/byte_cursor.h"

namespace {

// A read that would pass the end leaves nothing more to read and yields 0.
uint16_t Exhaust(ByteCursor* cursor)
{
    cursor->begin = cursor->end;
    return 0;
}

uint16_t Swap16(uint32_t value)
{
    return static_cast<uint16_t>((value & 0xFF) << 8 | (value >> 8 & 0xFF));
}

}  // namespace

bool SubCursor(const ByteCursor& whole, uint64_t offset, uint64_t count, ByteCursor* part)
{
    const uint64_t available = Remaining(whole);
    if (offset > available || count > available - offset) return false;
    part->begin = whole.begin + offset;
    part->end = part->begin + count;
    return true;
}

uint8_t Get8(ByteCursor* cursor)
{
    if (cursor->begin >= cursor->end) return 0;
    return *cursor->begin++;
}

uint16_t Get16LE(ByteCursor* cursor)
{
    if (Remaining(*cursor) < 2) return Exhaust(cursor);
    const uint16_t value = static_cast<uint16_t>(cursor->begin[0] | (cursor->begin[1] << 8));
    cursor->begin += 2;
    return value;
}

// Checked whole: read as two halves alone, a field cut by the end would yield its first half.
uint32_t Get32LE(ByteCursor* cursor)
{
    if (Remaining(*cursor) < 4) return Exhaust(cursor);
    const uint32_t low = Get16LE(cursor);
    const uint32_t high = Get16LE(cursor);
    return low | (high << 16);
}

uint16_t Get16BE(ByteCursor* cursor) { return Swap16(Get16LE(cursor)); }

uint32_t Get32BE(ByteCursor* cursor)
{
    const uint32_t littleEndian = Get32LE(cursor);
    return static_cast<uint32_t>(Swap16(littleEndian)) << 16 | Swap16(littleEndian >> 16);
}
