// A stand-in for the system's password-change component: records the provider it was
// asked for and whether the owner is a window, in the file named by LAKEGLASS_PASSWORD_LOG.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner,
                                                                DWORD, LPVOID)
{
    char path[MAX_PATH] = {};
    GetEnvironmentVariableA("LAKEGLASS_PASSWORD_LOG", path, MAX_PATH);
    if (FILE* file = std::fopen(path, "ab")) {
        std::fprintf(file, "change %s %s\n", provider ? provider : "(null)",
                     IsWindow(owner) ? "window" : "no-window");
        std::fclose(file);
    }
    return 0;
}
