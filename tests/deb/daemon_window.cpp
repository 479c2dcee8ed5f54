// The screen-saver daemon's half of a hack's contract, for tests/deb/check-daemon-contract:
// the window a daemon makes for its hack to draw in, and a watch on that window's pixels
// that tells whether frames are still arriving.
//
//   daemon_window open WIDTH HEIGHT   maps a window at 0,0, prints its id in decimal and
//                                     keeps it until SIGTERM
//   daemon_window changes ID SECONDS  reads the window every 100 ms for SECONDS and prints
//                                     how many reads differed from the read before
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int SAMPLE_MS = 100;

int Usage()
{
    std::fprintf(stderr,
                 "usage: daemon_window open WIDTH HEIGHT\n"
                 "       daemon_window changes WINDOW SECONDS\n");
    return 2;
}

// A whole number from `low` up, or -1.
long ParseCount(const char* text, long low)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && value >= low) ? value : -1;
}

Display* OpenDisplay()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) std::fprintf(stderr, "daemon_window: cannot open display '%s'\n",
                               std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    return display;
}

// Blocks SIGTERM first, so that one sent while the window is being made still ends the wait.
int OpenWindow(int width, int height)
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    Display* display = OpenDisplay();
    if (!display) return 1;
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.override_redirect = True;
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height,
                                        0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWOverrideRedirect, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);
    int received = 0;
    sigwait(&stop, &received);
    XCloseDisplay(display);
    return 0;
}

// FNV-1a over the image's rows, padding left out.
uint64_t Fingerprint(const XImage* image)
{
    uint64_t hash = 1469598103934665603ull;
    const int rowBytes = image->width * image->bits_per_pixel / 8;
    for (int y = 0; y < image->height; ++y) {
        const unsigned char* row =
            reinterpret_cast<const unsigned char*>(image->data) + size_t(y) * image->bytes_per_line;
        for (int x = 0; x < rowBytes; ++x) hash = (hash ^ row[x]) * 1099511628211ull;
    }
    return hash;
}

bool ReadFingerprint(Display* display, Window window, uint64_t* fingerprint)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
    if (!image) return false;
    *fingerprint = Fingerprint(image);
    XDestroyImage(image);
    return true;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

int CountChanges(Window window, long seconds)
{
    Display* display = OpenDisplay();
    if (!display) return 1;
    XSetErrorHandler(IgnoreXError);
    uint64_t last = 0;
    int changes = 0;
    const long samples = seconds * 1000 / SAMPLE_MS;
    for (long i = 0; i <= samples; ++i) {
        uint64_t now = 0;
        if (!ReadFingerprint(display, window, &now)) {
            std::fprintf(stderr, "daemon_window: cannot read window %lu\n",
                         static_cast<unsigned long>(window));
            return 1;
        }
        if (i > 0 && now != last) ++changes;
        last = now;
        const timespec pause{0, SAMPLE_MS * 1000000L};
        if (i < samples) nanosleep(&pause, nullptr);
    }
    std::printf("%d\n", changes);
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return Usage();
    if (std::strcmp(argv[1], "open") == 0) {
        const long width = ParseCount(argv[2], 1), height = ParseCount(argv[3], 1);
        if (width < 0 || height < 0 || width > 8192 || height > 8192) return Usage();
        return OpenWindow(int(width), int(height));
    }
    if (std::strcmp(argv[1], "changes") == 0) {
        const long window = ParseCount(argv[2], 1), seconds = ParseCount(argv[3], 1);
        if (window < 0 || seconds < 0 || seconds > 60) return Usage();
        return CountChanges(static_cast<Window>(window), seconds);
    }
    return Usage();
}
