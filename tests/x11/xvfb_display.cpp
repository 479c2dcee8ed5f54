// Starting and stopping the private display and the program under test. Each is ended by
// its own process id, never by name, since other displays run beside it.
#include "xvfb_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

void PauseMilliseconds(int milliseconds)
{
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath()
{
    char path[] = "/tmp/lakeglass-x11-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    return path;
}

}  // namespace

XvfbDisplay::XvfbDisplay(int width, int height, int depth)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        close(pipeFds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" +
                                   std::to_string(depth);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // Xvfb writes its display number when it is ready for clients.
    char number[16] = {};
    size_t got = 0;
    while (got < sizeof number - 1) {
        const ssize_t n = read(pipeFds[0], number + got, sizeof number - 1 - got);
        if (n <= 0) break;
        got += size_t(n);
        if (number[got - 1] == '\n') break;
    }
    close(pipeFds[0]);
    if (got > 0 && number[0] >= '0' && number[0] <= '9')
        m_name = ":" + std::to_string(std::atoi(number));
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

HackProcess::HackProcess(const std::string& display, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment)
    : m_outPath(TempPath()), m_errPath(TempPath())
{
    m_pid = fork();
    if (m_pid != 0) return;
    const int out = open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("XSCREENSAVER_WINDOW");
    for (const std::string& setting : environment) putenv(strdup(setting.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(LAKEGLASS_HACK));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(LAKEGLASS_HACK, argv.data());
    _exit(127);
}

HackProcess::~HackProcess()
{
    if (m_pid > 0 && !m_bEnded) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    unlink(m_outPath.c_str());
    unlink(m_errPath.c_str());
}

bool HackProcess::WaitForExit(int milliseconds, int* code)
{
    for (int waited = 0;; waited += 10) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_bEnded = true;
            *code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        if (waited >= milliseconds) return false;
        PauseMilliseconds(10);
    }
}

void HackProcess::Signal(int signal)
{
    if (m_pid > 0 && !m_bEnded) kill(m_pid, signal);
}

std::string HackProcess::Output() const { return ReadFile(m_outPath); }
std::string HackProcess::Errors() const { return ReadFile(m_errPath); }

int RunHackToEnd(const std::string& display, const std::vector<std::string>& arguments,
                 std::string* output, std::string* errors)
{
    HackProcess hack(display, arguments);
    int code = -1;
    if (!hack.WaitForExit(10000, &code)) code = -1;
    *output = hack.Output();
    *errors = hack.Errors();
    return code;
}
