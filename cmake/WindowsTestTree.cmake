# The Windows tree: test programs run under 32-bit Wine through wine-run, and reach the native tree's
# simulator program (a Linux program, which Wine starts like any other) over TDS.
set(QM_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH "Native build tree that holds quillmere-sqlsim")
set(QM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QM_ODBC_DIR ${CMAKE_BINARY_DIR}/odbc)
file(WRITE ${QM_ODBC_DIR}/odbcinst.ini
  "[SQL Server]\nDescription=FreeTDS registered under the name the Windows program asks for\n"
  "Driver=/usr/lib/i386-linux-gnu/odbc/libtdsodbc.so\n")
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
set(QM_SQLSIM_NATIVE ${QM_NATIVE_BUILD}/tools/sqlsim/quillmere-sqlsim)
