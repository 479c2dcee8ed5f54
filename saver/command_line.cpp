// Parsing of the run mode, with no platform call: the host checks handles and runs modes.
#include "saver/command_line.h"

uintptr_t ParseDecimalHandle(const char* text)
{
    uintptr_t value = 0;
    for (; text && *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + static_cast<uintptr_t>(*text - '0');
    return value;
}

const char* SkipProgramName(const char* commandLine, CharNextFunction next)
{
    const char* p = commandLine;
    const auto byte = [](const char* at) { return static_cast<unsigned char>(*at); };
    if (*p == '"') {
        do {
            p = next(p);
        } while (*p != '"' && *p != '\0');
        if (*p == '"') ++p;
    } else if (byte(p) > 0x20) {
        while (byte(p) > 0x20) p = next(p);
    }
    while (byte(p) >= 0x01 && byte(p) <= 0x20) p = next(p);
    return p;
}

namespace {

const char* SkipSpaces(const char* p)
{
    while (*p == ' ') ++p;
    return p;
}

}  // namespace

RunRequest ParseRunMode(const char* arguments)
{
    RunRequest request = {RUN_INVALID, 0, false, nullptr};
    const char* p = arguments;
    while (*p == ' ' || *p == '-' || *p == '/') ++p;
    const signed char c = static_cast<signed char>(*p);
    switch (c) {
    case '\0':
        request.mode = RUN_SETTINGS;
        request.noOwner = true;
        break;
    case 'S':
    case 's':
        request.mode = RUN_SAVER;
        break;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        request.mode = RUN_PREVIEW;
        request.handle = ParseDecimalHandle(SkipSpaces(p + 1));
        break;
    case 'C':
    case 'c':
        request.mode = RUN_SETTINGS;
        if (p[1] == ':') request.handle = ParseDecimalHandle(p + 2);
        break;
    case 'A':
    case 'a':
        request.mode = RUN_PASSWORD_CHANGE;
        request.rest = SkipSpaces(p + 1);
        break;
    default:
        break;
    }
    return request;
}
