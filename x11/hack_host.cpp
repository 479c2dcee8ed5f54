// The host's life: one X connection, one window, a drop tick per 10 ms of elapsed time and
// a frame per delay. Between frames it sleeps in ppoll on the X connection with SIGTERM and
// SIGINT let through only there, so a signal or an event wakes it at once and is never
// lost between the check and the sleep.
#include "x11/hack_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "ripple/lakebed.h"
#include "ripple/water_scene.h"
#include "x11/frame_output.h"
#include "x11/picture_file.h"
#include "x11/snapshot.h"

namespace {

const int OWN_WINDOW_WIDTH = 800;
const int OWN_WINDOW_HEIGHT = 600;
// After a long stall (a suspended machine) the drops do not all fall at once.
const int64_t MAX_TICKS_PER_FRAME = 10;

volatile sig_atomic_t g_stopSignal = 0;
bool g_windowGone = false;
Window g_window = 0;

void OnStopSignal(int signal) { g_stopSignal = signal; }

// The window belongs to someone else and may vanish between two requests: its errors end
// the run quietly. Anything else is reported and outlived.
int OnXError(Display* display, XErrorEvent* error)
{
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        error->resourceid == g_window) {
        g_windowGone = true;
        return 0;
    }
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "lakeglass: X error: %s (request %d)\n", text, error->request_code);
    return 0;
}

int64_t NowMicroseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

struct HostWindow {
    Window window = 0;
    bool own = false;
    bool isPreview = false;
    Atom deleteAtom = None;
};

// --root: XScreenSaver's window when it gave one, else the root window itself.
bool ChooseWindow(Display* display, const HackOptions& options, HostWindow* host, std::string* why)
{
    const int screen = DefaultScreen(display);
    if (options.target == TARGET_WINDOW_ID) {
        host->window = static_cast<Window>(options.windowId);
        host->isPreview = true;
        return true;
    }
    if (options.target == TARGET_ROOT) {
        const char* given = std::getenv("XSCREENSAVER_WINDOW");
        uint64_t id = 0;
        if (given && *given && !ParseWindowId(given, &id)) {
            *why = std::string("XSCREENSAVER_WINDOW holds no window id: '") + given + "'";
            return false;
        }
        host->window = id ? static_cast<Window>(id) : RootWindow(display, screen);
        return true;
    }
    XSetWindowAttributes attributes;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask;
    host->window = XCreateWindow(display, RootWindow(display, screen), 0, 0, OWN_WINDOW_WIDTH,
                                 OWN_WINDOW_HEIGHT, 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, host->window, "Lakeglass");
    host->deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, host->window, &host->deleteAtom, 1);
    host->own = true;
    return true;
}

// The picture under the water: the file, or the snapshot; whatever fails or sees one
// colour only becomes the lakebed at the frame's size.
void LoadScenePicture(Display* display, const HostWindow& host, const HackOptions& options,
                      int width, int height, WaterScene* scene)
{
    const SaverSettings& settings = options.settings;
    bool loaded = false;
    if (!settings.useSnapshot && !settings.pictureFile.empty()) {
        std::string why;
        loaded = LoadPictureFile(settings.pictureFile.c_str(), &scene->picture, &why);
        if (!loaded)
            std::fprintf(stderr, "lakeglass: cannot show '%s': %s; showing the lakebed\n",
                         settings.pictureFile.c_str(), why.c_str());
    } else {
        loaded = TakeSnapshot(display, host.window, host.isPreview, &g_stopSignal,
                              &scene->picture) &&
                 !PictureIsOneColour(scene->picture);
    }
    if (!loaded) DrawLakebed(&scene->picture, FrameWidthFor(width), height);
}

class HackHost {
public:
    HackHost(Display* display, const HackOptions& options) : m_pDisplay(display), m_options(options) {}
    int Run();

private:
    bool ReadSize(int* width, int* height);
    void SetScreenSize(int width, int height);
    void HandleEvents();
    void Frame();
    void Sleep(int64_t until, const sigset_t& waitMask);

    Display* m_pDisplay;
    const HackOptions& m_options;
    HostWindow m_host;
    WaterScene m_scene;
    FrameOutput m_output;
    int m_width = 0;
    int m_height = 0;
    bool m_bStop = false;
    int64_t m_tickClock = 0;
    int64_t m_fpsStart = 0;
    int m_fpsFrames = 0;
};

