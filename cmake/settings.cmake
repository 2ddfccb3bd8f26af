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

# Applies the settings to each target named, and hides everything a library does not export.
function(peltatxt_use_settings)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE peltatxt_settings)
    set_target_properties(${target} PROPERTIES
      CXX_EXTENSIONS OFF
      C_VISIBILITY_PRESET hidden
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
  endforeach()
endfunction()
