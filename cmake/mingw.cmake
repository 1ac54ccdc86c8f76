# Cross build for Windows with Debian's MinGW-w64 compilers; included by mingw-i686.cmake (the shipped
# program, and the test programs where 32-bit code runs) and mingw-x86_64.cmake (the test programs on
# machines that run no 32-bit code). QM_MINGW_ARCH is set by the including file.
# QM_MINGW_THREADS picks the thread model: "win32" for the shipped program (its runtime imports nothing
# that XP lacks), "posix" for the test programs (GoogleTest needs std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QM_MINGW_ARCH})

set(QM_MINGW_THREADS "posix" CACHE STRING "MinGW-w64 thread model: posix (tests) or win32 (shipped program)")
set(QM_MINGW_TRIPLE ${QM_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${QM_MINGW_TRIPLE}-gcc-${QM_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${QM_MINGW_TRIPLE}-g++-${QM_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${QM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows XP is the oldest target: headers hide everything newer, and the runtime is linked in.
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 UNICODE _UNICODE)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
