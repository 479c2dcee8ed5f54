// The entry: platform family, command line, one run mode, exit code.
#include "saver/host_main.h"

#include "res/resource.h"
#include "saver/bridge.h"
#include "saver/command_line.h"
#include "saver/host_state.h"
#include "saver/passwords.h"
#include "saver/saver_wnd.h"

namespace {

const char* NextCharacter(const char* text) { return CharNextA(text); }

bool ReportsWin9x()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND AsWindow(uintptr_t handle) { return reinterpret_cast<HWND>(handle); }

int RunRequestedMode(const RunRequest& request)
{
    switch (request.mode) {
    case RUN_SETTINGS: {
        if (request.noOwner) return RunSettingsDialog(nullptr);
        HWND owner = AsWindow(request.handle);
        if (!owner || !IsWindow(owner)) owner = GetForegroundWindow();
        return RunSettingsDialog(owner);
    }
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

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record the platform expects");

LONG WINAPI HostFaultFilter(EXCEPTION_POINTERS*)
{
    SetSaverRunning(false);
    return EXCEPTION_EXECUTE_HANDLER;
}

void InstallFaultGuard()
{
    SetUnhandledExceptionFilter(HostFaultFilter);
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
