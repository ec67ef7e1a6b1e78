# Cross build of the same program as 64-bit Windows: the test build of
# machines where no 32-bit Wine runs, run there under wine64. The
# release stays the 32-bit build (mingw-i686.cmake).
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
