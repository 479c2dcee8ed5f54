// The screen-saver password of the 95/98/Me family: the system's verifier is loaded while
// the saver runs full screen, a close is confirmed against it, and the password-change
// mode hands the change to the system. On NT every routine here returns at once.
#pragma once

#include <windows.h>

// The private request the saver window answers by running the verifier.
const UINT WM_VERIFY_PASSWORD = 0x8000;
// A close request this soon after a verification ended is taken as part of it.
const DWORD PASSWORD_RECHECK_MS = 200;

void LoadPasswordVerifier();
void UnloadPasswordVerifier();
// True when the saver may close now.
bool ConfirmClose(HWND hWnd);
// Tells the system whether a screen saver runs (it then keeps task switching away).
void SetSaverRunning(bool running);
// The system's password-change dialog for the screen saver's password, owned by `owner`.
void ChangeSaverPassword(HWND owner);
