// A program that runs as the saver does on the 95/98/Me family, with the saver's fault
// guard in place and the system's screen-saver-running state on, and then faults. Its other
// modes serve the fault tests: "running" reports that state as its exit code, as a fresh
// process sees it, and "off" turns it off; "report MARKER PID EVENT" and "debug MARKER PID
// EVENT" stand for the crash debugger the system starts for an unhandled fault.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "saver/host_main.h"
#include "saver/host_state.h"
#include "saver/passwords.h"

namespace {

void WriteMarker(const char* path, const char* text)
{
    if (FILE* marker = std::fopen(path, "wb")) {
        std::fputs(text, marker);
        std::fclose(marker);
    }
}

// Attaches to the faulting process, lets the system's reporter go on once attached, and
// writes down the first fault that reaches it, with whether the program left it unhandled
// ("last" chance); the process then ends as an unhandled fault does.
int DebugFaultingProcess(const char* markerPath, DWORD processId, HANDLE reporterEvent)
{
    if (!DebugActiveProcess(processId)) return 1;
    bool attached = false;
    DEBUG_EVENT event;
    while (WaitForDebugEvent(&event, 20000)) {
        DWORD status = DBG_CONTINUE;
        if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
            const EXCEPTION_RECORD& fault = event.u.Exception.ExceptionRecord;
            if (!attached && fault.ExceptionCode == EXCEPTION_BREAKPOINT) {
                attached = true;
                SetEvent(reporterEvent);
            } else {
                char text[32];
                std::snprintf(text, sizeof(text), "%08lx %s", fault.ExceptionCode,
                              event.u.Exception.dwFirstChance ? "first" : "last");
                WriteMarker(markerPath, text);
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "running") == 0) {
        BOOL running = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        return running ? 1 : 0;
    }
    g_host.onWin9x = true;
    if (argc > 1 && std::strcmp(argv[1], "off") == 0) {
        SetSaverRunning(false);
        return 0;
    }
    if (argc > 4 && std::strcmp(argv[1], "report") == 0) {
        WriteMarker(argv[2], argv[3]);
        return 0;
    }
    if (argc > 4 && std::strcmp(argv[1], "debug") == 0) {
        const HANDLE reporterEvent =
            reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(argv[4], nullptr, 10)));
        return DebugFaultingProcess(argv[2], std::strtoul(argv[3], nullptr, 10), reporterEvent);
    }
    InstallFaultGuard();
    SetSaverRunning(true);
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}
