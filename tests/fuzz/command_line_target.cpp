// The saver's command line as a fuzz target: the text the system hands the program, with
// the program name skipped one byte at a time and as a double-byte code page steps over
// it, then the run mode and its handle read from what follows. Seeds are the command lines
// the display settings write and the oddities the parser's tests know.
#include <cctype>
#include <string>
#include <vector>

#include "saver/command_line.h"
#include "tests/fuzz/fuzz_target.h"

namespace {

const char NAME[] = "command_line_sweep";

// CharNextA on a single-byte code page: one byte, never past the terminator.
const char* ByteStep(const char* text) { return *text ? text + 1 : text; }

// CharNextA on a double-byte code page such as 932: a lead byte takes the next byte with it
// unless that is the terminator.
const char* DoubleByteStep(const char* text)
{
    const unsigned char lead = static_cast<unsigned char>(*text);
    if (lead == 0) return text;
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return isLead && text[1] != '\0' ? text + 2 : text + 1;
}

bool Inside(const char* at, const char* text, size_t length)
{
    return at != nullptr && at >= text && at <= text + length;
}

void CheckRequest(const char* arguments, size_t length)
{
    const RunRequest request = ParseRunMode(arguments);
    Check(request.mode >= RUN_INVALID && request.mode <= RUN_PASSWORD_CHANGE, NAME, "a known mode");
    Check((request.rest != nullptr) == (request.mode == RUN_PASSWORD_CHANGE), NAME,
          "only a password change keeps the rest of the text");
    if (request.rest)
        Check(Inside(request.rest, arguments, length), NAME, "the rest lies inside the text");
    Check(request.handle == 0 || request.mode == RUN_PREVIEW || request.mode == RUN_SETTINGS, NAME,
          "only a preview or the settings name a window");
    Check(!request.noOwner || (request.mode == RUN_SETTINGS && request.handle == 0), NAME,
          "no owner only for the settings without a window");
}

void RunCommandLine(const uint8_t* data, size_t size)
{
    const ExactText line(data, size);
    for (CharNextFunction next : {ByteStep, DoubleByteStep}) {
        const char* arguments = SkipProgramName(line.text(), next);
        Check(Inside(arguments, line.text(), line.length()), NAME,
              "the arguments lie inside the line");
        const unsigned char first = static_cast<unsigned char>(*arguments);
        Check(first == 0 || first > 0x20, NAME, "the arguments start past the separators");
        CheckRequest(arguments, line.length() - (arguments - line.text()));
    }
    CheckRequest(line.text(), line.length());
    const bool digit = std::isdigit(static_cast<unsigned char>(line.text()[0])) != 0;
    Check(ParseDecimalHandle(line.text()) == 0 || digit, NAME, "a handle starts with a digit");
}

std::vector<Seed> Seeds()
{
    const char* const lines[] = {
        "\"C:\\Program Files\\Lake glass.scr\" /s",
        "\"C:\\Lake glass.scr\"/p 1234",
        "\"C:\\unterminated /s",
        "Lakeglass.scr /c:4294967301",
        "Lakeglass.scr\t \x01 /P   77",
        "Lakeglass.scr -/ ",
        "Lakeglass.scr /a  1234 x",
        "Lakeglass.scr /l18446744073709551615",
        "Lakeglass.scr /C: 5",
        "\"C:\\\x81\\\x81\" /s",       // trail bytes that look like a backslash and a quote
        "\"C:\\\x81",                   // a lead byte at the very end
        "\x81 /s",
    };
    std::vector<Seed> seeds;
    for (const char* line : lines)
        seeds.push_back({"line-" + std::to_string(seeds.size()), {TextPart(line)}});
    return seeds;
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {NAME, RunCommandLine, Seeds, nullptr, false, 64,
                                 " \"\t/-:09sSpPlLcCaA\x81\xE0\xFC", 600000};
