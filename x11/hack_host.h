// The Linux host of the water scene: finds or makes the window, takes the picture, and
// runs the scene's clock until a signal or the window's end. The scene itself is the
// portable core the Windows host runs too.
#pragma once

#include <X11/Xlib.h>

#include "x11/hack_options.h"

// What the host learns from beyond its window and its clock. The program asks the X
// server; tests hand in a display state of their own and watch each frame.
struct HostHooks {
    // Whether the monitors are lit; asked about once a second. No frame work runs while
    // they are dark. Null: the server's DPMS state.
    bool (*displayIsOn)(Display* display, void* context);
    // Told after each frame, with the drop ticks that ran before it; may be null.
    void (*frameDone)(int ticks, void* context);
    void* context;
};

// Exit codes: 0 after a normal end, 1 when the display cannot be used. Without hooks the
// display's state is the server's DPMS state.
int RunHack(const HackOptions& options, const HostHooks* hooks = nullptr);
