// The Linux program's CPU per second with the display lit and with it dark, side by side
// in one run: the host runs full screen in a child process on the display that DISPLAY
// names, the display's state handed in, and the child's processor time is read from /proc
// over a span of each state after a warm-up. make bench-linux runs it.
//
//   hack_power [SECONDS]
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "x11/hack_host.h"

namespace {

std::atomic<bool>* displayOn = nullptr;

bool SharedDisplayState(Display*, void*) { return displayOn->load(); }

// utime + stime of the process, in seconds.
double ProcessorSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::atof(field.c_str());
        if (i == 15) system = std::atof(field.c_str());
    }
    return (user + system) / double(sysconf(_SC_CLK_TCK));
}

// Milliseconds of processor time per second over the span.
double Measure(pid_t pid, int seconds)
{
    const double before = ProcessorSeconds(pid);
    sleep(static_cast<unsigned>(seconds));
    return (ProcessorSeconds(pid) - before) * 1000.0 / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const int span = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    void* shared = mmap(nullptr, sizeof(std::atomic<bool>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return 1;
    displayOn = new (shared) std::atomic<bool>(true);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        HackOptions options;
        std::string error;
        const char* arguments[] = {"lakeglass", "--root"};
        ParseHackOptions(2, arguments, &options, &error);
        const HostHooks hooks{SharedDisplayState, nullptr, nullptr};
        _exit(RunHack(options, &hooks));
    }
    sleep(3);
    const double lit = Measure(child, span);
    *displayOn = false;
    sleep(2);  // the host asks once a second
    const double dark = Measure(child, span);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    std::printf("display lit:  %8.2f ms of CPU per second\n", lit);
    std::printf("display dark: %8.2f ms of CPU per second (%.2f %% of lit)\n", dark,
                lit > 0 ? 100.0 * dark / lit : 0.0);
    return 0;
}
