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
  # The extended description below the summary, wrapped within 80 columns ("." an empty line).
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "libpeltatxt.so is a plug-in that imports and exports a host application's
folders and text entries in one UTF-16 text format. The peltatxt tool shows,
checks and compares such files through it, and converts them to and from
JSON and CSV (for spreadsheet programs).
.
Includes the C header and a CMake package for host authors.")
  # Who answers for the package: a distributor sets their own.
  set(PELTATXT_MAINTAINER "peltatxt maintainers <maintainers@users.noreply.c-seed-3da0ebf1.example>"
    CACHE STRING "The Debian package's Maintainer: name <email>")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PELTATXT_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(cmake/debian.cmake)
endif()

include(CPack)
