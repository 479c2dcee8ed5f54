// Taking the desktop snapshot on X. The helper is asked for the desktop only (never image
// files or video, which are not the desktop) and draws it into a pixmap of ours; it gets a
// few seconds, since a screen saver that never starts is worse than one without a snapshot.
#include "x11/snapshot.h"

#include <X11/Xutil.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ripple/picture_placing.h"

namespace {

const char* const HELPER_NAME = "xscreensaver-getimage";
// Where Debian keeps XScreenSaver's helpers, in case the PATH given to us lacks it.
const char* const HELPER_DIRECTORY = "/usr/libexec/xscreensaver/";
const int HELPER_SECONDS = 10;

std::string FindHelper()
{
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    directories += std::string(":") + HELPER_DIRECTORY;
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        std::string candidate = directories.substr(start, end - start);
        if (!candidate.empty()) {
            if (candidate.back() != '/') candidate += '/';
            candidate += HELPER_NAME;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        start = end + 1;
    }
    return std::string();
}

int Shift(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++shift; }
    return shift;
}

// Runs the helper on the pixmap and waits for it; true when it ended well in time.
bool RunHelper(const std::string& helper, Display* display, Window window, Pixmap pixmap,
               const volatile sig_atomic_t* stop)
{
    char windowId[32], pixmapId[32];
    std::snprintf(windowId, sizeof windowId, "0x%lx", static_cast<unsigned long>(window));
    std::snprintf(pixmapId, sizeof pixmapId, "0x%lx", static_cast<unsigned long>(pixmap));
    const std::string displayName = DisplayString(display);
    XSync(display, False);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        execl(helper.c_str(), helper.c_str(), "--display", displayName.c_str(), "--desktop",
              "--no-images", "--no-video", windowId, pixmapId, static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int waited = 0; waited < HELPER_SECONDS * 20 && !*stop; ++waited) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return false;
        const timespec pause{0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return false;
}

bool SnapshotFromHelper(Display* display, Window window, const XWindowAttributes& attributes,
                        const volatile sig_atomic_t* stop, Surface* picture)
{
    const std::string helper = FindHelper();
    if (helper.empty()) return false;
    const Pixmap pixmap = XCreatePixmap(display, window, attributes.width, attributes.height,
                                        attributes.depth);
    // Black to start with: a helper that draws nothing leaves one colour, which the caller
    // then replaces with the lakebed.
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XSetForeground(display, gc, 0);
    XFillRectangle(display, pixmap, gc, 0, 0, attributes.width, attributes.height);
    XFreeGC(display, gc);
    bool taken = false;
    if (RunHelper(helper, display, window, pixmap, stop)) {
        XImage* image = XGetImage(display, pixmap, 0, 0, attributes.width, attributes.height,
                                  AllPlanes, ZPixmap);
        if (image) {
            taken = ImageToSurface(image, attributes.visual, picture);
            XDestroyImage(image);
        }
    }
    XFreePixmap(display, pixmap);
    return taken;
}

bool SnapshotFromRoot(Display* display, Window window, const XWindowAttributes& attributes,
                      bool isPreview, Surface* picture)
{
    const Window root = attributes.root;
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    XWindowAttributes rootAttributes;
    if (!XGetWindowAttributes(display, root, &rootAttributes)) return false;
    ScreenRect area = ChooseCaptureRect(
        isPreview, ScreenRect{x, y, x + attributes.width, y + attributes.height},
        rootAttributes.width, rootAttributes.height);
    // Only the part that lies on the screen can be read.
    area.left = std::max(area.left, 0);
    area.top = std::max(area.top, 0);
    area.right = std::min(area.right, rootAttributes.width);
    area.bottom = std::min(area.bottom, rootAttributes.height);
    if (area.right <= area.left || area.bottom <= area.top) return false;
    XImage* image = XGetImage(display, root, area.left, area.top, area.right - area.left,
                              area.bottom - area.top, AllPlanes, ZPixmap);
    if (!image) return false;
    const bool taken = ImageToSurface(image, rootAttributes.visual, picture);
    XDestroyImage(image);
    return taken;
}

}  // namespace

bool ImageToSurface(const XImage* image, const Visual* visual, Surface* picture)
{
    if (image->bits_per_pixel != 32 || !picture->Create(image->width, image->height)) return false;
    const int redShift = Shift(visual->red_mask), greenShift = Shift(visual->green_mask),
              blueShift = Shift(visual->blue_mask);
    for (int y = 0; y < image->height; ++y) {
        uint16_t* out = picture->Row(y);
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(const_cast<XImage*>(image), x, y);
            const unsigned r = (pixel >> redShift) & 0xFF, g = (pixel >> greenShift) & 0xFF,
                           b = (pixel >> blueShift) & 0xFF;
            out[x] = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        }
    }
    return true;
}

bool TakeSnapshot(Display* display, Window window, bool isPreview,
                  const volatile sig_atomic_t* stop, Surface* picture)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    if (SnapshotFromHelper(display, window, attributes, stop, picture)) return true;
    if (*stop) return false;
    return SnapshotFromRoot(display, window, attributes, isPreview, picture);
}
