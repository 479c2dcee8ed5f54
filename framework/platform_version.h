// The platform's version as the system reports it, for the host's choice of the 95/98/Me
// paths and the file chooser's choice of record size.
#pragma once

#include <windows.h>

// Asks with the extended record and, where the system refuses its size (the 95/98/Me
// family, NT before 4.0 SP6), again with the plain one, which the extended record begins
// with. False when neither is answered.
bool ReadPlatformVersion(OSVERSIONINFOEXA* info);
