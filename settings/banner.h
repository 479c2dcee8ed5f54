// The settings dialog's banner at every display scale: the large drawing stretched
// smoothly to the banner control's own rectangle, which the system lays out at the
// dialog's DPI along with every other control.
#pragma once

#include <windows.h>

// The part of a drawing of that size that fills a place of this size at one scale in
// both directions: all of the drawing one way and its middle the other way, so that the
// drawing keeps its proportions and no edge of the place is left bare.
RECT BannerPartFilling(SIZE drawing, SIZE place);

// A bitmap exactly as large as the control's client area, made from the large banner in
// the module that made the control; null when the control has no area or the drawing or
// the bitmap cannot be had. The caller owns the bitmap.
HBITMAP MakeFittedBanner(HWND banner);
