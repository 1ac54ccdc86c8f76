# 32-bit Windows (XP SP3 and later): the shipped program, and the test programs where 32-bit code runs.
set(QM_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
