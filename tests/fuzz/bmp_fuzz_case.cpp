// The promises checked after every read: a success is a whole picture of an allowed size
// (with an alpha map of 0..31 exactly when a mask was given), a failure names one of the
// reader's codes and leaves a surface that is either empty or whole, with buffers as long
// as its fields claim.
#include "tests/fuzz/bmp_fuzz_case.h"

#include <cstdio>
#include <cstdlib>

#include "gfx/bmp.h"
#include "gfx/error.h"

namespace {

[[noreturn]] void Broken(const char* promise)
{
    std::fprintf(stderr, "bmp fuzz: broken promise: %s\n", promise);
    std::abort();
}

void Check(bool held, const char* promise)
{
    if (!held) Broken(promise);
}

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

}  // namespace

void RunBmpCase(const uint8_t* picture, size_t pictureSize, const uint8_t* mask, size_t maskSize,
                StartState start)
{
    Surface surface;
    if (start == StartState::CREATED_WITH_ALPHA) {
        Check(surface.Create(3, 3) && surface.CreateAlpha(), "start surface can be made");
        surface.Fill(0x1234);
    }
    g_graphicsError = GFX_NO_ERROR;
    const bool loaded = ReadBmp(&surface, picture, pictureSize, mask, maskSize);

    const bool empty = !surface.bits && !surface.alpha && surface.width == 0 && surface.height == 0;
    if (!empty) {
        Check(surface.bits != nullptr, "a surface with a size has pixels");
        Check(PictureSizeAllowed(surface.width, surface.height), "the size is allowed");
        Check(surface.pitch == ((2 * surface.width + 7) & ~7), "the pitch matches the width");
        Check(TouchSurface(surface) == 0, "alpha stays within 0..31");
    }
    if (loaded) {
        Check(!empty, "a success leaves a picture");
        Check((surface.alpha != nullptr) == (mask != nullptr), "alpha map exactly with a mask");
        Check(surface.x == 0 && surface.y == 0 && surface.opacity == 0, "a load resets the origin");
    } else {
        Check(g_graphicsError == GFX_CANNOT_CREATE_IMAGE || g_graphicsError == GFX_CANNOT_LOAD_IMAGE,
              "a failure sets code 15 or 16");
    }
    surface.Release();
}

void RunFuzzInput(const uint8_t* data, size_t size)
{
    if (size == 0) return;
    const uint8_t form = data[0];
    if ((form & 3) == 0) {
        RunBmpCase(data + 1, size - 1, nullptr, 0, StartState::EMPTY);
        RunBmpCase(data + 1, size - 1, nullptr, 0, StartState::CREATED_WITH_ALPHA);
        return;
    }
    if (form & 1) {
        RunBmpCase(data + 1, size - 1, data + 1, size - 1, StartState::EMPTY);
        RunBmpCase(data + 1, size - 1, data + 1, size - 1, StartState::CREATED_WITH_ALPHA);
        return;
    }
    if (size < 3) return;
    const size_t rest = size - 3;
    const size_t pictureSize = (data[1] | (data[2] << 8)) % (rest + 1);
    // Copies of exactly the right length, so that the sanitizers see a read one byte past
    // either buffer.
    const std::vector<uint8_t> picture(data + 3, data + 3 + pictureSize);
    const std::vector<uint8_t> mask(data + 3 + pictureSize, data + size);
    static const uint8_t nothing = 0;
    const uint8_t* maskData = mask.empty() ? &nothing : mask.data();
    RunBmpCase(picture.data(), picture.size(), maskData, mask.size(), StartState::EMPTY);
    RunBmpCase(picture.data(), picture.size(), maskData, mask.size(),
               StartState::CREATED_WITH_ALPHA);
}

std::vector<uint8_t> PackFuzzInput(const std::vector<uint8_t>& picture,
                                   const std::vector<uint8_t>* mask)
{
    std::vector<uint8_t> input;
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
