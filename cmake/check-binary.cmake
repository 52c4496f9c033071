# Fails unless FILE is a Windows binary of the build's architecture (FORMAT, as objdump names
# it: pei-i386 or pei-x86-64) that imports only Windows' own DLLs and the ALLOW list.
#   cmake -DOBJDUMP=... -DFILE=... -DFORMAT=... [-DALLOW=a;b] -P check-binary.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND "${OBJDUMP}" -f -p "${FILE}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -f -p ${FILE} failed")
endif()
if(NOT dump MATCHES "file format ${FORMAT}[\r\n]")
  string(REGEX MATCH "file format [^\r\n]+" found "${dump}")
  message(FATAL_ERROR "${FILE}: expected file format ${FORMAT}, found '${found}'")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(system kernel32 msvcrt user32 gdi32 advapi32 shell32 ole32 oleaut32 ws2_32 comdlg32 comctl32
    winmm iphlpapi wininet msimg32 gdiplus setupapi shlwapi version uuid strmiids quartz imm32
    dbghelp psapi winspool rpcrt4 ntdll)
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.(dll|ax)$" "" name "${name}")
  message(STATUS "imports ${dll}")
  if(NOT name IN_LIST system AND NOT name IN_LIST ALLOW AND NOT name MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${FILE} imports ${dll}, which is neither a Windows system DLL nor one of the suite's")
  endif()
endforeach()
