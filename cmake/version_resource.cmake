# version_resource.cmake — gives a Windows DLL or executable a version resource built from the project's version.
#
#   peltatxt_version_resource(TARGET DLL|APP ORIGINAL_FILENAME DESCRIPTION)
#
# The resource carries the product name, the description, the original file name and the file and
# product version (PROJECT_VERSION, also as the four numbers of the fixed part), so that Explorer's
# file properties show what was built. windres compiles it (cmake/mingw-i686.cmake names it).
function(peltatxt_version_resource target type original_filename description)
  if(type STREQUAL "DLL")
    set(PELTATXT_RC_FILETYPE VFT_DLL)
  else()
    set(PELTATXT_RC_FILETYPE VFT_APP)
  endif()
  set(PELTATXT_RC_ORIGINAL_FILENAME ${original_filename})
  set(PELTATXT_RC_DESCRIPTION ${description})
  foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      set(PELTATXT_RC_${part} 0)
    else()
      set(PELTATXT_RC_${part} ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
