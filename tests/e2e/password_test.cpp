// The screen-saver password of the 95/98/Me family, with Wine reporting that family to a
// copy of the program and stand-ins for the system's password components beside it: a
// refused password keeps the saver, close requests right after a verification are not
// asked again, input during one never starts a second, and the password-change mode.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

using namespace driver;

const char* const VERSION_KEY = "Software\\Wine\\AppDefaults\\Lakeglass.scr";
// The system's own password-change component would be taken before the stand-in beside
// the program unless Wine is told to prefer the one on disk, for this program only.
const char* const OVERRIDES_KEY = "Software\\Wine\\AppDefaults\\Lakeglass.scr\\DllOverrides";
const char* const DESKTOP_KEY = "Control Panel\\Desktop";
const DWORD START_MS = 5000;

class Password : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = CopyProgramToTemp("Lakeglass.scr");
        directory_ = std::filesystem::path(program_).parent_path();
        std::filesystem::copy_file(LAKEGLASS_PASSWORD_STAND_IN, directory_ / "PASSWORD.CPL");
        std::filesystem::copy_file(LAKEGLASS_MPR_STAND_IN, directory_ / "MPR.DLL");
        control_ = (directory_ / "control.txt").string();
        log_ = (directory_ / "log.txt").string();
        Answer("0");
        SetUserString(VERSION_KEY, "Version", "win98");
        SetUserString(OVERRIDES_KEY, "mpr", "native");
        SetUserDword(DESKTOP_KEY, "ScreenSaveUsePassword", 1);
        MoveCursorTo(500, 400);
    }
    void TearDown() override
    {
        DeleteUserValue(VERSION_KEY, "Version");
        DeleteUserValue(OVERRIDES_KEY, "mpr");
        DeleteUserValue(DESKTOP_KEY, "ScreenSaveUsePassword");
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    void Answer(const char* control) { std::ofstream(control_, std::ios::binary) << control; }

    std::string Log() const
    {
        std::ifstream in(log_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int Verifications() const
    {
        const std::string log = Log();
        int count = 0;
        for (size_t at = log.find("verify"); at != std::string::npos; at = log.find("verify", at + 1))
            ++count;
        return count;
    }

    // The full-screen window once keys reach it; null when it does not come.
    HWND WaitForSaver()
    {
        HWND window = WaitForWindow("WindowsScreenSaverClass", "Screen Saver", START_MS);
        if (!window || !WaitForForeground(window, START_MS)) return nullptr;
        Pump(300);
        return window;
    }

    driver::Saver StartCopy(const std::string& arguments,
                            std::vector<std::string> environment = {})
    {
        environment.push_back("LAKEGLASS_PASSWORD_CONTROL=" + control_);
        environment.push_back("LAKEGLASS_PASSWORD_LOG=" + log_);
        return Start(arguments, program_, environment);
    }

    std::string program_;
    std::filesystem::path directory_;
    std::string control_;
    std::string log_;
};

TEST_F(Password, RefusedPasswordKeepsTheSaverAndOnlyALaterRequestAsksAgain)
{
    driver::Saver saver = StartCopy("/s");
    HWND window = WaitForSaver();
    ASSERT_NE(nullptr, window);

    // Refused; while the dialog is up the user types and clicks, and right after it a
    // second close request comes: neither asks again.
    Answer("0ic");
    PressKey('A');
    Pump(800);
    EXPECT_EQ(1, Verifications());
    EXPECT_TRUE(saver.Running());

    Answer("0");
    PressKey('B');
    Pump(600);
    EXPECT_EQ(2, Verifications());
    EXPECT_TRUE(saver.Running());

    // The autoplay query closes too, and tells the system that a password guards the saver.
    Answer("1");
    const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, autoPlay, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    EXPECT_EQ(1u, answer);
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
    EXPECT_EQ(3, Verifications());
}

TEST_F(Password, WithoutThePasswordSettingAKeyClosesAtOnce)
{
    SetUserDword(DESKTOP_KEY, "ScreenSaveUsePassword", 0);
    driver::Saver saver = StartCopy("/s");
    ASSERT_NE(nullptr, WaitForSaver());
    PressKey('A');
    EXPECT_EQ(0u, saver.WaitExit(START_MS));
    EXPECT_EQ(0, Verifications());
}

TEST_F(Password, PasswordChangeGoesToTheSystemComponentOnlyOn9x)
{
    // 1234 is no window, so the change is owned by the foreground window.
    HWND foreground = ShowPattern(100, 100, 200, 100);
    SetForegroundWindow(foreground);
    driver::Saver change = StartCopy("/a 1234");
    EXPECT_EQ(0u, change.WaitExit(START_MS));
    DestroyWindow(foreground);
    EXPECT_EQ("change SCRSAVE window\n", Log());

    DeleteUserValue(VERSION_KEY, "Version");
    driver::Saver onNt = StartCopy("/a 1234");
    EXPECT_EQ(DWORD(-1), onNt.WaitExit(START_MS));
    EXPECT_EQ("change SCRSAVE window\n", Log());
}

}  // namespace

namespace {

// Each process keeps its own copy of the state once read, so a fresh one is asked.
bool SaverRunningState()
{
    driver::Saver query = driver::Start("running", LAKEGLASS_FAULT_PROBE);
    return query.WaitExit(START_MS) == 1;
}

TEST(FaultGuard, FaultTurnsTheRunningStateOffAndEndsTheProcessAtOnce)
{
    driver::Saver probe = driver::Start("", LAKEGLASS_FAULT_PROBE);
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), probe.WaitExit(START_MS));
    EXPECT_FALSE(SaverRunningState());
}

