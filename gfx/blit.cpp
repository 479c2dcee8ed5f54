// The blitters. Clipping is shared; each member supplies only its per-pixel rule. Blends
// use exact per-channel arithmetic, so a channel never drifts a step from its quotient.
#include "gfx/blit.h"

#include <algorithm>
#include <cstring>

namespace {

// Where a clipped blit starts on each side and how much of it remains.
struct Clip {
    int32_t srcRow, srcColumn;
    int32_t dstRow, dstColumn;
    int32_t rows, columns;
};

// Places a source rectangle of (width x height) with origin (sx, sy) on the destination
// and cuts it to the destination. Sums are formed in 64 bits: an origin near the ends of
// the 32-bit range must clip, not wrap round into the picture.
bool ClipToDestination(const Surface& dst, int32_t sx, int32_t sy, int32_t width,
                       int32_t height, Clip* clip)
{
    if (!dst.bits) return false;  // a surface whose creation failed takes nothing
    int64_t rows = height;
    const int64_t dy = static_cast<int64_t>(dst.y) - sy;
    int64_t srcRow = 0, dstRow = 0;
    if (dy < 0) {
        rows += dy;
        if (rows <= 0) return false;
        srcRow = -dy;
    } else {
        if (dy >= dst.height) return false;
        dstRow = dy;
    }
    rows = std::min<int64_t>(rows, dst.height - dstRow);

    int64_t columns = width;
    const int64_t dx = static_cast<int64_t>(dst.x) - sx;
    int64_t srcColumn = 0, dstColumn = 0;
    if (dx < 0) {
        columns += dx;
        if (columns <= 0) return false;
        srcColumn = -dx;
    } else {
        if (dx >= dst.width) return false;
        dstColumn = dx;
    }
    columns = std::min<int64_t>(columns, dst.width - dstColumn);

    if (rows <= 0 || columns <= 0) return false;
    *clip = {static_cast<int32_t>(srcRow), static_cast<int32_t>(srcColumn),
             static_cast<int32_t>(dstRow), static_cast<int32_t>(dstColumn),
             static_cast<int32_t>(rows), static_cast<int32_t>(columns)};
    return true;
}

uint16_t* DestinationRow(const Surface& dst, const Clip& clip, int32_t row)
{
    return dst.Row(clip.dstRow + row) + clip.dstColumn;
}

const uint16_t* SourceRow(const Surface& src, const Clip& clip, int32_t row)
{
    return src.Row(clip.srcRow + row) + clip.srcColumn;
}

// Runs pixel(s, d) -> out over the clipped rectangle of a surface source.
template <typename PixelRule>
int BlitPixels(Surface* destination, const Surface& source, PixelRule pixel)
{
    Clip clip;
    if (!source.bits) return 0;
    if (!ClipToDestination(*destination, source.x, source.y, source.width, source.height, &clip))
        return 0;
    for (int32_t row = 0; row < clip.rows; ++row) {
        const uint16_t* s = SourceRow(source, clip, row);
        uint16_t* d = DestinationRow(*destination, clip, row);
        for (int32_t column = 0; column < clip.columns; ++column) d[column] = pixel(s[column], d[column]);
    }
    return 0;
}

int Red(uint16_t p) { return p >> 11; }
int Green(uint16_t p) { return (p >> 5) & 0x3F; }
int Blue(uint16_t p) { return p & 0x1F; }
uint16_t Pack(int red, int green, int blue)
{
    return static_cast<uint16_t>((red << 11) | (green << 5) | blue);
}

// Weights are formed in 64 bits and only then cut to 0..32: an opacity or level near the
// ends of the 32-bit range must saturate as its in-range neighbours do, not wrap round
// into some other weight.
int ClampWeight(int64_t weight)
{
    return static_cast<int>(std::min<int64_t>(32, std::max<int64_t>(0, weight)));
}

int MixChannel(int from, int to, int weight) { return from + (to - from) * weight / 32; }

// Each channel moved from `from` towards `to` by weight / 32 (weight 0..32).
uint16_t Mix(uint16_t from, uint16_t to, int weight)
{
    return Pack(MixChannel(Red(from), Red(to), weight), MixChannel(Green(from), Green(to), weight),
                MixChannel(Blue(from), Blue(to), weight));
}

// The weight of the opacity members: how much of the destination shows through.
int OpacityWeight(int32_t opacity) { return ClampWeight((256 - int64_t(opacity)) >> 3); }

uint16_t SaturatedAdd(uint16_t s, uint16_t d)
{
    auto add = [](uint32_t a, uint32_t b) { return std::min<uint32_t>(a + b, 0xFFFF); };
    const uint32_t red = add(d, s) & 0xF800;
    const uint32_t green = (add((d << 5) & 0xFFFF, (s << 5) & 0xFFFF) >> 5) & 0x07E0;
    const uint32_t blue = add((d << 11) & 0xFFFF, (s << 11) & 0xFFFF) >> 11;
    return static_cast<uint16_t>(red | green | blue);
}

uint16_t SaturatedSubtract(uint16_t s, uint16_t d)
{
    auto sub = [](int32_t a, int32_t b) { return static_cast<uint32_t>(std::max(a - b, 0)); };
    const uint32_t red = sub(d, s) & 0xF800;
    const uint32_t green = (sub((d << 5) & 0xFFFF, (s << 5) & 0xFFFF) >> 5) & 0x07E0;
    const uint32_t blue = sub((d << 11) & 0xFFFF, (s << 11) & 0xFFFF) >> 11;
    return static_cast<uint16_t>(red | green | blue);
}

// The alpha members work in groups of four pixels from the first drawn column; only the
// pixels inside the clipped width count, so nothing outside the rectangle decides a group.
template <typename AlphaWeight>
int BlitWithAlpha(Surface* destination, const Surface& source, bool exactWhenOpaque,
                  AlphaWeight weightOf)
{
    Clip clip;
    if (!source.bits || !source.alpha) return 0;
    if (!ClipToDestination(*destination, source.x, source.y, source.width, source.height, &clip))
        return 0;
    const int32_t alphaPitch = source.pitch / 2;
    for (int32_t row = 0; row < clip.rows; ++row) {
        const uint16_t* s = SourceRow(source, clip, row);
        uint16_t* d = DestinationRow(*destination, clip, row);
        const uint8_t* a = source.alpha + static_cast<intptr_t>(clip.srcRow + row) * alphaPitch +
                           clip.srcColumn;
        for (int32_t group = 0; group < clip.columns; group += 4) {
            const int32_t end = std::min(group + 4, clip.columns);
            bool allClear = true, allOpaque = true;
            for (int32_t c = group; c < end; ++c) {
                allClear = allClear && a[c] == 0;
                allOpaque = allOpaque && a[c] == 31;
            }
            if (allClear) continue;
            for (int32_t c = group; c < end; ++c) {
                d[c] = exactWhenOpaque && allOpaque ? s[c] : Mix(d[c], s[c], weightOf(a[c]));
            }
        }
    }
    return 0;
}

template <typename PixelRule>
int FillPixels(Surface* destination, const FillRecord& fill, PixelRule pixel)
{
    Clip clip;
    if (!ClipToDestination(*destination, fill.x, fill.y, fill.width, fill.height, &clip)) return 0;
    for (int32_t row = 0; row < clip.rows; ++row) {
        uint16_t* d = DestinationRow(*destination, clip, row);
        for (int32_t column = 0; column < clip.columns; ++column) d[column] = pixel(d[column]);
    }
    return 0;
}

const Surface& AsSurface(const void* source) { return *static_cast<const Surface*>(source); }

}  // namespace

