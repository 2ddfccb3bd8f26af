# tool_pipes.cmake — the Windows tool's "-" through real pipes under Wine (run with cmake -P): a data file
# through JSON and CSV and back, from standard input to standard output, must come back byte for byte.
#
# -DEMULATOR=<program and arguments that run a Windows program, separated by |> -DTOOL=<peltatxt.exe>
# -DSAMPLE=<data file> -DWORK=<scratch directory>
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(MAKE_DIRECTORY ${WORK})
# Each COMMAND's standard output is a pipe into the next one's standard input.
execute_process(
  COMMAND ${emulator} ${TOOL} to-json - -o -
  COMMAND ${emulator} ${TOOL} from-json - -
  COMMAND ${emulator} ${TOOL} to-csv -
  COMMAND ${emulator} ${TOOL} from-csv - -
  INPUT_FILE ${SAMPLE}
  OUTPUT_FILE ${WORK}/back.peltatxt
  RESULTS_VARIABLE results
  ERROR_VARIABLE errors)
foreach(r IN LISTS results)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "a step of the pipe failed (${results}): ${errors}")
  endif()
endforeach()
file(SHA256 ${SAMPLE} want)
file(SHA256 ${WORK}/back.peltatxt got)
if(NOT want STREQUAL got)
  message(FATAL_ERROR "${WORK}/back.peltatxt differs from ${SAMPLE}")
endif()
message(STATUS "the sample came back byte for byte through four pipes")
