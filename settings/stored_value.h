// What the raw bytes of one stored settings value mean, decided without the registry: a
// number or a picture path from a value's type, bytes and size, so that every shape a
// hand editor or another program can leave is read the same way on every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The registry's numbers for the value types the settings meet.
const uint32_t STORED_NONE = 0;
const uint32_t STORED_TEXT = 1;             // REG_SZ
const uint32_t STORED_EXPANDABLE_TEXT = 2;  // REG_EXPAND_SZ
const uint32_t STORED_BINARY = 3;           // REG_BINARY
const uint32_t STORED_NUMBER = 4;           // REG_DWORD, little-endian
const uint32_t STORED_NUMBER_BIG_ENDIAN = 5;
const uint32_t STORED_TEXT_LIST = 7;        // REG_MULTI_SZ
const uint32_t STORED_WIDE_NUMBER = 11;     // REG_QWORD

// The bytes a number's value holds.
const size_t STORED_NUMBER_BYTES = 4;

// The 32-bit number in `size` bytes of type `type`: four bytes of a little-endian number or
// of binary data. Anything else (shorter, longer, text, big-endian) is refused with false
// and *value left as it was, so that no partial or foreign bytes reach a setting.
bool NumberFromStored(uint32_t type, const uint8_t* data, size_t size, uint32_t* value);

// A picture path as stored: its text, and whether it still holds environment variables to
// replace (the expansion is the platform's).
struct StoredPath {
    std::string text;
    bool expandable;
};

// The path in `size` bytes of type `type`. Only plain or expandable text is taken, never a
// list of texts. The text ends at its first zero byte, or at its size where it has none;
// text that fills the store's whole buffer (PICTURE_PATH_SIZE bytes) with no zero, or is
// longer, is a path too long for the store to have written and is refused with false
// rather than cut to one that would name some other file.
bool PathFromStored(uint32_t type, const uint8_t* data, size_t size, StoredPath* path);
