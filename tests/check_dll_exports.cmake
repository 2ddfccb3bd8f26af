# check_dll_exports.cmake — fails unless the Windows DLL exports exactly the eight undecorated names and imports only system DLLs.
# Usage: cmake -DLIB=peltatxt.dll -DOBJDUMP=i686-w64-mingw32-objdump -P check_dll_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${LIB} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${LIB}")
endif()

# The export name table: lines such as "	[   0] convertMacro" after "[Ordinal/Name Pointer] Table".
string(FIND "${out}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${LIB} has no export name table")
endif()
string(SUBSTRING "${out}" ${at} -1 table)
string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")  # up to the first blank line
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(names)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
  string(STRIP "${name}" name)
  list(APPEND names "${name}")
endforeach()
list(SORT names)
include(${CMAKE_CURRENT_LIST_DIR}/../plugin/exports.cmake)
peltatxt_expect_exports(${names})

# Imported DLLs: the kernel and the system C runtime only; a runtime DLL of the compiler (libstdc++,
# libgcc, winpthread) would have to ship beside the plug-in.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
set(dlls)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\\.dll$")
    message(FATAL_ERROR "${LIB} imports ${dll}, which is not a system DLL")
  endif()
  list(APPEND dlls "${dll}")
endforeach()
if(NOT dlls)
  message(FATAL_ERROR "no import table found in ${LIB}")
endif()
message(STATUS "exactly the eight undecorated exports: ${names}; imports: ${dlls}")
