// The Linux host of the water scene: finds or makes the window, takes the picture, and
// runs the scene's clock until a signal or the window's end. The scene itself is the
// portable core the Windows host runs too.
#pragma once

#include "x11/hack_options.h"

// Exit codes: 0 after a normal end, 1 when the display cannot be used.
int RunHack(const HackOptions& options);
