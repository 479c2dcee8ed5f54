// The entry: platform family, command line, one run mode under the fault guard, exit code.
#include "saver/host_main.h"

#include "framework/platform_version.h"
#include "res/resource.h"
#include "saver/bridge.h"
#include "saver/command_line.h"
#include "saver/host_state.h"
#include "saver/passwords.h"
#include "saver/saver_wnd.h"

namespace {

// The filter that was in place before the guard (the C runtime's, which maps faults to
// signals), put back before the system's reporter is asked.
LPTOP_LEVEL_EXCEPTION_FILTER filterBeforeGuard = nullptr;

const char* NextCharacter(const char* text) { return CharNextA(text); }

bool ReportsWin9x()
{
    OSVERSIONINFOEXA version;
    return ReadPlatformVersion(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND AsWindow(uintptr_t handle) { return reinterpret_cast<HWND>(handle); }

// The window asked for as the owner when it is one, else the foreground window.
HWND OwnerOrForeground(uintptr_t handle)
{
    HWND owner = AsWindow(handle);
    return owner && IsWindow(owner) ? owner : GetForegroundWindow();
}

// The password change: the text names the owner in decimal; without a live one the dialog
// belongs to the foreground window.
int RunPasswordChange(const char* text)
{
    ChangeSaverPassword(OwnerOrForeground(ParseDecimalHandle(text)));
    return 0;
}

int RunRequestedMode(const RunRequest& request)
{
    switch (request.mode) {
    case RUN_SETTINGS:
        return RunSettingsDialog(request.noOwner ? nullptr : OwnerOrForeground(request.handle));
    case RUN_SAVER:
        return RunSaverWindow(nullptr);
    case RUN_PREVIEW: {
        HWND parent = AsWindow(request.handle);
        if (!parent || !IsWindow(parent)) return -1;
        return RunSaverWindow(parent);
    }
    case RUN_PASSWORD_CHANGE:
        if (!g_host.onWin9x) return -1;
        return RunPasswordChange(request.rest);
    case RUN_INVALID:
    default:
        return -1;
    }
}

}  // namespace

// This stands in for a __try/__except around the whole dispatch whose filter is the
// system's reporter: MinGW has no such block, and the two builds unwind differently (frames
// on i686, tables on x86_64), while a last-resort filter sees exactly the faults that nothing
// else handled in either. It steps aside before asking the reporter, which would otherwise
// call it again, so the reporter, a registered debugger and any earlier filter answer as if
// the saver had none. Only when the reporter leaves the fault to the program is the running
// state turned off; the system's outermost handler then ends the process with the fault's
// code, as HostMain would with the dispatch's result, and runs no more of a program whose
// state the fault left unknown.
LONG WINAPI HostFaultFilter(EXCEPTION_POINTERS* exception)
{
    SetUnhandledExceptionFilter(filterBeforeGuard);
    const LONG answer = UnhandledExceptionFilter(exception);
    if (answer == EXCEPTION_EXECUTE_HANDLER) SetSaverRunning(false);
    return answer;
}

void InstallFaultGuard()
{
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(HostFaultFilter);
    if (previous != HostFaultFilter) filterBeforeGuard = previous;
}

int RunSettingsDialog(HWND owner)
{
    return static_cast<int>(DialogBoxParamA(g_host.instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner,
                                            HostDialogProc, 0));
}

int DispatchRunMode(HINSTANCE instance, const char* arguments)
{
    g_host.instance = instance;
    g_host.onWin9x = ReportsWin9x();
    InstallFaultGuard();
    return RunRequestedMode(ParseRunMode(arguments));
}

void HostMain()
{
    const char* arguments = SkipProgramName(GetCommandLineA(), NextCharacter);
    ExitProcess(static_cast<UINT>(DispatchRunMode(GetModuleHandleA(nullptr), arguments)));
}
