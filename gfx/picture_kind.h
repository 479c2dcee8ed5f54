// Which reader a picture file needs, told by its first bytes rather than by its name: the
// system keeps wallpapers as PNG files, or as JPEG files without any ending.
#pragma once

#include <cstddef>
#include <cstdint>

enum PictureKind { PICTURE_UNKNOWN, PICTURE_BMP, PICTURE_JPEG, PICTURE_PNG };

PictureKind DetectPictureKind(const uint8_t* data, size_t size);
