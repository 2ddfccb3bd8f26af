# check_layering.cmake — fails if a source of a layer includes a project header from its own layer's level or above.
# Usage: cmake -DROOT=<source tree> -P check_layering.cmake
#
# Project headers are included as "folder/name.h" from the source root, or as "name.h" from the
# same folder; the public header as <peltatxt.h> and <entry_layout.h> (include/peltatxt/). Each
# layer may include the folders listed after it and nothing else; no file anywhere includes from
# plugin/, whose only headers moved to include/peltatxt/.
cmake_minimum_required(VERSION 3.25)
set(allowed_text)
set(allowed_fs text)
set(allowed_model)
set(allowed_format model text)
set(allowed_datafile format model fs text)
set(allowed_plugin datafile format model fs text)

set(problems)
foreach(layer text fs model format datafile plugin)
  file(GLOB sources RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      if(header MATCHES "^([^/]+)/")
        set(folder ${CMAKE_MATCH_1})
        if(NOT folder STREQUAL layer AND NOT folder IN_LIST allowed_${layer})
          list(APPEND problems "${source} includes \"${header}\": ${layer}/ may include only ${allowed_${layer}}")
        endif()
      elseif(NOT EXISTS ${ROOT}/${layer}/${header})
        list(APPEND problems "${source} includes \"${header}\", which is not in ${layer}/")
      endif()
    endforeach()
  endforeach()
endforeach()

set(everything)
foreach(folder include text fs model format datafile plugin tools tests fuzz bench)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.c ${ROOT}/${folder}/*.cpp)
  list(APPEND everything ${sources})
endforeach()
foreach(source IN LISTS everything)
  file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]plugin/")
  foreach(line IN LISTS includes)
    list(APPEND problems "${source}: ${line}")
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "the layering does not hold:\n  ${text}")
endif()
message(STATUS "every layer includes only the layers below it")
