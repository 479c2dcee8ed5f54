// Which part of the screen each water scene covers, and which part of a picture it shows:
// one scene per monitor, and pictures laid out on the monitors the way the desktop lays
// out its wallpaper. Both hosts use it; nothing here reaches a window or a screen.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/surface.h"
#include "ripple/picture_placing.h"

// "Picture Layout", as it is stored: how the own picture lies on each monitor.
enum PictureLayout {
    LAYOUT_STRETCH = 0,  // stretched to each monitor, as a single screen always showed it
    LAYOUT_FILL = 1,     // cropped to the monitor's shape, centred, then stretched
    LAYOUT_FIT = 2,      // whole, in the largest centred rectangle of its own shape
    LAYOUT_CENTER = 3,   // at its own size, centred
    LAYOUT_SPAN = 4,     // one picture stretched over all monitors together
    LAYOUT_COUNT = 5
};

// How a picture covers an area: the positions the desktop offers for its wallpaper.
enum Placement { PLACE_STRETCH, PLACE_FILL, PLACE_FIT, PLACE_CENTER, PLACE_TILE };

struct Arrangement {
    Placement placement;
    bool spansMonitors;  // over the rectangle around every monitor rather than each one
};

// A stored layout out of range reads as Stretch.
Arrangement ArrangementForLayout(int32_t layout);
// The desktop's own wallpaper settings: "WallpaperStyle" with "TileWallpaper" (0+0 centre,
// 0+1 tile, 2 stretch, 6 fit, 10 fill, 22 span), or the position a per-monitor wallpaper
// reports (0 centre, 1 tile, 2 stretch, 3 fit, 4 fill, 5 span). A value the desktop does
// not define reads as stretch, the way a wallpaper always used to be shown here.
Arrangement ArrangementForWallpaperStyle(int32_t style, int32_t tile);
Arrangement ArrangementForWallpaperPosition(int32_t position);

struct Monitor {
    ScreenRect rect;  // on the virtual screen; may start left of or above the primary
    bool primary;
};

struct SceneArea {
    ScreenRect monitor;  // the whole monitor, on the virtual screen
    ScreenRect covered;  // the part of it the window covers, on the virtual screen
    ScreenRect client;   // the same part in the window's client area: where the frame lies
    bool primary;
};

// The scenes of a window that covers `window` (virtual-screen coordinates): one for each
// monitor the window overlaps, the primary first, each clipped to the window. The part a
// window covers is what a scene lays its picture out on, as a screen of its own. Without
// allMonitors only the primary has one. A monitor too small for water (under 3 rows) or
// larger than any picture may be gets none, and stays black. With one monitor, or none
// known, the whole window is one scene, as a single screen always was.
std::vector<SceneArea> LayOutScenes(const std::vector<Monitor>& monitors, const ScreenRect& window,
                                    bool allMonitors);

// The rectangle around every monitor; empty without monitors.
ScreenRect BoundingRect(const std::vector<Monitor>& monitors);

// Makes `out` the picture as it shows on `monitor` when it is arranged over `area` (the
// monitor itself, or the rectangle around all monitors), at the size of the monitor's
// frame: FrameWidthFor(its width) by its height; the columns past the monitor's own width
// are never seen. What the picture leaves uncovered is `backdrop`. A stretch over the
// monitor gives exactly what placing the picture on that frame gives. False, with `out`
// released, when the picture has no pixels or the frame cannot be made.
bool ArrangePicture(const Surface& picture, const Arrangement& arrangement, const ScreenRect& area,
                    const ScreenRect& monitor, uint16_t backdrop, Surface* out);

// Makes `out` the picture a scene sets up with on `own`, its part of the screen: arranged
// over `own`, or over `allMonitors` where the arrangement spans them. A stretch over its
// own part is left to the scene's setup, which places a picture exactly so, and comes back
// as a copy of the picture at its own size.
bool LayOutPicture(const Surface& picture, const Arrangement& arrangement, const ScreenRect& own,
                   const ScreenRect& allMonitors, uint16_t backdrop, Surface* out);

// A copy of a picture at its own size; false when it has no pixels.
bool CopyWholePicture(const Surface& picture, Surface* copy);

// Makes `out` the part of a picture that covers `rect` (a snapshot of `pictureRect`), at
// that part's size. False when the part does not lie wholly inside the picture or has no
// pixels.
bool CutPicture(const Surface& picture, const ScreenRect& pictureRect, const ScreenRect& part,
                Surface* out);

inline int32_t RectWidth(const ScreenRect& rect) { return rect.right - rect.left; }
inline int32_t RectHeight(const ScreenRect& rect) { return rect.bottom - rect.top; }
inline bool SameRect(const ScreenRect& a, const ScreenRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
