// A stand-in for the system's password component, for the saver's password tests on the
// 95/98/Me family. Each verification appends a line to the file named by
// LAKEGLASS_PASSWORD_LOG and answers as the file named by LAKEGLASS_PASSWORD_CONTROL says:
// its first character is the answer ('1' accepted, '0' refused); an 'i' after it sends
// closing input to the saver while the "dialog" is up, a 'c' asks to close again at once
// after it ends, and an 'f' makes the verification fault, as a broken component would.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string ReadControl()
{
    char path[MAX_PATH] = {};
    GetEnvironmentVariableA("LAKEGLASS_PASSWORD_CONTROL", path, MAX_PATH);
    std::string control;
    if (FILE* file = std::fopen(path, "rb")) {
        char buffer[16] = {};
        control.assign(buffer, std::fread(buffer, 1, sizeof(buffer) - 1, file));
        std::fclose(file);
    }
    return control;
}

void AppendLog(const char* line)
{
    char path[MAX_PATH] = {};
    GetEnvironmentVariableA("LAKEGLASS_PASSWORD_LOG", path, MAX_PATH);
    if (FILE* file = std::fopen(path, "ab")) {
        std::fputs(line, file);
        std::fclose(file);
    }
}

// A password dialog runs its own message loop; this one delivers what the user does
// meanwhile.
void RunDialogLoop(HWND saver, bool sendInput)
{
    if (sendInput) {
        PostMessageA(saver, WM_KEYDOWN, 'A', 0);
        PostMessageA(saver, WM_LBUTTONDOWN, 0, 0);
        PostMessageA(saver, WM_CLOSE, 0, 0);
    }
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 300) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND saver)
{
    AppendLog("verify\n");
    const std::string control = ReadControl();
    if (control.find('f') != std::string::npos) *static_cast<volatile int*>(nullptr) = 1;
    RunDialogLoop(saver, control.find('i') != std::string::npos);
    if (control.find('c') != std::string::npos) PostMessageA(saver, WM_CLOSE, 0, 0);
    return !control.empty() && control[0] == '1';
}
