// The monitors' scenes and the pictures laid out on them. All of it runs once per saver
// start or display change: one division or so per pixel, nothing per frame.
#include "ripple/monitor_layout.h"

#include <algorithm>

#include "gfx/bmp.h"
#include "ripple/water_scene.h"

namespace {

// Water needs at least three rows; a frame must be a picture the library can hold.
const int32_t MIN_WATER_ROWS = 3;

bool Intersect(const ScreenRect& a, const ScreenRect& b, ScreenRect* both)
{
    *both = ScreenRect{std::max(a.left, b.left), std::max(a.top, b.top),
                       std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return both->left < both->right && both->top < both->bottom;
}

bool MonitorCanHoldWater(const ScreenRect& rect)
{
    return RectHeight(rect) >= MIN_WATER_ROWS &&
           PictureSizeAllowed(FrameWidthFor(RectWidth(rect)), RectHeight(rect));
}

// Where a picture of `size` pixels starts when it is centred on `span` pixels: a larger
// picture loses as many pixels on its first side as on its last, the odd one on the last.
int64_t CentredStart(int64_t span, int64_t size)
{
    return span >= size ? (span - size) / 2 : -((size - span) / 2);
}

int64_t Clamp(int64_t value, int64_t size)
{
    return std::min(std::max<int64_t>(value, 0), size - 1);
}

// The source of position `at` when `size` source pixels are spread over `span` destination
// pixels, each taking the source pixel under its centre.
int64_t SpreadSource(int64_t at, int64_t span, int64_t size)
{
    return Clamp((2 * at + 1) * size / (2 * span), size);
}

// size * other / divisor, rounded to the nearest pixel and never 0: the side that keeps a
// shape's proportions when its other side changes.
int64_t Proportional(int64_t size, int64_t other, int64_t divisor)
{
    return std::max<int64_t>(1, (2 * size * other + divisor) / (2 * divisor));
}

// One axis of an arrangement, from which SourceAt finds the picture position that each
// position of the area shows, or -1 where it shows the backdrop.
struct AxisPlan {
    int64_t span;      // the area's pixels along the axis
    int64_t size;      // the picture's
    int64_t cropStart; // Fill: the part of the picture kept
    int64_t cropSize;
    int64_t fitStart;  // Fit: where the picture's rectangle lies in the area
    int64_t fitSize;
};

int64_t SourceAt(Placement placement, const AxisPlan& axis, int64_t at, int32_t stretchedSpan)
{
    switch (placement) {
    case PLACE_FILL:
        return axis.cropStart + SpreadSource(at, axis.span, axis.cropSize);
    case PLACE_FIT:
        if (at < axis.fitStart || at >= axis.fitStart + axis.fitSize) return -1;
        return SpreadSource(at - axis.fitStart, axis.fitSize, axis.size);
    case PLACE_CENTER: {
        const int64_t source = at - CentredStart(axis.span, axis.size);
        return source >= 0 && source < axis.size ? source : -1;
    }
    case PLACE_TILE:
        return ((at % axis.size) + axis.size) % axis.size;
    case PLACE_STRETCH:
    default:
        return StretchSource(static_cast<int32_t>(at), stretchedSpan, static_cast<int32_t>(axis.size));
    }
}

// Fill keeps the middle of the picture in the area's shape; Fit shrinks or grows the whole
// picture to the largest rectangle of its own shape inside the area. The wider of the two
// shapes decides which side is cut or barred.
void PlanAxes(int64_t areaW, int64_t areaH, int64_t pictureW, int64_t pictureH, AxisPlan* x,
              AxisPlan* y)
{
    *x = AxisPlan{areaW, pictureW, 0, pictureW, 0, areaW};
    *y = AxisPlan{areaH, pictureH, 0, pictureH, 0, areaH};
    if (pictureW * areaH >= pictureH * areaW) {
        x->cropSize = std::min(pictureW, Proportional(areaW, pictureH, areaH));
        x->cropStart = (pictureW - x->cropSize) / 2;
        y->fitSize = std::min(areaH, Proportional(areaW, pictureH, pictureW));
        y->fitStart = (areaH - y->fitSize) / 2;
    } else {
        y->cropSize = std::min(pictureH, Proportional(areaH, pictureW, areaW));
        y->cropStart = (pictureH - y->cropSize) / 2;
        x->fitSize = std::min(areaW, Proportional(areaH, pictureW, pictureH));
        x->fitStart = (areaW - x->fitSize) / 2;
    }
}

}  // namespace

Arrangement ArrangementForLayout(int32_t layout)
{
    switch (layout) {
    case LAYOUT_FILL: return Arrangement{PLACE_FILL, false};
    case LAYOUT_FIT: return Arrangement{PLACE_FIT, false};
    case LAYOUT_CENTER: return Arrangement{PLACE_CENTER, false};
    case LAYOUT_SPAN: return Arrangement{PLACE_STRETCH, true};
    default: return Arrangement{PLACE_STRETCH, false};
    }
}

// The desktop spans a wallpaper by filling the rectangle around all monitors with it.
Arrangement ArrangementForWallpaperStyle(int32_t style, int32_t tile)
{
    switch (style) {
    case 0: return Arrangement{tile == 1 ? PLACE_TILE : PLACE_CENTER, false};
    case 6: return Arrangement{PLACE_FIT, false};
    case 10: return Arrangement{PLACE_FILL, false};
    case 22: return Arrangement{PLACE_FILL, true};
    default: return Arrangement{PLACE_STRETCH, false};
    }
}

Arrangement ArrangementForWallpaperPosition(int32_t position)
{
    switch (position) {
    case 0: return Arrangement{PLACE_CENTER, false};
    case 1: return Arrangement{PLACE_TILE, false};
    case 3: return Arrangement{PLACE_FIT, false};
    case 4: return Arrangement{PLACE_FILL, false};
    case 5: return Arrangement{PLACE_FILL, true};
    default: return Arrangement{PLACE_STRETCH, false};
    }
}

std::vector<SceneArea> LayOutScenes(const std::vector<Monitor>& monitors, const ScreenRect& window,
                                    bool allMonitors)
{
    std::vector<SceneArea> areas;
    if (monitors.size() <= 1) {
        const ScreenRect monitor = monitors.empty() ? window : monitors[0].rect;
        if (RectWidth(window) > 0 && RectHeight(window) > 0)
            areas.push_back(SceneArea{monitor, window,
                                      ScreenRect{0, 0, RectWidth(window), RectHeight(window)}, true});
        return areas;
    }
    // The first monitor stands in for a primary the system did not name.
    size_t primary = 0;
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) {
            primary = i;
            break;
        }
    for (size_t n = 0; n < monitors.size(); ++n) {
        const size_t i = n == 0 ? primary : (n <= primary ? n - 1 : n);
        if (i != primary && !allMonitors) continue;
        const ScreenRect& rect = monitors[i].rect;
        ScreenRect covered;
        if (!MonitorCanHoldWater(rect) || !Intersect(rect, window, &covered)) continue;
        const ScreenRect client{covered.left - window.left, covered.top - window.top,
                                covered.right - window.left, covered.bottom - window.top};
        areas.push_back(SceneArea{rect, covered, client, i == primary});
    }
    return areas;
}

