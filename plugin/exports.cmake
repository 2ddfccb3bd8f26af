# exports.cmake — the names of the eight exported functions, the one list the build and its checks use:
# the linker's version script on ELF targets (made from it at configure time), and the checks of the
# built plug-in's export tables (tests/check_exports.cmake, tests/check_dll_exports.cmake). Sorted.
set(PELTATXT_EXPORTS convertMacro endDLL getExtension getFormatName initDLL isUnicode readDataFile writeDataFile)

# For those checks: fails unless the names found (in any order) are exactly the list.
function(peltatxt_expect_exports)
  set(names ${ARGN})
  list(SORT names)
  if(NOT names STREQUAL PELTATXT_EXPORTS)
    message(FATAL_ERROR "exported: ${names}\nexpected: ${PELTATXT_EXPORTS}")
  endif()
endfunction()
