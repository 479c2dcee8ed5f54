// The saver's command line, read without the platform: the program name skipped, the run
// mode chosen by the first letter that is not a separator, and window handles read from
// decimal text. The host turns the result into a run.
#pragma once

#include <cstdint>

// The leading decimal digits of the text as a number that wraps at the width of a window
// handle (2^32 in 32-bit builds, 2^64 in 64-bit ones, so that no handle is cut short);
// 0 when the text does not start with a digit.
uintptr_t ParseDecimalHandle(const char* text);

// Steps over one character of the text, as the platform's CharNextA does for its code page.
typedef const char* (*CharNextFunction)(const char* text);

// The argument text after the program name: a quoted name is skipped to its closing
// quote, an unquoted one to the first byte at or below 0x20; then every byte from 0x01
// to 0x20 is skipped.
const char* SkipProgramName(const char* commandLine, CharNextFunction next);

enum RunMode {
    RUN_INVALID,           // an unrecognised request: exit code -1
    RUN_SETTINGS,          // the settings dialog; `handle` is the owner asked for (0: none)
    RUN_SAVER,             // full screen
    RUN_PREVIEW,           // inside the window `handle`
    RUN_PASSWORD_CHANGE    // `rest` holds the owner's decimal handle
};

struct RunRequest {
    RunMode mode;
    // The parent of a preview; the owner of the settings dialog, given only after a colon
    // (0 asks for the foreground window).
    uintptr_t handle;
    bool noOwner;        // the empty command line: the settings dialog has no owner at all
    const char* rest;
};

// Reads the mode from the argument text. Only the first character that is not a
// separator (space, "-", "/") decides; bytes are read as signed characters, so 0x80 and
// above are never a mode letter.
RunRequest ParseRunMode(const char* arguments);