bool HackHost::ReadSize(int* width, int* height)
{
    XWindowAttributes attributes;
    g_windowGone = false;
    if (!XGetWindowAttributes(m_pDisplay, m_host.window, &attributes)) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

// Only a window given by id can be a preview: XScreenSaver's own window and ours are each
// the whole screen as far as the scene is concerned.
void HackHost::SetScreenSize(int width, int height)
{
    const Screen* screen = DefaultScreenOfDisplay(m_pDisplay);
    m_scene.screenWidth = m_host.isPreview ? WidthOfScreen(screen) : width;
    m_scene.screenHeight = m_host.isPreview ? HeightOfScreen(screen) : height;
}

void HackHost::HandleEvents()
{
    while (XPending(m_pDisplay)) {
        XEvent event;
        XNextEvent(m_pDisplay, &event);
        if (m_output.TakeEvent(event)) continue;
        switch (event.type) {
        case DestroyNotify:
            if (event.xdestroywindow.window == m_host.window) m_bStop = true;
            break;
        case ConfigureNotify:
            if (event.xconfigure.window != m_host.window) break;
            if (event.xconfigure.width == m_width && event.xconfigure.height == m_height) break;
            m_width = event.xconfigure.width;
            m_height = event.xconfigure.height;
            SetScreenSize(m_width, m_height);
            ResizeScene(&m_scene, m_width, m_height);
            m_output.Prepare(m_scene.frameWidth, m_scene.frameHeight);
            break;
        case ClientMessage:
            if (m_host.own && static_cast<Atom>(event.xclient.data.l[0]) == m_host.deleteAtom)
                m_bStop = true;
            break;
        default: break;
        }
    }
    if (g_windowGone) m_bStop = true;
}

void HackHost::Frame()
{
    const int64_t now = NowMicroseconds();
    int64_t ticks = (now - m_tickClock) / (EFFECT_PERIOD_MS * 1000);
    if (ticks > MAX_TICKS_PER_FRAME) {
        m_tickClock = now - MAX_TICKS_PER_FRAME * EFFECT_PERIOD_MS * 1000;
        ticks = MAX_TICKS_PER_FRAME;
    }
    m_tickClock += ticks * EFFECT_PERIOD_MS * 1000;
    if (SceneIsRunning(m_scene))
        for (int64_t i = 0; i < ticks; ++i) RunSceneTick(&m_scene);
    // A host without sound plays none of the frame's clips, but lets the scene choose them.
    ChooseFrameSounds(&m_scene);
    StepScene(&m_scene);
    if (SceneHasFrame(m_scene)) m_output.Show(m_scene.frameSurface, m_width, m_height);

    if (!m_options.showFps) return;
    ++m_fpsFrames;
    if (now - m_fpsStart >= 1000000) {
        std::fprintf(stderr, "lakeglass: %.1f frames per second\n",
                     m_fpsFrames * 1e6 / double(now - m_fpsStart));
        m_fpsStart = now;
        m_fpsFrames = 0;
    }
}

// Always passes through ppoll, even when a frame is already due, since only there can a
// stop signal be delivered.
void HackHost::Sleep(int64_t until, const sigset_t& waitMask)
{
    while (!m_bStop && !g_stopSignal && !g_windowGone) {
        const bool queued = XPending(m_pDisplay) > 0;
        const int64_t left = queued ? 0 : std::max<int64_t>(0, until - NowMicroseconds());
        pollfd connection{ConnectionNumber(m_pDisplay), POLLIN, 0};
        const timespec timeout{time_t(left / 1000000), long(left % 1000000) * 1000};
        if (ppoll(&connection, 1, &timeout, &waitMask) >= 0 || queued) return;
    }
}

int HackHost::Run()
{
    std::string why;
    if (!ChooseWindow(m_pDisplay, m_options, &m_host, &why)) {
        std::fprintf(stderr, "lakeglass: %s\n", why.c_str());
        return 1;
    }
    g_window = m_host.window;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(m_pDisplay, m_host.window, &attributes) || g_windowGone) {
        std::fprintf(stderr, "lakeglass: there is no window 0x%lx\n", m_host.window);
        return 1;
    }
    if (!m_output.Open(m_pDisplay, m_host.window, attributes.visual, attributes.depth, &why)) {
        std::fprintf(stderr, "lakeglass: cannot draw here: %s\n", why.c_str());
        return 1;
    }
    // A window someone else owns tells us of its size and its end; ours also of its close box.
    if (!m_host.own)
        XSelectInput(m_pDisplay, m_host.window, attributes.your_event_mask | StructureNotifyMask);
    if (m_host.own) {
        XMapWindow(m_pDisplay, m_host.window);
        XSync(m_pDisplay, False);
    }
    if (!ReadSize(&m_width, &m_height)) return 0;

    SeedRuntimeRandom(static_cast<uint32_t>(std::time(nullptr)));
    m_scene.settings = m_options.settings;
    m_scene.settings.soundEffects = 0;
    SetScreenSize(m_width, m_height);
    LoadScenePicture(m_pDisplay, m_host, m_options, m_width, m_height, &m_scene);
    SetUpScene(&m_scene, m_width, m_height);
    m_output.Prepare(m_scene.frameWidth, m_scene.frameHeight);
    if (m_options.showFps)
        std::fprintf(stderr, "lakeglass: frames %dx%d through %s\n", m_scene.frameWidth,
                     m_scene.frameHeight, m_output.UsesSharedMemory() ? "MIT-SHM" : "XPutImage");

    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);

    const int64_t delay = m_options.delayMicroseconds;
    int64_t next = NowMicroseconds();
    m_tickClock = m_fpsStart = next;
    while (!m_bStop && !g_stopSignal) {
        HandleEvents();
        if (m_bStop) break;
        // Events wake the sleep early; only a due frame is drawn.
        const int64_t now = NowMicroseconds();
        if (now >= next) {
            Frame();
            next += delay;
            if (next < now) next = now;
        }
        Sleep(next, waitMask);
        if (g_windowGone) break;
    }
    ReleaseScene(&m_scene);
    if (!g_windowGone) m_output.Close();
    if (m_host.own && !g_windowGone) XDestroyWindow(m_pDisplay, m_host.window);
    return 0;
}

}  // namespace

int RunHack(const HackOptions& options)
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "lakeglass: cannot open display '%s'\n", name ? name : "");
        return 1;
    }
    XSetErrorHandler(OnXError);
    int code;
    {
        HackHost host(display, options);
        code = host.Run();
    }
    XCloseDisplay(display);
    return code;
}
