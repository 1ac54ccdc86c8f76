# The Windows tree: test programs run under Wine through wine-run, and reach the native tree's
# simulator program (a Linux program, which Wine starts like any other) over TDS. An i686 tree runs under
# 32-bit Wine, as shipped; an x86_64 tree (machines whose kernel runs no 32-bit code) under wine64. Wine's
# odbc32 forwards to the unixODBC of its own width, so the FreeTDS driver registered is of that width too.
set(QM_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH "Native build tree that holds quillmere-sqlsim")
set(QM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QM_ODBC_DIR ${CMAKE_BINARY_DIR}/odbc)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(QM_WINEARCH win64)
  set(QM_WINE_LOADER /usr/lib/wine/wine64)
  set(_tds /usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so)
else()
  set(QM_WINEARCH win32)
  set(QM_WINE_LOADER /usr/lib/wine/wine)
  set(_tds /usr/lib/i386-linux-gnu/odbc/libtdsodbc.so)
endif()
file(WRITE ${QM_ODBC_DIR}/odbcinst.ini
  "[SQL Server]\nDescription=FreeTDS registered under the name the Windows program asks for\n"
  "Driver=${_tds}\n")
# Wine takes both the ANSI code page (936) and the charset of Linux file names from LC_ALL; a locale that
# is not generated leaves it 7-bit ASCII, which garbles every Chinese file name between the two sides.
# So the tree generates zh_CN.UTF-8 for itself (LOCPATH), with no change to the system.
set(QM_LOCALE_DIR ${CMAKE_BINARY_DIR}/locale)
if(NOT EXISTS ${QM_LOCALE_DIR}/zh_CN.UTF-8/LC_CTYPE)
  file(MAKE_DIRECTORY ${QM_LOCALE_DIR})
  find_program(QM_LOCALEDEF localedef)
  if(QM_LOCALEDEF)
    execute_process(COMMAND ${QM_LOCALEDEF} -i zh_CN -f UTF-8 ${QM_LOCALE_DIR}/zh_CN.UTF-8
                    RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(NOT EXISTS ${QM_LOCALE_DIR}/zh_CN.UTF-8/LC_CTYPE)
    message(WARNING "zh_CN.UTF-8 could not be generated (package locales): Chinese file names will not cross to Wine")
  endif()
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
set(QM_SQLSIM_NATIVE ${QM_NATIVE_BUILD}/tools/sqlsim/quillmere-sqlsim)
