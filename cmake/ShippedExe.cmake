# The shipped quillmere.exe is built with the i686 win32-model compiler, whose runtime imports nothing
# that Windows XP lacks; the test tree's posix model (and, on machines that run no 32-bit code, its
# x86_64 compiler) cannot build it. So the test tree configures the same sources again in QM_SHIP_DIR
# (Release, no tests: the program and the libraries it links), always for i686.
include(ExternalProject)
set(QM_SHIP_DIR ${CMAKE_BINARY_DIR}/ship CACHE PATH "Build tree of the shipped program")
# The program the release carries; the import check and the demo use this file.
set(QM_SHIPPED_EXE ${QM_SHIP_DIR}/quillmere.exe)
ExternalProject_Add(ship
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${QM_SHIP_DIR}
  PREFIX ${CMAKE_BINARY_DIR}/ship-steps
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake
    -DQM_MINGW_THREADS=win32
    -DQUILLMERE_BUILD_TESTS=OFF
    -DCMAKE_BUILD_TYPE=Release
    # -O2, not CMake's -O3: the usual level for a shipped program, smaller, and free of GCC 12's false
    # -Wrestrict alarms on inlined string appends at -O3.
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
  # Two jobs at most, as for every build on this machine.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j 2
  INSTALL_COMMAND ""
  # The inner build decides what is out of date; asking it each time costs a no-op Ninja run.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${QM_SHIPPED_EXE}
  USES_TERMINAL_BUILD ON)
