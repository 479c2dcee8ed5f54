// The program's entry and its run modes: the command line chooses exactly one mode, whose
// result becomes the process's exit code.
#pragma once

#include <windows.h>

// Reads the command line itself, runs the chosen mode and ends the process with its result.
[[noreturn]] void HostMain();
int DispatchRunMode(HINSTANCE instance, const char* arguments);
// The settings dialog, modal; 1 after OK, 2 after Cancel, -1 when it cannot be made.
int RunSettingsDialog(HWND owner);
// Makes a fault that nothing handles end the process quietly, with the system's
// screen-saver-running state set back to off first.
void InstallFaultGuard();
LONG WINAPI HostFaultFilter(EXCEPTION_POINTERS* exception);
