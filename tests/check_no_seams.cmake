# check_no_seams.cmake — fails if a binary's symbol table (local symbols included) names a fault-injection seam.
# Usage: cmake -DBINARY=libpeltatxt.so[|more.a...] [-DOBJDUMP=i686-w64-mingw32-objdump] [-DEXPECT=present] -P check_no_seams.cmake
# By default no seam may appear; with EXPECT=present (for the test variants of the file layer and
# the allocator, given together, separated by |) every one must, which shows that the names looked
# for are the right ones.
string(REPLACE "|" ";" binaries "${BINARY}")
set(out)
foreach(binary IN LISTS binaries)
  # objdump, not nm: nm lists an LTO object's intermediate symbols, which leave out local ones.
  if(NOT OBJDUMP)
    set(OBJDUMP objdump)
  endif()
  execute_process(COMMAND ${OBJDUMP} -t -C ${binary} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot list the symbols of ${binary}")
  endif()
  string(APPEND out "${symbols}")
endforeach()
# The file layer's functions are in every binary checked: without them the table was stripped
# and would prove nothing.
if(NOT out MATCHES "open_read")
  message(FATAL_ERROR "${BINARY} has no symbol table to check (stripped?)")
endif()
set(seams fail_allocation countdown fail_operation operation_fails
    use_unnamed_temporaries unnamed_temporaries_allowed)
set(found)
foreach(seam IN LISTS seams)
  string(FIND "${out}" "${seam}" at)
  if(NOT at EQUAL -1)
    list(APPEND found ${seam})
  endif()
endforeach()
if(EXPECT STREQUAL "present")
  if(NOT found STREQUAL seams)
    message(FATAL_ERROR "${BINARY} has only these seams: ${found}\nexpected: ${seams}")
  endif()
  message(STATUS "every seam is in ${BINARY}")
elseif(found)
  message(FATAL_ERROR "${BINARY} contains test seams: ${found}")
else()
  message(STATUS "no test seam in ${BINARY}")
endif()
