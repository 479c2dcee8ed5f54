// What the end-to-end tests need to drive the built Lakeglass.scr as the system would:
// start it with a command line, find its windows, give it real input, read the screen
// and wait for its exit code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// A started copy of the program; the process is ended when the record goes, if it still runs.
struct Saver {
    PROCESS_INFORMATION process = {};
    Saver() = default;
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;
    Saver(Saver&& other) noexcept : process(other.process) { other.process = {}; }
    ~Saver();
    bool Running() const;
    // The exit code once the process ended within the time, else STILL_ACTIVE.
    DWORD WaitExit(DWORD milliseconds) const;
};

// Starts `program` (the built Lakeglass.scr unless another copy is named) with the
// argument text, in the program's directory; `environment` adds or replaces NAME=value
// entries.
Saver Start(const std::string& arguments, const std::string& program = LAKEGLASS_SCR,
            const std::vector<std::string>& environment = {});

// Waits for a top-level window of the class and title (any title when null).
HWND WaitForWindow(const char* className, const char* title, DWORD milliseconds);

// Waits until the window is the foreground one, which real keyboard input reaches.
bool WaitForForeground(HWND window, DWORD milliseconds);

// Pumps this thread's messages for the time.
void Pump(DWORD milliseconds);

// Real input through the system's input queue.
void PressKey(WORD virtualKey);
void MoveCursorTo(int x, int y);
void Click(int x, int y);

// An RGB565 pixel as the 0xRRGGBB a screen shows it with, its low bits zero: compared with
// a screen pixel whose low bits are masked off (0xF8FCF8).
inline uint32_t To888Bits(uint16_t pixel)
{
    return uint32_t((pixel >> 11) << 19 | ((pixel >> 5) & 63) << 10 | (pixel & 31) << 3);
}

// The screen's pixels in a rectangle as 0xRRGGBB.
std::vector<uint32_t> ReadScreen(int x, int y, int width, int height);

// A visible top-level window that paints coloured bands, as a desktop to take a snapshot of.
HWND ShowPattern(int x, int y, int width, int height);

// A captioned top-level window with a client area of the size, standing for the display
// settings that own the dialog or hold the preview.
HWND ShowDisplaySettings(int x, int y, int clientWidth, int clientHeight);

// Stores or removes a value under the current user's key for this test's settings.
void SetUserDword(const char* key, const char* name, DWORD value);
void SetUserString(const char* key, const char* name, const char* value);
void DeleteUserValue(const char* key, const char* name);

// A string value under the machine's key, set for the life of the record and then put
// back as it was (removed when there was none).
class ScopedMachineString {
public:
    ScopedMachineString(const char* key, const char* name, const std::string& value);
    ~ScopedMachineString();
    ScopedMachineString(const ScopedMachineString&) = delete;
    ScopedMachineString& operator=(const ScopedMachineString&) = delete;

private:
    std::string key_;
    std::string name_;
    std::string previous_;
    bool hadValue_ = false;
};

// A private directory with a copy of the program, for tests that put components beside it.
std::string CopyProgramToTemp(const std::string& name);

}  // namespace driver
