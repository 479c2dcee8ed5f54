/* GetTickCount64 for the 32-bit program on Windows XP, which lacks it. The static thread
 * library imports it to time its waits; this table entry stands in for the import, so the
 * program loads on XP and uses the system's own function wherever the system has one. */
#include <windows.h>

typedef ULONGLONG(WINAPI* TickCount64Function)(void);

static ULONGLONG WINAPI FirstTickCount64(void);

/* The linker takes this pointer in place of kernel32's import table slot of the same name. */
TickCount64Function lakeglassTickCount64 __asm__("__imp__GetTickCount64@0") = FirstTickCount64;

/* Milliseconds from the performance counter, which never fails from XP on and, unlike
 * GetTickCount, does not wrap after 49 days. */
static ULONGLONG WINAPI CounterTickCount64(void)
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const ULONGLONG ticks = (ULONGLONG)count.QuadPart, perSecond = (ULONGLONG)frequency.QuadPart;
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

/* Chooses once; threads that race here store the same choice. */
static ULONGLONG WINAPI FirstTickCount64(void)
{
    TickCount64Function chosen = (TickCount64Function)(void (*)(void))GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "GetTickCount64");
    if (!chosen) chosen = CounterTickCount64;
    lakeglassTickCount64 = chosen;
    return chosen();
}
