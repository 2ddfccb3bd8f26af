# settings.cmake — the compile settings every target of this project uses, as one INTERFACE target.
#
# Targets link peltatxt_settings PRIVATE, so nothing here reaches a project that uses peltatxt
# through add_subdirectory, FetchContent or the installed package.
add_library(peltatxt_settings INTERFACE)
target_compile_features(peltatxt_settings INTERFACE cxx_std_20 c_std_11)
if(MSVC)
  target_compile_options(peltatxt_settings INTERFACE /W4 $<$<BOOL:${PELTATXT_WERROR}>:/WX>)
else()
  target_compile_options(peltatxt_settings INTERFACE -Wall -Wextra $<$<BOOL:${PELTATXT_WERROR}>:-Werror>)
endif()
if(PELTATXT_SANITIZE)
  target_compile_options(peltatxt_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(peltatxt_settings INTERFACE -fsanitize=address,undefined)
endif()
if(PELTATXT_FUZZ)
  target_compile_options(peltatxt_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()

# The plug-in's layers are optimised across their files in optimised builds: the reader's calls into
# strings and lists, one per line and field, are inlined where they are made. The objects keep
# their ordinary code too (fat LTO objects), so tests and tools link them as usual; only the
# plug-in itself is linked with link-time optimisation (peltatxt_link_optimised).
set(PELTATXT_LTO 0)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT PELTATXT_SANITIZE AND NOT PELTATXT_FUZZ)
  set(PELTATXT_LTO "$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>>")
endif()
function(peltatxt_compile_optimised target)
  target_compile_options(${target} PRIVATE $<${PELTATXT_LTO}:-flto=auto -ffat-lto-objects>)
endfunction()
function(peltatxt_link_optimised target)
  target_link_options(${target} PRIVATE $<${PELTATXT_LTO}:-flto=auto>)
endfunction()
# Every program links the objects' ordinary code, without running the link-time optimiser.
function(peltatxt_link_ordinary target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE $<${PELTATXT_LTO}:-fno-lto>)
  endif()
endfunction()

# Applies the settings to each target named, and hides everything a library does not export.
function(peltatxt_use_settings)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE peltatxt_settings)
    peltatxt_link_ordinary(${target})
    set_target_properties(${target} PROPERTIES
      CXX_EXTENSIONS OFF
      C_VISIBILITY_PRESET hidden
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
  endforeach()
endfunction()
