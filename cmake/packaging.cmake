# packaging.cmake — CPack: a zip for the host's users on Windows; a Debian package and a .tar.gz on Linux.
#
# scripts/package.sh makes them all (see the README). Package names carry PROJECT_VERSION.
set(CPACK_PACKAGE_NAME peltatxt)
set(CPACK_PACKAGE_VENDOR "the peltatxt authors")
set(CPACK_PACKAGE_CONTACT "the peltatxt authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "File-format plug-in and command-line tool for Unicodeテキスト files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip holds what a user of the host needs and nothing else: the DLL, the tool, the licence
  # and the install guide, side by side in one folder.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME peltatxt-${PROJECT_VERSION}-win32)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB TGZ)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_arch i386)
  else()
    set(_arch amd64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME peltatxt-${PROJECT_VERSION}-linux-${_arch})
  set(CPACK_DEBIAN_FILE_NAME peltatxt_${PROJECT_VERSION}_${_arch}.deb)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${_arch})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "libpeltatxt.so imports and exports a host application's folders and text entries in one
 UTF-16 text format; the peltatxt tool shows, converts (JSON) and checks such files through it.
 Includes the C header and a CMake package for host authors.")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

include(CPack)
