// The saver's command line: the program name skipped, the mode chosen by its letter with
// the separators and handles as the display settings write them, and decimal handles.
#include "saver/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* ByteStep(const char* text) { return text + 1; }

TEST(CommandLine, ProgramNameIsSkippedQuotedOrNot)
{
    const struct {
        const char* commandLine;
        const char* arguments;
    } cases[] = {
        {"\"C:\\Program Files\\Lake glass.scr\" /s", "/s"},
        {"\"C:\\Lake glass.scr\"/s", "/s"},       // text right after the closing quote
        {"\"C:\\unterminated /s", ""},            // no closing quote: all of it is the name
        {"Lakeglass.scr /p 1234", "/p 1234"},
        {"Lakeglass.scr\t \x01 /c", "/c"},        // any bytes 0x01..0x20 between
        {" /s", "/s"},                            // no name at all
        {"Lakeglass.scr", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string(c.arguments), SkipProgramName(c.commandLine, ByteStep)) << c.commandLine;
}

TEST(CommandLine, FirstLetterAfterSeparatorsChoosesTheMode)
{
    const struct {
        const char* arguments;
        RunMode mode;
        uintptr_t handle;
    } cases[] = {
        {"/s", RUN_SAVER, 0}, {"-s", RUN_SAVER, 0}, {"s", RUN_SAVER, 0}, {"/S", RUN_SAVER, 0},
        {" / s", RUN_SAVER, 0}, {"/s anything else", RUN_SAVER, 0},
        {"/p 1234", RUN_PREVIEW, 1234}, {"/p1234", RUN_PREVIEW, 1234}, {"/P   77", RUN_PREVIEW, 77},
        {"/l 1234", RUN_PREVIEW, 1234}, {"/L 99", RUN_PREVIEW, 99}, {"/p:1234", RUN_PREVIEW, 0}, {"/p", RUN_PREVIEW, 0},
        {"/p\t1234", RUN_PREVIEW, 0},
        {"/c:1234", RUN_SETTINGS, 1234}, {"/c 1234", RUN_SETTINGS, 0}, {"/c", RUN_SETTINGS, 0},
        {"/C: 5", RUN_SETTINGS, 0},
        {"/a 1234", RUN_PASSWORD_CHANGE, 0}, {"/A", RUN_PASSWORD_CHANGE, 0},
        {"/x", RUN_INVALID, 0}, {"/?", RUN_INVALID, 0}, {"/\t", RUN_INVALID, 0},
        {"\xE9", RUN_INVALID, 0}, {"1", RUN_INVALID, 0},
    };
    for (const auto& c : cases) {
        const RunRequest request = ParseRunMode(c.arguments);
        EXPECT_EQ(c.mode, request.mode) << c.arguments;
        EXPECT_EQ(c.handle, request.handle) << c.arguments;
        EXPECT_FALSE(request.noOwner) << c.arguments;
    }
    const RunRequest empty = ParseRunMode("  -/ ");
    EXPECT_EQ(RUN_SETTINGS, empty.mode);
    EXPECT_TRUE(empty.noOwner);
    EXPECT_STREQ("1234 x", ParseRunMode("/a  1234 x").rest);
}

TEST(CommandLine, DecimalHandlesStopAtTheFirstOtherCharacterAndWrapAtHandleWidth)
{
    EXPECT_EQ(1234u, ParseDecimalHandle("1234"));
    EXPECT_EQ(0u, ParseDecimalHandle(" 1234"));
    EXPECT_EQ(0u, ParseDecimalHandle(":1234"));
    EXPECT_EQ(12u, ParseDecimalHandle("12ab"));
    EXPECT_EQ(0u, ParseDecimalHandle(""));
    EXPECT_EQ(0u, ParseDecimalHandle(nullptr));
    // Eleven digits: 2^32 + 5 keeps every digit in a 64-bit handle and wraps in a 32-bit one.
    const uintptr_t wide = ParseDecimalHandle("4294967301");
    if (sizeof(uintptr_t) == 8)
        EXPECT_EQ(uintptr_t(4294967301ull), wide);
    else
        EXPECT_EQ(5u, wide);
    EXPECT_EQ(uintptr_t(0) - 1, ParseDecimalHandle(sizeof(uintptr_t) == 8
                                                            ? "18446744073709551615"
                                                            : "4294967295"));
}

}  // namespace