int BlitCopy(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    Clip clip;
    if (!src.bits) return 0;
    if (!ClipToDestination(*destination, src.x, src.y, src.width, src.height, &clip)) return 0;
    for (int32_t row = 0; row < clip.rows; ++row) {
        std::memmove(DestinationRow(*destination, clip, row), SourceRow(src, clip, row),
                     static_cast<size_t>(clip.columns) * 2);
    }
    return 0;
}

int BlitCopyReversed(const Surface* source, Surface* destination)
{
    return BlitCopy(destination, source);
}

int BlitKeyed(Surface* destination, const void* source)
{
    return BlitPixels(destination, AsSurface(source),
                      [](uint16_t s, uint16_t d) { return s == COLOUR_KEY ? d : s; });
}

int BlitAdd(Surface* destination, const void* source)
{
    return BlitPixels(destination, AsSurface(source), SaturatedAdd);
}

int BlitSubtract(Surface* destination, const void* source)
{
    return BlitPixels(destination, AsSurface(source), SaturatedSubtract);
}

int BlitBlend(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    if (src.opacity < 8) return 0;
    const int weight = OpacityWeight(src.opacity);
    return BlitPixels(destination, src, [weight](uint16_t s, uint16_t d) { return Mix(s, d, weight); });
}

int BlitBlendKeyed(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    if (src.opacity < 8) return 0;
    const int weight = OpacityWeight(src.opacity);
    return BlitPixels(destination, src, [weight](uint16_t s, uint16_t d) {
        return s == COLOUR_KEY ? d : Mix(s, d, weight);
    });
}

