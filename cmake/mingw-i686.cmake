# Cross build of the 32-bit Windows program with mingw-w64 (posix threads).
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
