// The graphics library's error convention: one process-wide code of the last failure,
// set by whichever operation failed and never cleared, with a message for each code.
#pragma once

enum GraphicsError {
    GFX_NO_ERROR = 0,
    GFX_CANNOT_ALLOCATE_MEMORY = 1,
    GFX_CANNOT_OPEN_FILE = 2,
    GFX_CANNOT_OPEN_PACK = 3,
    GFX_CANNOT_LOAD_FILE = 4,
    GFX_CANNOT_READ_FILE = 5,
    GFX_CANNOT_OPEN_PACK_FILE = 6,
    GFX_CANNOT_READ_PACK_FILE = 7,
    GFX_CANNOT_CREATE_DIRECTDRAW = 8,
    GFX_CANNOT_SET_DISPLAY_MODE = 9,
    GFX_CANNOT_CREATE_DIRECTDRAW_SURFACE = 10,
    GFX_CANNOT_ATTACH_DIRECTDRAW_SURFACE = 11,
    GFX_CANNOT_SET_CLIPPER = 12,
    GFX_CANNOT_CREATE_CLIPPER = 13,
    GFX_CANNOT_SET_CLIPPER_WINDOW = 14,
    GFX_CANNOT_CREATE_IMAGE = 15,
    GFX_CANNOT_LOAD_IMAGE = 16,
    GFX_CANNOT_CREATE_CHAR = 17,
    GFX_CANNOT_CREATE_FONT = 18,
    GFX_CANNOT_BLIT_TO_GDI = 19,
    GFX_UNKNOWN_ERROR = 20,
    GFX_ERROR_COUNT = 21
};

extern int g_graphicsError;
extern const char* const g_graphicsErrorMessages[GFX_ERROR_COUNT];

// Records the code of a failure and returns false, the result every failed operation gives.
bool GraphicsFail(int code);

// The message for a code; a value outside the table reads as "Unknown error".
const char* GraphicsErrorMessage(int code);
