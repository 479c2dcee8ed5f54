// The imaging component is reached through its factory object only, never through an
// imported function, so a system without it (Windows XP before its update) still starts
// the program and simply has no PNG. The first frame is converted to 32-bit BGRA by the
// component and packed to RGB565 here, truncating as the platform does for bitmaps.
#include "gfx/picture_wic.h"

#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <memory>
#include <new>

#include "gfx/error.h"
#include "gfx/png_screen.h"

namespace {

// What one decode holds, released in reverse order on every path.
struct WicResources {
    bool comStarted = false;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;

    WicResources() = default;
    WicResources(const WicResources&) = delete;
    WicResources& operator=(const WicResources&) = delete;

    ~WicResources()
    {
        if (converter) converter->Release();
        if (frame) frame->Release();
        if (decoder) decoder->Release();
        if (stream) stream->Release();
        if (factory) factory->Release();
        if (comStarted) CoUninitialize();
    }
};

uint16_t PackBgra(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3));
}

}  // namespace

bool DecodePng(Surface* surface, const uint8_t* data, size_t size)
{
    PngHeader header;
    if (!ScreenPng(data, size, &header) || size > static_cast<size_t>(UINT_MAX))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    WicResources held;
    // Whatever the thread's apartment already is, the factory works in it; only a start
    // made here is undone here.
    held.comStarted = SUCCEEDED(CoInitialize(nullptr));
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&held.factory))) ||
        !held.factory) {
        held.factory = nullptr;
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    }
    if (FAILED(held.factory->CreateStream(&held.stream)) || !held.stream ||
        FAILED(held.stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    if (FAILED(held.factory->CreateDecoderFromStream(held.stream, nullptr,
                                                     WICDecodeMetadataCacheOnDemand,
                                                     &held.decoder)) ||
        !held.decoder || FAILED(held.decoder->GetFrame(0, &held.frame)) || !held.frame)
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    if (FAILED(held.factory->CreateFormatConverter(&held.converter)) || !held.converter ||
        FAILED(held.converter->Initialize(held.frame, GUID_WICPixelFormat32bppBGRA,
                                          WICBitmapDitherTypeNone, nullptr, 0.0,
                                          WICBitmapPaletteTypeCustom)))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    UINT width = 0;
    UINT height = 0;
    // Only the size the screen accepted may be allocated for.
    if (FAILED(held.converter->GetSize(&width, &height)) ||
        width != static_cast<UINT>(header.width) || height != static_cast<UINT>(header.height))
        return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    const UINT stride = width * 4;
    std::unique_ptr<BYTE[]> row(new (std::nothrow) BYTE[stride]);
    if (!row) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    Surface decoded;
    if (!decoded.Create(header.width, header.height)) {
        surface->Release();
        return GraphicsFail(GFX_CANNOT_CREATE_IMAGE);
    }
    for (UINT y = 0; y < height; ++y) {
        const WICRect line = {0, static_cast<INT>(y), static_cast<INT>(width), 1};
        if (FAILED(held.converter->CopyPixels(&line, stride, stride, row.get()))) {
            decoded.Release();
            return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
        }
        uint16_t* out = decoded.Row(static_cast<int32_t>(y));
        for (UINT x = 0; x < width; ++x) out[x] = PackBgra(row.get() + 4 * x);
    }
    surface->Release();
    *surface = decoded;
    return true;
}
