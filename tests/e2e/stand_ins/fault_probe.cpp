// A program that runs as the saver does on the 95/98/Me family, with the saver's fault
// guard in place and the system's screen-saver-running state on, and then faults. Started
// with "running" it only reports that state as its exit code, as a fresh process sees it;
// started as "report MARKER PID EVENT" it stands for the crash debugger the system starts
// for an unhandled fault, and only writes the faulting process's id into MARKER.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "saver/host_main.h"
#include "saver/host_state.h"
#include "saver/passwords.h"

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "running") == 0) {
        BOOL running = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        return running ? 1 : 0;
    }
    if (argc > 3 && std::strcmp(argv[1], "report") == 0) {
        FILE* marker = std::fopen(argv[2], "wb");
        if (!marker) return 1;
        std::fprintf(marker, "%s\n", argv[3]);
        std::fclose(marker);
        return 0;
    }
    g_host.onWin9x = true;
    InstallFaultGuard();
    SetSaverRunning(true);
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}
