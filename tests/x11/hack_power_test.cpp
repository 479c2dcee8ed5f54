// The Linux host's clock as a saver daemon and the monitors' power see it: stopped and
// continued (as mate-screensaver pauses its hacks), the water goes on without a burst of
// drops; while the display is dark no frame runs at all, and when it lights again the
// frames come back within about a second. The host runs in a child process on a private
// Xvfb, with the display's state handed in and each frame's drop ticks reported back.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "ripple/water_scene.h"
#include "x11/display_power.h"
#include "x11/hack_host.h"
#include "xvfb_display.h"

namespace {

const int FRAME_TICKS = FRAME_PERIOD_MS / EFFECT_PERIOD_MS;

struct Shared {
    std::atomic<bool> displayOn;
};

struct ChildHooks {
    Shared* shared;
    int frames;  // the pipe's writing end
};

bool SharedDisplayState(Display*, void* context)
{
    return static_cast<ChildHooks*>(context)->shared->displayOn.load();
}

void ReportFrame(int ticks, void* context)
{
    const unsigned char byte = static_cast<unsigned char>(ticks > 255 ? 255 : ticks);
    (void)!write(static_cast<ChildHooks*>(context)->frames, &byte, 1);
}

// The drop ticks of each frame that arrives within the time.
std::vector<int> FramesWithin(int pipe, int milliseconds)
{
    std::vector<int> frames;
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const int left = milliseconds - int((now.tv_sec - start.tv_sec) * 1000 +
                                            (now.tv_nsec - start.tv_nsec) / 1000000);
        if (left <= 0) return frames;
        pollfd ready{pipe, POLLIN, 0};
        if (poll(&ready, 1, left) <= 0) continue;
        unsigned char ticks[64];
        const ssize_t count = read(pipe, ticks, sizeof ticks);
        if (count <= 0) return frames;
        frames.insert(frames.end(), ticks, ticks + count);
    }
}

int MostTicks(const std::vector<int>& frames)
{
    int most = 0;
    for (int ticks : frames) most = std::max(most, ticks);
    return most;
}

TEST(HackPower, StopContinueAndDarkDisplayRunNoBurstAndNoFrames)
{
    XvfbDisplay xvfb(640, 480, 24);
    ASSERT_FALSE(xvfb.name().empty()) << "Xvfb did not start";
    Display* display = XOpenDisplay(xvfb.name().c_str());
    ASSERT_NE(nullptr, display);
    // A server without DPMS, as Xvfb is, counts as lit.
    EXPECT_TRUE(DisplayIsLit(display));
    XCloseDisplay(display);

    Shared* shared = static_cast<Shared*>(
        mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, static_cast<void*>(shared));
    new (shared) Shared{};
    shared->displayOn = true;
    int frames[2];
    ASSERT_EQ(0, pipe(frames));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(frames[0]);
        setenv("DISPLAY", xvfb.name().c_str(), 1);
        HackOptions options;
        std::string error;
        const char* arguments[] = {"lakeglass", "--root"};
        ParseHackOptions(2, arguments, &options, &error);
        ChildHooks context{shared, frames[1]};
        const HostHooks hooks{SharedDisplayState, ReportFrame, &context};
        _exit(RunHack(options, &hooks));
    }
    close(frames[1]);

    const std::vector<int> running = FramesWithin(frames[0], 1500);
    EXPECT_GE(running.size(), 10u);
    EXPECT_LE(MostTicks(running), FRAME_TICKS);

    kill(child, SIGSTOP);
    FramesWithin(frames[0], 1000);
    kill(child, SIGCONT);
    const std::vector<int> continued = FramesWithin(frames[0], 1000);
    EXPECT_GE(continued.size(), 5u);
    EXPECT_LE(MostTicks(continued), FRAME_TICKS) << "a burst of drops after SIGCONT";

    shared->displayOn = false;
    FramesWithin(frames[0], 1500);  // the host notices within a second
    EXPECT_EQ(0u, FramesWithin(frames[0], 1500).size()) << "frames while the display is dark";

    shared->displayOn = true;
    const std::vector<int> lit = FramesWithin(frames[0], 2000);
    EXPECT_GE(lit.size(), 5u);
    EXPECT_LE(MostTicks(lit), FRAME_TICKS) << "drops owed from the dark time";

    kill(child, SIGTERM);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(frames[0]);
    munmap(shared, sizeof(Shared));
}

}  // namespace