ScreenRect BoundingRect(const std::vector<Monitor>& monitors)
{
    if (monitors.empty()) return ScreenRect{0, 0, 0, 0};
    ScreenRect around = monitors[0].rect;
    for (const Monitor& monitor : monitors) {
        around.left = std::min(around.left, monitor.rect.left);
        around.top = std::min(around.top, monitor.rect.top);
        around.right = std::max(around.right, monitor.rect.right);
        around.bottom = std::max(around.bottom, monitor.rect.bottom);
    }
    return around;
}

bool ArrangePicture(const Surface& picture, const Arrangement& arrangement, const ScreenRect& area,
                    const ScreenRect& monitor, uint16_t backdrop, Surface* out)
{
    out->Release();
    const int32_t areaW = RectWidth(area);
    const int32_t areaH = RectHeight(area);
    const int32_t frameW = FrameWidthFor(RectWidth(monitor));
    const int32_t frameH = RectHeight(monitor);
    if (!picture.bits || picture.width <= 0 || picture.height <= 0 || areaW <= 0 || areaH <= 0 ||
        !PictureSizeAllowed(frameW, frameH) || !out->Create(frameW, frameH))
        return false;

    AxisPlan x, y;
    PlanAxes(areaW, areaH, picture.width, picture.height, &x, &y);
    const Placement placement = arrangement.placement;
    // A stretch spreads the picture over frames' widths, as placing it on a frame does.
    const int32_t stretchedW = FrameWidthFor(areaW);
    std::vector<int64_t> columns(static_cast<size_t>(frameW));
    for (int32_t column = 0; column < frameW; ++column)
        columns[column] = SourceAt(placement, x, int64_t(monitor.left) + column - area.left, stretchedW);
    for (int32_t row = 0; row < frameH; ++row) {
        const int64_t sourceRow = SourceAt(placement, y, int64_t(monitor.top) + row - area.top, areaH);
        uint16_t* pixels = out->Row(row);
        if (sourceRow < 0) {
            std::fill(pixels, pixels + frameW, backdrop);
            continue;
        }
        const uint16_t* source = picture.Row(static_cast<int32_t>(sourceRow));
        for (int32_t column = 0; column < frameW; ++column)
            pixels[column] = columns[column] < 0 ? backdrop : source[columns[column]];
    }
    return true;
}

bool CutPicture(const Surface& picture, const ScreenRect& pictureRect, const ScreenRect& part,
                Surface* out)
{
    out->Release();
    if (!picture.bits || RectWidth(part) <= 0 || RectHeight(part) <= 0) return false;
    if (part.left < pictureRect.left || part.top < pictureRect.top ||
        part.right > pictureRect.right || part.bottom > pictureRect.bottom ||
        RectWidth(pictureRect) != picture.width || RectHeight(pictureRect) != picture.height)
        return false;
    if (!out->Create(RectWidth(part), RectHeight(part))) return false;
    const int32_t left = part.left - pictureRect.left;
    for (int32_t row = 0; row < out->height; ++row) {
        const uint16_t* source = picture.Row(part.top - pictureRect.top + row) + left;
        std::copy(source, source + out->width, out->Row(row));
    }
    return true;
}

bool LayOutPicture(const Surface& picture, const Arrangement& arrangement, const ScreenRect& own,
                   const ScreenRect& allMonitors, uint16_t backdrop, Surface* out)
{
    if (arrangement.placement == PLACE_STRETCH && !arrangement.spansMonitors)
        return CopyWholePicture(picture, out);
    return ArrangePicture(picture, arrangement, arrangement.spansMonitors ? allMonitors : own, own,
                          backdrop, out);
}

bool CopyWholePicture(const Surface& picture, Surface* copy)
{
    const ScreenRect whole{0, 0, picture.width, picture.height};
    return CutPicture(picture, whole, whole, copy);
}
