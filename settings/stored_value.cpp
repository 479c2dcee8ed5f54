// Decoding of the settings' raw stored values. The registry calls and the expansion of
// environment variables stay in the Windows store; what the bytes mean is decided here.
#include "settings/stored_value.h"

#include <cstring>

#include "settings/settings.h"

bool NumberFromStored(uint32_t type, const uint8_t* data, size_t size, uint32_t* value)
{
    if (size != STORED_NUMBER_BYTES || (type != STORED_NUMBER && type != STORED_BINARY))
        return false;
    *value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
             static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    return true;
}

bool PathFromStored(uint32_t type, const uint8_t* data, size_t size, StoredPath* path)
{
    if (type != STORED_TEXT && type != STORED_EXPANDABLE_TEXT) return false;
    if (size > static_cast<size_t>(PICTURE_PATH_SIZE)) return false;
    const void* end = size == 0 ? nullptr : std::memchr(data, 0, size);
    size_t length = size;
    if (end != nullptr)
        length = static_cast<const uint8_t*>(end) - data;
    else if (size == static_cast<size_t>(PICTURE_PATH_SIZE))
        return false;
    path->text.assign(reinterpret_cast<const char*>(data), length);
    path->expandable = type == STORED_EXPANDABLE_TEXT;
    return true;
}
