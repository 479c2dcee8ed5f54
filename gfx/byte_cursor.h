// The one bounded view of bytes through which the BMP reader and the JPEG and PNG screens
// read a file: a read that would pass the end yields 0 and exhausts the cursor, and a part
// is only cut out once all of it is known to lie inside the whole.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteCursor {
    const uint8_t* begin;
    const uint8_t* end;
};

inline uint64_t Remaining(const ByteCursor& cursor)
{
    return static_cast<uint64_t>(cursor.end - cursor.begin);
}

// The `count` bytes that start `offset` bytes into `whole`, when all of them lie inside it.
bool SubCursor(const ByteCursor& whole, uint64_t offset, uint64_t count, ByteCursor* part);

uint8_t Get8(ByteCursor* cursor);
uint16_t Get16LE(ByteCursor* cursor);
uint32_t Get32LE(ByteCursor* cursor);
uint16_t Get16BE(ByteCursor* cursor);
uint32_t Get32BE(ByteCursor* cursor);
