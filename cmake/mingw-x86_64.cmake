# 64-bit Windows: the test programs on a machine whose kernel runs no 32-bit code, under wine64. The
# shipped program is never built with it.
set(QM_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
