// What the platform itself costs a saver that works as Lakeglass does, with none of the
// saver's own work: a full-screen window with the same two message timers, the same yield
// on every tick and the same paint per frame, which hands the platform a ready 32-bit frame
// to copy. No water is stepped and nothing is converted. The whole saver's CPU time per
// frame, less this, is what the saver's own parts cost.
//
//   message_floor.exe width height [seconds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ripple/scene_wnd.h"

namespace {

const DWORD WARM_UP_MS = 2000;

struct Floor {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    BITMAPINFOHEADER header = {};
    long paints = 0;
};

Floor g_floor;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Sleep(0);
        if (wParam == FRAME_TIMER) InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        SetCursor(nullptr);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SetDIBitsToDevice(dc, 0, 0, g_floor.width, g_floor.height, 0, 0, 0, g_floor.height,
                          g_floor.pixels.data(), reinterpret_cast<BITMAPINFO*>(&g_floor.header),
                          DIB_RGB_COLORS);
        EndPaint(window, &paint);
        ++g_floor.paints;
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

double Milliseconds(const FILETIME& time)
{
    return double((ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000.0;
}

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Milliseconds(kernel) + Milliseconds(user);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: message_floor width height [seconds]\n");
        return 2;
    }
    g_floor.width = std::atoi(argv[1]);
    g_floor.height = std::atoi(argv[2]);
    const DWORD spanMs = DWORD(argc > 3 ? std::atoi(argv[3]) : 10) * 1000;
    if (g_floor.width <= 0 || g_floor.height <= 0 || spanMs == 0) return 2;
    g_floor.pixels.assign(size_t(g_floor.width) * g_floor.height, 0x336699);
    g_floor.header = {sizeof(BITMAPINFOHEADER), g_floor.width, -g_floor.height, 1, 32, BI_RGB,
                      0, 0, 0, 0, 0};

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MessageFloor";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                  0, 0, g_floor.width, g_floor.height, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (!window) return 1;
    SetTimer(window, FRAME_TIMER, FRAME_PERIOD_MS, nullptr);
    SetTimer(window, EFFECT_TIMER, EFFECT_PERIOD_MS, nullptr);

    const DWORD start = GetTickCount();
    bool measuring = false;
    double cpuBefore = 0;
    long paintsBefore = 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        const DWORD elapsed = GetTickCount() - start;
        if (!measuring && elapsed >= WARM_UP_MS) {
            measuring = true;
            cpuBefore = ProcessCpuMs();
            paintsBefore = g_floor.paints;
        } else if (measuring && elapsed >= WARM_UP_MS + spanMs) {
            break;
        }
    }
    const double cpu = ProcessCpuMs() - cpuBefore;
    const long frames = g_floor.paints - paintsBefore;
    DestroyWindow(window);
    std::printf("%4dx%-5d %8ld %14.2f\n", g_floor.width, g_floor.height, frames,
                frames > 0 ? cpu / double(frames) : 0.0);
    return 0;
}
