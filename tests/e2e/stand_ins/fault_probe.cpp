// A program that runs as the saver does on the 95/98/Me family, with the saver's fault
// guard in place and the system's screen-saver-running state on, and then faults. Started
// with "running" it only reports that state as its exit code, as a fresh process sees it.
#include <windows.h>

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
    g_host.onWin9x = true;
    InstallFaultGuard();
    SetSaverRunning(true);
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}
