// The user's picture file for the Linux program: told JPEG, PNG or BMP by its first bytes,
// screened by our own readers before a decoder sees it, and decoded to an RGB565 surface
// (JPEG by libjpeg-turbo, PNG by libpng, BMP by our own reader).
#pragma once

#include <string>

#include "gfx/surface.h"

// Loads the picture at `path` into `picture`. On failure returns false with the picture
// released and `why` saying what went wrong, for the user.
bool LoadPictureFile(const char* path, Surface* picture, std::string* why);
