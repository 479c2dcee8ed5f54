// The host's life: one X connection, one window, a drop tick per 10 ms of elapsed time and
// a frame per delay. On the root window itself each RandR monitor has its own scene. Between frames it sleeps in ppoll on the X connection with SIGTERM and
// SIGINT let through only there, so a signal or an event wakes it at once and is never
// lost between the check and the sleep.
#include "x11/hack_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "ripple/lakebed.h"
#include "ripple/monitor_layout.h"
#include "ripple/water_scene.h"
#include "x11/display_power.h"
#include "x11/frame_output.h"
#include "x11/picture_file.h"
#include "x11/snapshot.h"

namespace {

const int OWN_WINDOW_WIDTH = 800;
const int OWN_WINDOW_HEIGHT = 600;
const int64_t TICK_US = EFFECT_PERIOD_MS * 1000;
// How often the display's power is asked for: also how soon the water goes on once the
// monitors light again.
const int64_t POWER_CHECK_US = 1000000;

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
    bool isRoot = false;   // the root window itself, where every monitor shows
    Atom deleteAtom = None;
};

// One monitor's water: its part of the window, its scene and its way to the window.
struct HostScene {
    SceneArea area;
    WaterScene scene;
    FrameOutput output;
};

// The monitors RandR reports; none where the server has no RandR 1.5.
std::vector<Monitor> ReadMonitors(Display* display, Window root)
{
    std::vector<Monitor> monitors;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
        !XRRQueryVersion(display, &major, &minor) || major * 100 + minor < 105)
        return monitors;
    int count = 0;
    XRRMonitorInfo* found = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; found && i < count; ++i)
        monitors.push_back(Monitor{ScreenRect{found[i].x, found[i].y, found[i].x + found[i].width,
                                              found[i].y + found[i].height},
                                   found[i].primary != 0});
    if (found) XRRFreeMonitors(found);
    return monitors;
}

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
        host->isRoot = id == 0;
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

// The picture under the water, taken once: the file, or the snapshot of the whole window.
// An empty picture means the lakebed.
void LoadSource(Display* display, const HostWindow& host, const HackOptions& options,
                Surface* source)
{
    const SaverSettings& settings = options.settings;
    if (!settings.useSnapshot && !settings.pictureFile.empty()) {
        std::string why;
        if (!LoadPictureFile(settings.pictureFile.c_str(), source, &why)) {
            std::fprintf(stderr, "lakeglass: cannot show '%s': %s; showing the lakebed\n",
                         settings.pictureFile.c_str(), why.c_str());
            source->Release();
        }
    } else if (!TakeSnapshot(display, host.window, host.isPreview, &g_stopSignal, source)) {
        source->Release();
    }
}

class HackHost {
public:
    HackHost(Display* display, const HackOptions& options, const HostHooks& hooks)
        : m_pDisplay(display), m_options(options), m_hooks(hooks)
    {
    }
    int Run();

private:
    bool ReadSize(int* width, int* height);
    void SetScreenSize(const SceneArea& area, WaterScene* scene);
    bool PictureForArea(const SceneArea& area, Surface* picture);
    void BuildScenes();
    void HandleEvents();
    void Frame();
    bool DisplayIsOn(int64_t now);
    void Sleep(int64_t until, const sigset_t& waitMask);

