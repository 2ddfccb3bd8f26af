# mingw-i686.cmake — cross-builds for 32-bit Windows with Debian's mingw-w64 and runs the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

# The posix thread model, which GoogleTest needs (std::mutex); everything links statically, so no
# winpthread DLL is needed at run time (tests/check_dll_exports.cmake checks the plug-in's imports).
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(PELTATXT_OBJDUMP i686-w64-mingw32-objdump)
# SSE2 for the scans over lines: every processor that runs a supported Windows has it.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")

# The tools' header-only libraries (nlohmann-json, CLI11) come from the build machine. They are
# reached through a prefix inside the build directory that holds nothing else, so the build
# machine's own C library headers never mix with mingw's.
set(_host_headers ${CMAKE_BINARY_DIR}/mingw-host-headers)
foreach(_package nlohmann_json CLI11)
  if(EXISTS /usr/share/cmake/${_package})
    file(COPY /usr/share/cmake/${_package} DESTINATION ${_host_headers}/share/cmake)
  endif()
endforeach()
foreach(_dir nlohmann CLI)
  if(EXISTS /usr/include/${_dir} AND NOT EXISTS ${_host_headers}/include/${_dir})
    file(MAKE_DIRECTORY ${_host_headers}/include)
    file(CREATE_LINK /usr/include/${_dir} ${_host_headers}/include/${_dir} SYMBOLIC)
  endif()
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${_host_headers})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every executable, the test programs included, carries its C and C++ runtimes inside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# CTest and test discovery run the Windows programs through Wine, headless and quiet, in a prefix
# inside the build directory that scripts/wine/run.sh creates on first use.
get_filename_component(_source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_source_dir}/scripts/wine/run.sh ${CMAKE_BINARY_DIR}/wineprefix)
