# cmake -DEXE=X.exe -DOBJDUMP=i686-w64-mingw32-objdump [-DEXPECT_REJECT=NAME] -P CheckImports.cmake
# Reads a Windows program's import table and fails when it needs a DLL that Windows XP SP3 lacks, a
# function that came with Vista or later, or a DLL the program loads on first use instead. With EXPECT_REJECT the check must refuse the program, naming
# NAME, and the script fails when it does not (so the check is shown able to fail).

cmake_minimum_required(VERSION 3.25)

# DLLs of every Windows XP SP3 installation (system32), in lower case.
set(xp_dlls
  kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll comdlg32.dll
  msvcrt.dll ntdll.dll odbc32.dll ws2_32.dll wsock32.dll shlwapi.dll version.dll rpcrt4.dll
  imm32.dll uxtheme.dll winmm.dll msimg32.dll winspool.drv crypt32.dll secur32.dll wininet.dll psapi.dll
  iphlpapi.dll userenv.dll netapi32.dll mpr.dll setupapi.dll)

# DLLs that not every host can load (Windows Server 2003 keeps WinHTTP as a side-by-side assembly): the
# program loads them when it first needs them, so an import would stop it from starting at all.
set(late_dlls winhttp.dll)

# Functions a program built for XP may still import by accident, each with why XP refuses it.
set(vista_functions
  GetTickCount64                  # Vista: the posix thread model's winpthreads calls it
  InitializeConditionVariable SleepConditionVariableCS SleepConditionVariableSRW WakeConditionVariable
  WakeAllConditionVariable        # condition variables: Vista (std::condition_variable)
  InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared ReleaseSRWLockExclusive ReleaseSRWLockShared
  TryAcquireSRWLockExclusive TryAcquireSRWLockShared  # slim reader/writer locks: Vista and 7
  InitOnceInitialize InitOnceExecuteOnce InitOnceBeginInitialize InitOnceComplete  # one-time init: Vista
  FlsAlloc FlsFree FlsGetValue FlsSetValue  # fiber-local storage: Server 2003, not XP
  GetLocaleInfoEx LCMapStringEx CompareStringEx GetUserDefaultLocaleName LocaleNameToLCID  # locale names: Vista
  RegGetValueA RegGetValueW RegDeleteTreeW RegSetKeyValueW  # only XP x64 and Vista
  GetFileInformationByHandleEx SetFileInformationByHandle GetFinalPathNameByHandleW CreateSymbolicLinkW
  CancelIoEx GetQueuedCompletionStatusEx CreateFile2  # Vista and 8
  CreateEventExW CreateMutexExW CreateSemaphoreExW InitializeCriticalSectionEx GetThreadId  # Vista
  QueryFullProcessImageNameW GetSystemTimePreciseAsFileTime SetThreadErrorMode GetErrorMode  # Vista to 8
  inet_pton inet_ntop WSAPoll InetPtonW InetNtopW  # Winsock: Vista
  SHGetKnownFolderPath TaskDialog TaskDialogIndirect LoadIconMetric  # shell and comctl32: Vista
  _fseeki64 _ftelli64 _set_invalid_parameter_handler  # msvcrt of Vista
)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT dump MATCHES "DLL Name:")
  message(FATAL_ERROR "cannot read the import table of ${EXE}: ${err}")
endif()

set(problems "")
set(dll "")
string(REPLACE "\n" ";" lines "${dump}")
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll)
    if(dll IN_LIST late_dlls)
      list(APPEND problems "${dll}: loaded on first use, never imported")
    elseif(NOT dll IN_LIST xp_dlls)
      list(APPEND problems "${dll}: not a DLL of Windows XP SP3")
    endif()
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z0-9_@?$]+)")
    set(fn "${CMAKE_MATCH_1}")
    if(fn IN_LIST vista_functions)
      list(APPEND problems "${dll} ${fn}: Vista or later")
    elseif(dll STREQUAL "msvcrt.dll" AND fn MATCHES "_s$")
      list(APPEND problems "${dll} ${fn}: XP's msvcrt has no _s functions")
    endif()
  endif()
endforeach()

if(DEFINED EXPECT_REJECT)
  string(FIND "${problems}" "${EXPECT_REJECT}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${EXE} was not refused for ${EXPECT_REJECT}: ${problems}")
  endif()
  message(STATUS "refused as it should be: ${problems}")
elseif(problems)
  string(REPLACE ";" "\n  " text "${problems}")
  message(FATAL_ERROR "${EXE} needs what Windows XP SP3 lacks:\n  ${text}")
else()
  message(STATUS "${EXE}: every import is on Windows XP SP3")
endif()