// The saver full screen with a password component that faults in its verification.
class VerifierFault : public Password {
protected:
    // Starts the saver, checks that the state is on, lets the verifier fault, and answers
    // the exit code.
    DWORD RunUntilTheVerifierFaults(driver::Saver& saver)
    {
        EXPECT_NE(nullptr, WaitForSaver());
        EXPECT_TRUE(SaverRunningState());
        Answer("f");
        PressKey('A');
        return saver.WaitExit(START_MS);
    }
};

// The fault probe registered as the system's crash debugger, started at once with no
// question, in the given mode; what it writes down is the marker.
class StandInDebugger {
public:
    StandInDebugger(const std::filesystem::path& directory, const std::string& mode)
        : program_((directory / "debugger.exe").string()),
          marker_((directory / "debugged.txt").string()),
          debugger_(KEY, "Debugger",
                    "\"" + program_ + "\" " + mode + " \"" + marker_ + "\" %ld %ld"),
          autoStart_(KEY, "Auto", "1")
    {
        std::filesystem::copy_file(LAKEGLASS_FAULT_PROBE, program_);
    }
    std::string Marker() const
    {
        std::ifstream in(marker_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static constexpr const char* KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    std::string program_;
    std::string marker_;
    ScopedMachineString debugger_;
    ScopedMachineString autoStart_;
};

TEST_F(VerifierFault, GoesToTheSystemReporterFirst)
{
    // A stand-in crash debugger that only leaves a mark and ends, so that the reporter then
    // leaves the fault to the program.
    StandInDebugger debugger(directory_, "report");
    driver::Saver saver = StartCopy("/s");
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), RunUntilTheVerifierFaults(saver));
    EXPECT_EQ(std::to_string(saver.process.dwProcessId), debugger.Marker());
    EXPECT_FALSE(SaverRunningState());
}

TEST_F(VerifierFault, StaysUnhandledWhenADebuggerTakesIt)
{
    // Once a debugger is attached the reporter answers "search on"; the program must not
    // take the fault then, so it reaches the debugger as unhandled and the state is left.
    StandInDebugger debugger(directory_, "debug");
    driver::Saver saver = StartCopy("/s");
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), RunUntilTheVerifierFaults(saver));
    EXPECT_EQ("c0000005 last", debugger.Marker());
    EXPECT_TRUE(SaverRunningState());
    driver::Saver off = driver::Start("off", LAKEGLASS_FAULT_PROBE);
    EXPECT_EQ(0u, off.WaitExit(START_MS));
}

TEST_F(VerifierFault, LeftToTheProgramWhenNoDebuggerStarts)
{
    // The system's own crash debugger is kept from loading, so the reporter can start none
    // and answers that the program handles the fault.
    driver::Saver saver = StartCopy("/s", {"WINEDLLOVERRIDES=mscoree,mshtml=;winedbg.exe=d"});
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), RunUntilTheVerifierFaults(saver));
    EXPECT_FALSE(SaverRunningState());
}

}  // namespace
