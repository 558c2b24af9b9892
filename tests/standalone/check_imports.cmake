# A Windows program must run on a clean Windows by itself: every DLL that
# PROGRAM imports (as OBJDUMP -p lists them) must be one of Windows' own.

cmake_minimum_required(VERSION 3.25)

set(windows_own
  kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comctl32 comdlg32
  shlwapi ws2_32 bcrypt ntdll msvcrt ucrtbase version)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
set(foreign "")
foreach(line ${imports})
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST windows_own AND NOT name MATCHES "^api-ms-win-")
    list(APPEND foreign ${dll})
  endif()
  message(STATUS "${PROGRAM}: ${dll}")
endforeach()
if(foreign)
  message(FATAL_ERROR "${PROGRAM} needs DLLs that Windows lacks: ${foreign}")
endif()
