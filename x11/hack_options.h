// The Linux program's command line, read without X: where to draw, the frame delay, the
// saver's settings as options (the sliders' domains come from the settings table), and the
// picture. XScreenSaver passes its single-dash spellings (-root, -window-id), so both work.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

enum DrawTarget {
    TARGET_OWN_WINDOW,   // no option: a window of the program's own
    TARGET_ROOT,         // --root: XSCREENSAVER_WINDOW when set, else the root window
    TARGET_WINDOW_ID     // --window-id N
};

// The frame delay XScreenSaver's own hacks default to: 20 frames a second.
const int64_t DEFAULT_DELAY_US = 50000;
const int64_t MAX_DELAY_US = 10000000;

struct HackOptions {
    SaverSettings settings;   // the store's defaults, sound always off
    DrawTarget target = TARGET_OWN_WINDOW;
    uint64_t windowId = 0;
    int64_t delayMicroseconds = DEFAULT_DELAY_US;
    bool showFps = false;
};

enum ParseOutcome { PARSE_RUN, PARSE_HELP, PARSE_ERROR };

// Reads argv[1..argc-1]. Values follow their option as the next argument or after "=".
// On PARSE_ERROR `error` names the option or value that was refused.
ParseOutcome ParseHackOptions(int argc, const char* const* argv, HackOptions* options,
                              std::string* error);

// A window id as XScreenSaver writes it: decimal, or hexadecimal after "0x". False for
// anything else, for 0, and for ids beyond X's 29 bits.
bool ParseWindowId(const char* text, uint64_t* id);

// The option summary --help prints.
const char* HackUsage();
