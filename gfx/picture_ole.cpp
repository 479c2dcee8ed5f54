// The OLE picture decoder behind DecodePicture. The picture renders itself into a bitmap
// section described as RGB565, so the platform does the colour conversion; every object
// the decode acquires is released, in reverse order, on every path.
#include "gfx/picture_ole.h"

#include <windows.h>
#include <olectl.h>
#include <ocidl.h>

#include <climits>
#include <cstring>

#include "gfx/bmp.h"
#include "gfx/error.h"
#include "gfx/file_read.h"
#include "gfx/jpeg_screen.h"
#include "gfx/picture_kind.h"
#include "gfx/picture_wic.h"

namespace {

const int HIMETRIC_PER_INCH = 2540;

struct DecoderBitmapInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

// What one decode holds. The memory block belongs to the stream once the stream exists,
// and is freed with it.
struct DecodeResources {
    HGLOBAL block = nullptr;
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    HDC screenDC = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ previous = nullptr;

    DecodeResources() = default;
    DecodeResources(const DecodeResources&) = delete;
    DecodeResources& operator=(const DecodeResources&) = delete;

    ~DecodeResources()
    {
        if (previous) SelectObject(memoryDC, previous);
        if (section) DeleteObject(section);
        if (memoryDC) DeleteDC(memoryDC);
        if (screenDC) ReleaseDC(nullptr, screenDC);
        if (picture) picture->Release();
        if (stream)
            stream->Release();
        else if (block)
            GlobalFree(block);
    }
};

// The JPEG data as a picture object of the OLE decoder, read from a stream on a copy of
// the data in global memory.
bool LoadOlePicture(DecodeResources* held, const uint8_t* data, size_t size)
{
    held->block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!held->block) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    void* locked = GlobalLock(held->block);
    if (!locked) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    std::memcpy(locked, data, size);
    GlobalUnlock(held->block);

    if (FAILED(CreateStreamOnHGlobal(held->block, TRUE, &held->stream)) || !held->stream) {
        held->stream = nullptr;
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    }
    if (FAILED(OleLoadPicture(held->stream, static_cast<LONG>(size), TRUE, IID_IPicture,
                              reinterpret_cast<void**>(&held->picture))) ||
        !held->picture) {
        held->picture = nullptr;
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    }
    return true;
}

// Has the loaded picture draw itself, at its size in screen pixels, into a new 16-bit
// RGB565 bitmap section, then copies that into the surface.
bool RenderOlePicture(DecodeResources* held, Surface* surface)
{
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (FAILED(held->picture->get_Width(&hmWidth)) || FAILED(held->picture->get_Height(&hmHeight)))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    // The decoder accepts some pictures without pixels; they are no picture to show.
    if (hmWidth <= 0 || hmHeight <= 0) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    held->screenDC = GetDC(nullptr);
    if (!held->screenDC) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    const int width = MulDiv(hmWidth, GetDeviceCaps(held->screenDC, LOGPIXELSX), HIMETRIC_PER_INCH);
    const int height = MulDiv(hmHeight, GetDeviceCaps(held->screenDC, LOGPIXELSY), HIMETRIC_PER_INCH);
    // Also refuses a size that rounds to 0 and MulDiv's -1 for a result out of range.
    if (!PictureSizeAllowed(width, height)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    held->memoryDC = CreateCompatibleDC(held->screenDC);
    if (!held->memoryDC) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    // The decoder draws into 16 bits per pixel in RGB565, rows top to bottom.
    DecoderBitmapInfo decoderBitmapInfo = {
        {sizeof(BITMAPINFOHEADER), width, -height, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0},
        {0xF800, 0x07E0, 0x001F}};
    void* sectionBits = nullptr;
    held->section = CreateDIBSection(held->screenDC, reinterpret_cast<BITMAPINFO*>(&decoderBitmapInfo),
                                     DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (!held->section || !sectionBits) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    held->previous = SelectObject(held->memoryDC, held->section);
    if (!held->previous || held->previous == HGDI_ERROR) {
        held->previous = nullptr;
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    }

    // The source rectangle runs from the bottom up (HIMETRIC's y axis points up), which
    // draws the picture upright.
    held->picture->Render(held->memoryDC, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight,
                          nullptr);
    // The section's bits are read directly below: drawing still queued must land first.
    GdiFlush();

    surface->Release();
    if (!surface->Create(width, height)) {
        surface->Release();
        return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
    }
    CopyBitmapRows(surface, sectionBits);
    return true;
}

}  // namespace

bool DecodePicture(Surface* surface, const uint8_t* data, size_t size)
{
    // The decoder takes the length as a LONG, and an empty stream holds no picture.
    if (!data || size == 0 || size > static_cast<size_t>(LONG_MAX))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    // The decoder trusts the sizes it reads and can be made to write out of bounds, so it
    // only sees JPEG data whose frame has been screened. A bitmap goes through the
    // library's own bounded reader and a PNG through the imaging component once screened;
    // anything else has no size that could be checked.
    switch (DetectPictureKind(data, size)) {
    case PICTURE_BMP: return ReadBmp(surface, data, size, nullptr, 0);
    case PICTURE_PNG: return DecodePng(surface, data, size);
    default: break;
    }
    JpegFrame frame;
    if (!ScreenJpeg(data, size, &frame)) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    DecodeResources held;
    return LoadOlePicture(&held, data, size) && RenderOlePicture(&held, surface);
}

bool LoadPictureFile(Surface* surface, const char* path)
{
    if (!path) return GraphicsFail(GFX_CANNOT_OPEN_FILE);
    FileContents contents;
    if (!ReadWholeFile(path, &contents)) return false;
    return DecodePicture(surface, contents.data.get(), contents.size);
}
