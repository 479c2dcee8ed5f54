// Little-endian fields for the bitmap reader, big-endian ones for the JPEG and PNG screens,
// all built from one bounded byte read.
#include "gfx/byte_cursor.h"

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
    if (Remaining(*cursor) < 2) {
        cursor->begin = cursor->end;
        return 0;
    }
    const uint16_t value = static_cast<uint16_t>(cursor->begin[0] | (cursor->begin[1] << 8));
    cursor->begin += 2;
    return value;
}

uint32_t Get32LE(ByteCursor* cursor)
{
    const uint32_t low = Get16LE(cursor);
    const uint32_t high = Get16LE(cursor);
    return low | (high << 16);
}

uint16_t Get16BE(ByteCursor* cursor)
{
    if (Remaining(*cursor) < 2) {
        cursor->begin = cursor->end;
        return 0;
    }
    const uint16_t value = static_cast<uint16_t>((cursor->begin[0] << 8) | cursor->begin[1]);
    cursor->begin += 2;
    return value;
}

uint32_t Get32BE(ByteCursor* cursor)
{
    const uint32_t high = Get16BE(cursor);
    const uint32_t low = Get16BE(cursor);
    return (high << 16) | low;
}
