# Cross-compiles Lakeglass for 64-bit Windows with MinGW-w64 (posix threads, static runtime);
# ctest runs the resulting test programs under 64-bit Wine, which every machine has.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LAKEGLASS_MINGW_TRIPLE x86_64-w64-mingw32)
set(LAKEGLASS_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
