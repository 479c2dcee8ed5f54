// Three requests, nothing kept: the host asks about once a second.
#include "x11/display_power.h"

#include <X11/Xmd.h>
#include <X11/extensions/dpms.h>

bool DisplayIsLit(Display* display)
{
    int eventBase = 0, errorBase = 0;
    if (!DPMSQueryExtension(display, &eventBase, &errorBase) || !DPMSCapable(display)) return true;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display, &level, &enabled)) return true;
    return !enabled || level == DPMSModeOn;
}
