# Cross-compiles Lakeglass for 32-bit Windows with MinGW-w64 (posix threads, static runtime);
# ctest runs the resulting test programs under 32-bit Wine, where the machine has it. Every
# program of this build starts on Windows XP SP3 (cmake/xp/project.cmake).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LAKEGLASS_MINGW_TRIPLE i686-w64-mingw32)
set(LAKEGLASS_WINE /usr/lib/wine/wine)
set(CMAKE_PROJECT_Lakeglass_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/xp/project.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
