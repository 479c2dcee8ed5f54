// Whether the X server's monitors are lit, from its DPMS extension. A server without the
// extension, or with DPMS switched off, always counts as lit.
#pragma once

#include <X11/Xlib.h>

bool DisplayIsLit(Display* display);
