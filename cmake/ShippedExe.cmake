# The shipped quillmere.exe is built with the win32-model compiler, whose runtime imports nothing that
# Windows XP lacks; the test tree's posix model cannot build it. So the test tree configures the same
# sources again in ship/ (Release, no tests: the program and the libraries it links).
include(ExternalProject)
set(QM_SHIP_DIR ${CMAKE_BINARY_DIR}/ship)
# The program the release carries; the import check and the demo use this file.
set(QM_SHIPPED_EXE ${QM_SHIP_DIR}/quillmere.exe)
ExternalProject_Add(ship
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${QM_SHIP_DIR}
  PREFIX ${CMAKE_BINARY_DIR}/ship-steps
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
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
