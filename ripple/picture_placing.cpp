// The stretch runs once per saver start: one division per row and one per pixel.
#include "ripple/picture_placing.h"

#include "gfx/blit.h"

namespace {

// Blits the source whole onto the destination at (0, 0).
void BlitWhole(const Surface& source, Surface* destination)
{
    Surface copy = source;
    copy.blit = BlitCopy;
    copy.x = 0;
    copy.y = 0;
    copy.Blit(destination, 0, 0, BLIT_KEEP, BLIT_KEEP, BLIT_KEEP, BLIT_KEEP);
}

}  // namespace

int32_t StretchSource(int32_t x, int32_t frameSize, int32_t pictureSize)
{
    const float ratio = static_cast<float>(frameSize) / static_cast<float>(pictureSize);
    const int32_t source = static_cast<int32_t>(static_cast<double>(x) / static_cast<double>(ratio));
    if (source < 0) return 0;
    if (source > pictureSize - 1) return pictureSize - 1;
    return source;
}

bool PlacePicture(const Surface& picture, Surface* background, Surface* frame)
{
    if (!picture.bits || picture.width <= 0 || picture.height <= 0) return false;
    if (!background->bits || !frame->bits) return false;
    const int32_t w = background->width;
    const int32_t h = background->height;

    if (picture.width == w && picture.height == h) {
        BlitWhole(picture, background);
        BlitWhole(picture, frame);
        return true;
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint16_t* in = picture.Row(StretchSource(y, h, picture.height));
        uint16_t* out = background->Row(y);
        for (int32_t x = 0; x < w; ++x) out[x] = in[StretchSource(x, w, picture.width)];
    }
    BlitWhole(*background, frame);
    return true;
}

ScreenRect ChooseCaptureRect(bool isChildWindow, const ScreenRect& windowRect,
                             int32_t displayWidth, int32_t displayHeight)
{
    if (isChildWindow) return ScreenRect{0, 0, displayWidth, displayHeight};
    return windowRect;
}
