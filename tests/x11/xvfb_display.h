// A private Xvfb for one test, and the built program started on it as XScreenSaver starts
// its hacks: with a window to draw into, stopped with SIGTERM.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class XvfbDisplay {
public:
    // Starts Xvfb with one screen of the given size and depth; name() is empty when it
    // could not start.
    XvfbDisplay(int width, int height, int depth);
    ~XvfbDisplay();
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

// The program running in the background, its stdout and stderr in files.
class HackProcess {
public:
    HackProcess(const std::string& display, const std::vector<std::string>& arguments,
                const std::vector<std::string>& environment = {});
    ~HackProcess();

    // Waits up to `milliseconds` for the end; true with the exit code (or 128 + the
    // signal) when it ended.
    bool WaitForExit(int milliseconds, int* code);
    void Signal(int signal);
    std::string Output() const;   // stdout
    std::string Errors() const;   // stderr
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    bool m_bEnded = false;
    std::string m_outPath;
    std::string m_errPath;
};

// Runs the program to its end (at most 10 s) and returns its exit code.
int RunHackToEnd(const std::string& display, const std::vector<std::string>& arguments,
                 std::string* output, std::string* errors);
