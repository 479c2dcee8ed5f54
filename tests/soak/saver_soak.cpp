// Runs the saver full screen for a number of minutes and records, once a minute, its
// kernel handle count and memory as the system reports them. Fails when anything grew
// after the first minute: a saver runs for hours, and a leak per frame would add up.
//
//   saver_soak.exe <program> <minutes>
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const ULONG SYSTEM_HANDLE_INFORMATION = 16;
// Working-set pages come and go with the system's trimming; less than this is not growth.
const SIZE_T MEMORY_NOISE = 256 * 1024;

struct HandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

// The kernel handles the process holds, from the system's table of every process's handles.
ULONG CountHandles(DWORD processId)
{
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    while (NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(SYSTEM_HANDLE_INFORMATION),
                                    buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
        if (buffer.size() >= (64u << 20)) return 0;
        buffer.resize(buffer.size() * 2);
    }
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const HandleEntry* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    ULONG mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].processId == processId;
    return mine;
}

struct Sample {
    ULONG handles;
    SIZE_T workingSet;
    SIZE_T committed;
};

Sample Measure(HANDLE process, DWORD processId)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, &memory, sizeof(memory));
    return Sample{CountHandles(processId), memory.WorkingSetSize, memory.PagefileUsage};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: saver_soak <program> <minutes>\n");
        return 2;
    }
    const int minutes = std::atoi(argv[2]);
    std::string commandLine = std::string("\"") + argv[1] + "\" /s";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION saver = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &saver)) {
        std::fprintf(stderr, "saver_soak: cannot start %s\n", argv[1]);
        return 2;
    }

    std::printf("%6s %8s %14s %14s\n", "minute", "handles", "working set", "committed");
    std::vector<Sample> samples;
    for (int minute = 1; minute <= minutes; ++minute) {
        if (WaitForSingleObject(saver.hProcess, 60 * 1000) != WAIT_TIMEOUT) {
            std::fprintf(stderr, "saver_soak: the saver ended early\n");
            return 1;
        }
        samples.push_back(Measure(saver.hProcess, saver.dwProcessId));
        const Sample& s = samples.back();
        std::printf("%6d %8lu %14llu %14llu\n", minute, s.handles,
                    static_cast<unsigned long long>(s.workingSet),
                    static_cast<unsigned long long>(s.committed));
        std::fflush(stdout);
    }

    bool grew = false;
    for (const Sample& s : samples) {
        grew |= s.handles > samples.front().handles;
        grew |= s.workingSet > samples.front().workingSet + MEMORY_NOISE;
        grew |= s.committed > samples.front().committed + MEMORY_NOISE;
    }
    TerminateProcess(saver.hProcess, 0);
    WaitForSingleObject(saver.hProcess, 5000);
    std::printf(grew ? "saver_soak: something grew after the first minute\n"
                     : "saver_soak: nothing grew after the first minute\n");
    return grew ? 1 : 0;
}
