// The promises checked after every read: a success is a whole picture of an allowed size
// (with an alpha map of 0..31 exactly when a mask was given), a failure names one of the
// reader's codes and leaves a surface that is either empty or whole, with buffers as long
// as its fields claim.
#include "tests/fuzz/bmp_fuzz_case.h"

#include "gfx/bmp.h"
#include "gfx/error.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

void Promise(bool held, const char* promise) { Check(held, "bmp fuzz", promise); }

// Reads the first and last pixel of every row, so that the sanitizers see a pixel buffer
// shorter than the surface claims, and every alpha byte; returns how many alpha bytes
// exceed 31. (A picture refused for its depth may be large and have no pixels from the
// file; reading all of it would only slow the search.)
int TouchSurface(const Surface& surface)
{
    volatile uint32_t sum = 0;
    int alphaOutOfRange = 0;
    for (int32_t y = 0; y < surface.height; ++y) {
        const uint16_t* row = surface.Row(y);
        sum = sum + row[0] + row[surface.width - 1];
        if (!surface.alpha) continue;
        const uint8_t* alphaRow = surface.alpha + static_cast<int64_t>(y) * (surface.pitch / 2);
        for (int32_t x = 0; x < surface.width; ++x)
            if (alphaRow[x] > 31) ++alphaOutOfRange;
    }
    return alphaOutOfRange;
}

void RunFromBothStarts(const uint8_t* picture, size_t pictureSize, const uint8_t* mask,
                       size_t maskSize)
{
    RunBmpCase(picture, pictureSize, mask, maskSize, StartState::EMPTY);
    RunBmpCase(picture, pictureSize, mask, maskSize, StartState::CREATED_WITH_ALPHA);
}

}  // namespace

void RunBmpCase(const uint8_t* picture, size_t pictureSize, const uint8_t* mask, size_t maskSize,
                StartState start)
{
    Surface surface;
    if (start == StartState::CREATED_WITH_ALPHA) {
        Promise(surface.Create(3, 3) && surface.CreateAlpha(), "start surface can be made");
        surface.Fill(0x1234);
    }
    g_graphicsError = GFX_NO_ERROR;
    const bool loaded = ReadBmp(&surface, picture, pictureSize, mask, maskSize);

    const bool empty = !surface.bits && !surface.alpha && surface.width == 0 && surface.height == 0;
    if (!empty) {
        Promise(surface.bits != nullptr, "a surface with a size has pixels");
        Promise(PictureSizeAllowed(surface.width, surface.height), "the size is allowed");
        Promise(surface.pitch == ((2 * surface.width + 7) & ~7), "the pitch matches the width");
        Promise(TouchSurface(surface) == 0, "alpha stays within 0..31");
    }
    if (loaded) {
        Promise(!empty, "a success leaves a picture");
        Promise((surface.alpha != nullptr) == (mask != nullptr), "alpha map exactly with a mask");
        Promise(surface.x == 0 && surface.y == 0 && surface.opacity == 0, "a load resets the origin");
    } else {
        Promise(g_graphicsError == GFX_CANNOT_CREATE_IMAGE || g_graphicsError == GFX_CANNOT_LOAD_IMAGE,
                "a failure sets code 15 or 16");
    }
    surface.Release();
}

void RunFuzzInput(const uint8_t* data, size_t size)
{
    if (size == 0) return;
    const uint8_t form = data[0];
    size_t pictureSize = size - 1;
    size_t pictureAt = 1;
    if ((form & 3) == 2) {
        if (size < 3) return;
        pictureSize = (data[1] | (data[2] << 8)) % (size - 3 + 1);
        pictureAt = 3;
    }
    // Copies of exactly the right length, so that the sanitizers see a read one byte past
    // either buffer.
    const ExactCopy picture(data + pictureAt, pictureSize);
    if ((form & 3) == 0) {
        RunFromBothStarts(picture.bytes, picture.size, nullptr, 0);
    } else if (form & 1) {
        const ExactCopy mask(data + 1, size - 1);
        RunFromBothStarts(picture.bytes, picture.size, mask.bytes, mask.size);
    } else {
        const ExactCopy mask(data + pictureAt + pictureSize, size - pictureAt - pictureSize);
        RunFromBothStarts(picture.bytes, picture.size, mask.bytes, mask.size);
    }
}

Bytes PackFuzzInput(const Bytes& picture, const Bytes* mask)
{
    Bytes input;
    if (!mask) {
        input.push_back(0);
        input.insert(input.end(), picture.begin(), picture.end());
        return input;
    }
    input.push_back(2);
    input.push_back(static_cast<uint8_t>(picture.size()));
    input.push_back(static_cast<uint8_t>(picture.size() >> 8));
    input.insert(input.end(), picture.begin(), picture.end());
    input.insert(input.end(), mask->begin(), mask->end());
    return input;
}
