// The program's entry and its run modes: the command line chooses exactly one mode, whose
// result becomes the process's exit code.
#pragma once

#include <windows.h>

// Reads the command line itself, runs the chosen mode and ends the process with its result.
[[noreturn]] void HostMain();
int DispatchRunMode(HINSTANCE instance, const char* arguments);
// The settings dialog, modal; 1 after OK, 2 after Cancel, -1 when it cannot be made.
int RunSettingsDialog(HWND owner);
// A fault that nothing handles goes to the system's unhandled-fault reporter first; when
// the reporter leaves it to the program, the screen-saver-running state is set back to off
// and the process ends with the fault's code.
void InstallFaultGuard();
LONG WINAPI HostFaultFilter(EXCEPTION_POINTERS* exception);