int BlitFade(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    const int weight = OpacityWeight(src.opacity);
    return BlitPixels(destination, src, [weight](uint16_t s, uint16_t) { return Mix(s, 0, weight); });
}

int BlitFadeKeyed(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    const int weight = OpacityWeight(src.opacity);
    return BlitPixels(destination, src, [weight](uint16_t s, uint16_t) {
        return s == COLOUR_KEY ? uint16_t(0) : Mix(s, 0, weight);
    });
}

int BlitAlpha(Surface* destination, const void* source)
{
    return BlitWithAlpha(destination, AsSurface(source), true,
                         [](uint8_t a) { return ClampWeight(a); });
}

int BlitAlphaBlend(Surface* destination, const void* source)
{
    const Surface& src = AsSurface(source);
    const int64_t strength = (int64_t(src.opacity) >> 3) + 1;
    return BlitWithAlpha(destination, src, false,
                         [strength](uint8_t a) { return ClampWeight((a * strength) >> 5); });
}

int FillRect(Surface* destination, const void* fill)
{
    const FillRecord& record = *static_cast<const FillRecord*>(fill);
    const uint16_t colour = static_cast<uint16_t>(record.colour);
    return FillPixels(destination, record, [colour](uint16_t) { return colour; });
}

int FillRectBlend(Surface* destination, const void* fill)
{
    const FillRecord& record = *static_cast<const FillRecord*>(fill);
    if (record.level <= 0) return 0;
    const int l = ClampWeight(record.level >> 3);
    const uint16_t c = static_cast<uint16_t>(record.colour);
    auto part = [l](int colour, int d) { return colour * l / 32 + d * (32 - l) / 32; };
    return FillPixels(destination, record, [&](uint16_t d) {
        return Pack(part(Red(c), Red(d)), part(Green(c), Green(d)), part(Blue(c), Blue(d)));
    });
}

void Surface::Blit(Surface* destination, int32_t dstX, int32_t dstY, int32_t srcX, int32_t srcY,
                   int32_t blitWidth, int32_t blitHeight)
{
    const int32_t savedDstX = destination->x, savedDstY = destination->y;
    const int32_t savedX = x, savedY = y, savedWidth = width, savedHeight = height;
    if (dstX != BLIT_KEEP) destination->x = dstX;
    if (dstY != BLIT_KEEP) destination->y = dstY;
    if (srcX != BLIT_KEEP) x = srcX;
    if (srcY != BLIT_KEEP) y = srcY;
    // A size beyond the source's own would read past its buffer, so it is cut to it.
    if (blitWidth != BLIT_KEEP) width = std::min(blitWidth, savedWidth);
    if (blitHeight != BLIT_KEEP) height = std::min(blitHeight, savedHeight);

    // Without an alpha map the alpha members fall back to their keyed forms for good.
    if (!alpha) {
        if (blit == BlitAlpha) blit = BlitKeyed;
        if (blit == BlitAlphaBlend) blit = BlitBlendKeyed;
    }
    if (blit) blit(destination, this);

    destination->x = savedDstX;
    destination->y = savedDstY;
    x = savedX;
    y = savedY;
    width = savedWidth;
    height = savedHeight;
}
