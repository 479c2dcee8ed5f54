// The end-to-end tests' driver: processes, windows, input and the screen.
#include "tests/e2e/driver.h"

#include <filesystem>
#include <random>

#include "tests/screen_capture.h"

namespace driver {

Saver::~Saver()
{
    if (!process.hProcess) return;
    if (Running()) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool Saver::Running() const
{
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Saver::WaitExit(DWORD milliseconds) const
{
    const DWORD start = GetTickCount();
    // Messages keep flowing meanwhile, so windows of this process stay responsive.
    while (Running() && GetTickCount() - start < milliseconds) Pump(10);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

Saver Start(const std::string& arguments, const std::string& program,
            const std::vector<std::string>& environment)
{
    // The given entries replace this process's entries of the same name.
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=', 1)); };
    std::string block;
    char* inherited = GetEnvironmentStringsA();
    for (const char* at = inherited; *at; at += strlen(at) + 1) {
        bool replaced = false;
        for (const std::string& entry : environment) replaced |= nameOf(entry) == nameOf(at);
        if (!replaced) block.append(at).push_back('\0');
    }
    FreeEnvironmentStringsA(inherited);
    for (const std::string& entry : environment) block.append(entry).push_back('\0');
    block.push_back('\0');

    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    Saver saver;
    const std::string directory = std::filesystem::path(program).parent_path().string();
    CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, &block[0],
                   directory.c_str(), &startup, &saver.process);
    return saver;
}

HWND WaitForWindow(const char* className, const char* title, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowA(className, title);
        if (found || GetTickCount() - start >= milliseconds) return found;
        Pump(20);
    }
}

bool WaitForForeground(HWND window, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetForegroundWindow() != window) {
        if (GetTickCount() - start >= milliseconds) return false;
        Pump(20);
    }
    return true;
}

void Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

void PressKey(WORD virtualKey)
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

void MoveCursorTo(int x, int y)
{
    SetCursorPos(x, y);
}

void Click(int x, int y)
{
    MoveCursorTo(x, y);
    INPUT buttons[2] = {};
    buttons[0].type = buttons[1].type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, buttons, sizeof(INPUT));
}

std::vector<uint32_t> ReadScreen(int x, int y, int width, int height)
{
    return CaptureScreen(x, y, width, height);
}

namespace {

LRESULT CALLBACK PatternProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return DefWindowProcA(hWnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    RECT client;
    GetClientRect(hWnd, &client);
    const COLORREF colours[] = {RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200),
                                RGB(230, 230, 230), RGB(200, 120, 40)};
    for (int band = 0; band * 48 < client.right; ++band) {
        HBRUSH brush = CreateSolidBrush(colours[band % 5]);
        RECT r = {band * 48, 0, band * 48 + 48, client.bottom};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    EndPaint(hWnd, &ps);
    return 0;
}

// Registers a window class of this program with the procedure (again is harmless) and
// returns its name.
const char* RegisterTestClass(const char* name, WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
    return name;
}

}  // namespace

HWND ShowPattern(int x, int y, int width, int height)
{
    HWND window = CreateWindowExA(0, RegisterTestClass("LakeglassDesktopPattern", PatternProc), "",
                                  WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    Pump(100);
    return window;
}

HWND ShowDisplaySettings(int x, int y, int clientWidth, int clientHeight)
{
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPED | WS_CAPTION, FALSE);
    HWND window = CreateWindowExA(0, RegisterTestClass("LakeglassDisplaySettings", DefWindowProcA),
                                  "Display", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump(100);
    return window;
}

void SetUserDword(const char* key, const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof(value));
}

void SetUserString(const char* key, const char* name, const char* value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_SZ, value,
                    static_cast<DWORD>(strlen(value) + 1));
}

void DeleteUserValue(const char* key, const char* name)
{
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key, name);
}

ScopedMachineString::ScopedMachineString(const char* key, const char* name,
                                         const std::string& value)
    : key_(key), name_(name)
{
    char buffer[1024];
    DWORD size = sizeof(buffer);
    hadValue_ = RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buffer,
                             &size) == ERROR_SUCCESS;
    if (hadValue_) previous_ = buffer;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

ScopedMachineString::~ScopedMachineString()
{
    if (hadValue_)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, key_.c_str(), name_.c_str(), REG_SZ,
                        previous_.c_str(), static_cast<DWORD>(previous_.size() + 1));
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key_.c_str(), name_.c_str());
}

std::string CopyProgramToTemp(const std::string& name)
{
    std::random_device random;
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("lakeglass-" + std::to_string(random()));
    std::filesystem::create_directories(directory);
    const std::filesystem::path copy = directory / name;
    std::filesystem::copy_file(LAKEGLASS_SCR, copy);
    return copy.string();
}

}  // namespace driver
