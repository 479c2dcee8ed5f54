// The library-wide error code and its message table.
#include "gfx/error.h"

int g_graphicsError = GFX_NO_ERROR;

const char* const g_graphicsErrorMessages[GFX_ERROR_COUNT] = {
    "No error",
    "Can not allocate memory",
    "Can not open file",
    "Can not open pack",
    "Can not load file",
    "Can not read file",
    "Can not open pack file",
    "Can not read pack file",
    "Can not create DirectDraw",
    "Can not set display mode with DirectDraw",
    "Can not create DirectDrawSurface",
    "Can not attach DirectDrawSurface",
    "Can not set DirectDrawClipper to DirectDrawSurface",
    "Can not create DirectDrawClipper",
    "Can not set window handle to DirectDrawClipper",
    "Can not create image",
    "Can not load image",
    "Can not create char",
    "Can not create font",
    "Can not blit to GDI",
    "Unknown error",
};

bool GraphicsFail(int code)
{
    g_graphicsError = code;
    return false;
}

const char* GraphicsErrorMessage(int code)
{
    if (code < 0 || code >= GFX_ERROR_COUNT) return g_graphicsErrorMessages[GFX_UNKNOWN_ERROR];
    return g_graphicsErrorMessages[code];
}
