// lakeglass: the water scene as an XScreenSaver hack. Exit codes: 0 after a normal end or
// --help, 1 when the display cannot be used, 2 for a bad command line.
#include <cstdio>
#include <string>

#include "x11/hack_host.h"
#include "x11/hack_options.h"

int main(int argc, char** argv)
{
    HackOptions options;
    std::string error;
    switch (ParseHackOptions(argc, argv, &options, &error)) {
    case PARSE_HELP:
        std::fputs(HackUsage(), stdout);
        return 0;
    case PARSE_ERROR:
        std::fprintf(stderr, "lakeglass: %s\nTry 'lakeglass --help' for the options.\n",
                     error.c_str());
        return 2;
    case PARSE_RUN:
        break;
    }
    return RunHack(options);
}
