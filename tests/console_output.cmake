# console_output.cmake — the Windows tool on a console under Wine (run with cmake -P): script(1) gives it a
# terminal, which Wine makes its console, and the Japanese of an outline and of a message must show as written.
#
# -DEMULATOR=<program and arguments that run a Windows program, separated by |> -DTOOL=<peltatxt.exe>
# -DSAMPLE=<data file whose first folder is 挨拶>
string(REPLACE "|" ";" emulator "${EMULATOR}")
set(show "")
foreach(arg IN LISTS emulator ITEMS ${TOOL} show ${SAMPLE})
  string(APPEND show " '${arg}'")
endforeach()
set(missing "")
foreach(arg IN LISTS emulator ITEMS ${TOOL} show 無い.peltatxt)
  string(APPEND missing " '${arg}'")
endforeach()
find_program(SCRIPT script REQUIRED)
execute_process(COMMAND ${SCRIPT} -qec "${show}; ${missing}" /dev/null
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 300)
# Wine draws the console with escape sequences: a cursor moved right stands for blanks, the rest is dropped.
string(ASCII 27 esc)
string(REGEX REPLACE "${esc}\\[[0-9]*C" " " out "${out}")
string(REGEX REPLACE "${esc}\\[[?0-9;]*[A-Za-z]" "" out "${out}")
if(NOT out MATCHES "folder +挨拶")
  message(FATAL_ERROR "the outline on the console lacks \"folder 挨拶\" (${status}):\n${out}${err}")
endif()
if(NOT out MATCHES "peltatxt: +無い\\.peltatxt: no such")
  message(FATAL_ERROR "the message on the console does not name 無い.peltatxt (${status}):\n${out}${err}")
endif()
message(STATUS "Japanese shows as written on the console, in the outline and in a message")
