// How a picture of any size becomes the scene's background and first frame: copied when
// it already has the frame's size, otherwise stretched over the whole frame by picking
// the nearest pixel, without keeping its aspect ratio. Also which part of the screen the
// desktop snapshot takes.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

// Fills `background` and `frame`, both already created at the frame's size, from the
// picture. Returns false, touching neither, when the picture has no pixels in either
// direction or either surface is missing.
bool PlacePicture(const Surface& picture, Surface* background, Surface* frame);

// The picture column (or row) that frame column `x` takes when `pictureSize` pixels are
// stretched over `frameSize`: the ratio frameSize / pictureSize is rounded to single
// precision, x is divided by it in double precision, truncated and kept inside the picture.
int32_t StretchSource(int32_t x, int32_t frameSize, int32_t pictureSize);

struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The part of the screen the snapshot copies. A full-screen window covers every monitor
// (the virtual screen, which may start left of or above the primary one), and each
// monitor must show its own desktop under the water, so exactly the window's rectangle is
// taken. A preview window is a small child of the display settings, and shows the
// primary display, from its origin at its resolution, shrunk to the preview.
ScreenRect ChooseCaptureRect(bool isChildWindow, const ScreenRect& windowRect,
                             int32_t displayWidth, int32_t displayHeight);
