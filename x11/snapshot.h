// The desktop as it was before the screen saver covered it. XScreenSaver keeps that picture
// for its hacks and hands it out through its image helper; without the helper, the root
// window is read as it is when the program starts.
#pragma once

#include <X11/Xlib.h>
#include <signal.h>

#include "gfx/surface.h"

// Fills `picture` (RGB565) with the desktop behind `window`: the window's own part of the
// screen, or the whole screen for a preview (a window that is not a top-level one). False
// when nothing could be taken, or when `stop` became non-zero (a signal to end) meanwhile.
bool TakeSnapshot(Display* display, Window window, bool isPreview,
                  const volatile sig_atomic_t* stop, Surface* picture);

// Copies a 32-bit ZPixmap image of the given visual into `picture`, truncating to RGB565.
bool ImageToSurface(const XImage* image, const Visual* visual, Surface* picture);
