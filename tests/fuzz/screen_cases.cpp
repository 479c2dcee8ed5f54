// The screens' promises: they decide only pass or refuse, and a pass is a size the library
// holds on data that begins as the format does.
#include "tests/fuzz/screen_cases.h"

#include "gfx/bmp.h"
#include "gfx/error.h"
#include "gfx/jpeg_screen.h"
#include "gfx/png_screen.h"
#include "tests/png_builder.h"

namespace {

// Neither screen reports through the library's error code; a stale code stays as it was.
const int STALE_ERROR = GFX_CANNOT_OPEN_PACK_FILE;

template <typename Size, typename Screen>
void CheckScreen(const char* name, Screen screen, const uint8_t* data, size_t size, bool looksRight)
{
    g_graphicsError = STALE_ERROR;
    Size found{-7, -7};
    const bool passed = screen(data, size, &found);
    Check(g_graphicsError == STALE_ERROR, name, "the screen leaves the error code alone");
    if (passed) {
        Check(looksRight, name, "a pass begins with the format's signature");
        Check(PictureSizeAllowed(found.width, found.height), name, "a pass names an allowed size");
    } else {
        Check(found.width == -7 && found.height == -7, name, "a refusal leaves the size alone");
    }
}

}  // namespace

void CheckJpegScreen(const uint8_t* data, size_t size)
{
    const bool startOfImage = size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    CheckScreen<JpegFrame>("jpeg_sweep", ScreenJpeg, data, size, startOfImage);
}

void CheckPngScreen(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    bool hasSignature = size >= 8;
    for (size_t i = 0; hasSignature && i < 8; ++i) hasSignature = data[i] == signature[i];
    CheckScreen<PngHeader>("png_sweep", ScreenPng, data, size, hasSignature);
}

void MendPngCrcs(Bytes* png)
{
    size_t at = 8;
    while (png->size() >= at + 12) {
        const uint64_t length = uint64_t((*png)[at]) << 24 | (*png)[at + 1] << 16 |
                                (*png)[at + 2] << 8 | (*png)[at + 3];
        if (length > png->size() - at - 12) return;
        png_builder::Set32BE(png, at + 8 + length,
                             png_builder::Crc32(png->data() + at + 4, 4 + length));
        at += 12 + length;
    }
}
