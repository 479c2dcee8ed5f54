// Reading the platform's version record the way every system answers it.
#include "framework/platform_version.h"

#include <cstring>

static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148,
              "the version records have no pointers and one size in both builds");

bool ReadPlatformVersion(OSVERSIONINFOEXA* info)
{
    std::memset(info, 0, sizeof(*info));
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    OSVERSIONINFOA* plain = reinterpret_cast<OSVERSIONINFOA*>(info);
    if (::GetVersionExA(plain)) return true;
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return ::GetVersionExA(plain) != FALSE;
}