    Display* m_pDisplay;
    const HackOptions& m_options;
    const HostHooks& m_hooks;
    bool m_bDisplayOn = true;
    int64_t m_nextPowerCheck = 0;
    HostWindow m_host;
    XWindowAttributes m_attributes;
    Surface m_source;
    bool m_bSnapshotSource = false;
    std::vector<Monitor> m_monitors;
    std::vector<std::unique_ptr<HostScene>> m_scenes;
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
// the whole screen as far as the scene is concerned, and so is each monitor of the root.
void HackHost::SetScreenSize(const SceneArea& area, WaterScene* scene)
{
    const Screen* screen = DefaultScreenOfDisplay(m_pDisplay);
    const bool monitorsOwnScreens = m_monitors.size() > 1;
    scene->screenWidth = m_host.isPreview ? WidthOfScreen(screen)
                         : monitorsOwnScreens ? RectWidth(area.monitor) : m_width;
    scene->screenHeight = m_host.isPreview ? HeightOfScreen(screen)
                          : monitorsOwnScreens ? RectHeight(area.monitor) : m_height;
}

// Each monitor takes the part of the snapshot under it, or the file laid out as asked;
// what fails or sees one colour only becomes the lakebed at the frame's size.
bool HackHost::PictureForArea(const SceneArea& area, Surface* picture)
{
    bool made = false;
    if (m_source.bits && m_bSnapshotSource) {
        // A single scene stretches the whole snapshot over itself, as the window always did.
        const ScreenRect taken{0, 0, m_source.width, m_source.height};
        made = (m_monitors.size() > 1 ? CutPicture(m_source, taken, area.covered, picture)
                                      : CopyWholePicture(m_source, picture)) &&
               !PictureIsOneColour(*picture);
    } else if (m_source.bits) {
        const ScreenRect all = m_monitors.size() > 1 ? BoundingRect(m_monitors) : area.covered;
        made = LayOutPicture(m_source, ArrangementForLayout(m_options.settings.pictureLayout),
                             area.covered, all, 0, picture);
    }
    return made || DrawLakebed(picture, FrameWidthFor(RectWidth(area.client)), RectHeight(area.client));
}

// The scenes for the window's present size: one per monitor on the root window itself,
// else one over the whole window.
void HackHost::BuildScenes()
{
    for (const auto& old : m_scenes) ReleaseScene(&old->scene);
    m_scenes.clear();
    if (m_host.isRoot) m_monitors = ReadMonitors(m_pDisplay, m_host.window);
    const std::vector<SceneArea> areas =
        LayOutScenes(m_monitors, ScreenRect{0, 0, m_width, m_height}, m_options.settings.allMonitors != 0);
    for (const SceneArea& area : areas) {
        std::unique_ptr<HostScene> shown(new HostScene);
        std::string why;
        if (!shown->output.Open(m_pDisplay, m_host.window, m_attributes.visual, m_attributes.depth, &why))
            continue;
        shown->area = area;
        WaterScene& scene = shown->scene;
        scene.settings = m_options.settings;
        scene.settings.soundEffects = 0;
        SetScreenSize(area, &scene);
        if (!PictureForArea(area, &scene.picture)) continue;
        SetUpScene(&scene, RectWidth(area.client), RectHeight(area.client));
        shown->output.Prepare(scene.frameWidth, scene.frameHeight);
        m_scenes.push_back(std::move(shown));
    }
}

void HackHost::HandleEvents()
{
    while (XPending(m_pDisplay)) {
        XEvent event;
        XNextEvent(m_pDisplay, &event);
        bool taken = false;
        for (const auto& shown : m_scenes) taken = taken || shown->output.TakeEvent(event);
        if (taken) continue;
        switch (event.type) {
        case DestroyNotify:
            if (event.xdestroywindow.window == m_host.window) m_bStop = true;
            break;
        case ConfigureNotify:
            if (event.xconfigure.window != m_host.window) break;
            if (event.xconfigure.width == m_width && event.xconfigure.height == m_height) break;
            m_width = event.xconfigure.width;
            m_height = event.xconfigure.height;
            BuildScenes();
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

// A frame runs the drop ticks of the time since the last one, but never more than one
// frame's worth: after a stall (the process stopped and continued, as mate-screensaver
// pauses its hacks, or a suspended machine) the water goes on calmly, without a burst.
void HackHost::Frame()
{
    const int64_t now = NowMicroseconds();
    const int64_t frameTicks = std::max<int64_t>(FRAME_PERIOD_MS / EFFECT_PERIOD_MS,
                                                 (m_options.delayMicroseconds + TICK_US - 1) / TICK_US);
    int64_t ticks = (now - m_tickClock) / TICK_US;
    if (ticks > frameTicks) {
        m_tickClock = now - frameTicks * TICK_US;
        ticks = frameTicks;
    }
    m_tickClock += ticks * TICK_US;
    for (int64_t i = 0; i < ticks; ++i)
        for (const auto& shown : m_scenes) RunSceneTick(&shown->scene);
    // A host without sound plays none of the frame's clips, but lets the first scene
    // choose them, as the Windows saver does.
    if (!m_scenes.empty()) ChooseFrameSounds(&m_scenes.front()->scene);
    // Where the window's pixels are the expansion's own, the step draws straight into the
    // image the server reads; elsewhere the 16-bit frame is converted on the way.
    for (const auto& shown : m_scenes) {
        WaterScene& scene = shown->scene;
        FrameOutput& output = shown->output;
        const ScreenRect& at = shown->area.client;
        uint32_t* pixels = SceneHasFrame(scene) ? output.PixelsToDraw(scene.frameWidth, scene.frameHeight)
                                                : nullptr;
        if (pixels) {
            StepSceneToPixels(&scene, pixels, output.PixelPitch());
            output.ShowPixels(at.left, at.top, RectWidth(at), RectHeight(at));
            continue;
        }
        StepScene(&scene);
        if (SceneHasFrame(scene)) output.Show(scene.frameSurface, at.left, at.top, RectWidth(at), RectHeight(at));
    }
    if (m_hooks.frameDone) m_hooks.frameDone(static_cast<int>(ticks), m_hooks.context);

    if (!m_options.showFps) return;
    ++m_fpsFrames;
    if (now - m_fpsStart >= 1000000) {
        std::fprintf(stderr, "lakeglass: %.1f frames per second\n",
                     m_fpsFrames * 1e6 / double(now - m_fpsStart));
        m_fpsStart = now;
        m_fpsFrames = 0;
    }
}

// Asks about once a second. While the monitors are dark nothing runs but this question;
// the drop clock stands still meanwhile, so no drops are owed when they light again.
bool HackHost::DisplayIsOn(int64_t now)
{
    if (now < m_nextPowerCheck) return m_bDisplayOn;
    m_nextPowerCheck = now + POWER_CHECK_US;
    const bool on = m_hooks.displayIsOn ? m_hooks.displayIsOn(m_pDisplay, m_hooks.context)
                                        : DisplayIsLit(m_pDisplay);
    if (on && !m_bDisplayOn) m_tickClock = now;
    m_bDisplayOn = on;
    return on;
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
    XWindowAttributes& attributes = m_attributes;
    if (!XGetWindowAttributes(m_pDisplay, m_host.window, &attributes) || g_windowGone) {
        std::fprintf(stderr, "lakeglass: there is no window 0x%lx\n", m_host.window);
        return 1;
    }
    PixelLayout layout;
    if (!DescribeTrueColour(m_pDisplay, attributes.visual, attributes.depth, &layout, &why)) {
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
    LoadSource(m_pDisplay, m_host, m_options, &m_source);
    m_bSnapshotSource = m_options.settings.useSnapshot || m_options.settings.pictureFile.empty();
    BuildScenes();
    if (m_options.showFps)
        for (const auto& shown : m_scenes)
            std::fprintf(stderr, "lakeglass: frames %dx%d at %d,%d through %s\n",
                         shown->scene.frameWidth, shown->scene.frameHeight, shown->area.client.left,
                         shown->area.client.top,
                         shown->output.UsesSharedMemory() ? "MIT-SHM" : "XPutImage");

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
        if (now >= next && !DisplayIsOn(now)) {
            next = m_nextPowerCheck;
        } else if (now >= next) {
            Frame();
            next += delay;
            if (next < now) next = now;
        }
        Sleep(next, waitMask);
        if (g_windowGone) break;
    }
    for (const auto& shown : m_scenes) {
        ReleaseScene(&shown->scene);
        if (!g_windowGone) shown->output.Close();
    }
    m_source.Release();
    if (m_host.own && !g_windowGone) XDestroyWindow(m_pDisplay, m_host.window);
    return 0;
}

}  // namespace

int RunHack(const HackOptions& options, const HostHooks* hooks)
{
    const HostHooks serverHooks{nullptr, nullptr, nullptr};
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
        HackHost host(display, options, hooks ? *hooks : serverHooks);
        code = host.Run();
    }
    XCloseDisplay(display);
    return code;
}
