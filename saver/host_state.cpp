// The host's record and the reading of decimal window handles.
#include "saver/host_state.h"

#include "saver/command_line.h"

HostState g_host;

HWND ParseDecimalHandle(const char* text)
{
    return reinterpret_cast<HWND>(ParseDecimalHandleValue(text));
}
