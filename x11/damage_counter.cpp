// The meter of make bench-linux: counts the frames that reach the root window and the CPU
// time the given processes spend meanwhile, so that every program is measured the same
// way whatever it reports of itself.
//
//   damage_counter SECONDS PID...   prints "frames F seconds S cpu_ns C1 C2 ..."
//
// A frame is a burst of damage to the root window: a program that sends one frame in several
// requests still counts once, since its pieces arrive well within BURST_GAP_NS of each other
// while frames are tens of milliseconds apart. CPU time is the sum of every thread's time on
// the processor from /proc/PID/task/*/schedstat, in nanoseconds.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <dirent.h>
#include <poll.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const int64_t BURST_GAP_NS = 10 * 1000 * 1000;

int64_t NowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t ProcessCpuNs(const std::string& pid)
{
    const std::string tasks = "/proc/" + pid + "/task";
    DIR* directory = opendir(tasks.c_str());
    if (!directory) return -1;
    int64_t total = 0;
    while (dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
        int64_t onCpu = 0;
        if (in >> onCpu) total += onCpu;
    }
    closedir(directory);
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: damage_counter SECONDS PID...\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "damage_counter: cannot open the display\n");
        return 1;
    }
    int eventBase = 0, errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "damage_counter: the display has no DAMAGE extension\n");
        return 1;
    }
    const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportNonEmpty);
    XSync(display, False);
    // Damage from before the window opens is not counted.
    XDamageSubtract(display, damage, None, None);
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }

    std::vector<int64_t> cpuStart;
    for (int i = 2; i < argc; ++i) cpuStart.push_back(ProcessCpuNs(argv[i]));
    const int64_t start = NowNs();
    const int64_t end = start + int64_t(seconds * 1e9);
    int64_t lastDamage = 0;
    long frames = 0;
    for (int64_t now = start; now < end; now = NowNs()) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase + XDamageNotify) continue;
            const int64_t at = NowNs();
            if (frames == 0 || at - lastDamage > BURST_GAP_NS) ++frames;
            lastDamage = at;
            XDamageSubtract(display, damage, None, None);
        }
        XFlush(display);
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, int((end - now) / 1000000) + 1);
    }
    const int64_t elapsed = NowNs() - start;
    std::printf("frames %ld seconds %.3f cpu_ns", frames, elapsed / 1e9);
    for (int i = 2; i < argc; ++i)
        std::printf(" %lld", static_cast<long long>(ProcessCpuNs(argv[i]) - cpuStart[i - 2]));
    std::printf("\n");
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
    return 0;
}
