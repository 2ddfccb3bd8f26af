# install.cmake — what `cmake --install` puts where: the plug-in and the tool (component runtime), the
# public header and the CMake package (component development), README, LICENSE and CHANGELOG.
include(CMakePackageConfigHelpers)

# The plug-in is loaded at run time; the import library that mingw makes goes with the development files.
install(TARGETS peltatxt EXPORT peltatxtTargets
  RUNTIME DESTINATION ${PELTATXT_INSTALL_PLUGINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${PELTATXT_INSTALL_PLUGINDIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(TARGETS peltatxt_headers EXPORT peltatxtTargets)
if(TARGET peltatxt_cli)
  install(TARGETS peltatxt_cli RUNTIME DESTINATION ${PELTATXT_INSTALL_BINDIR} COMPONENT runtime)
endif()
install(FILES include/peltatxt/peltatxt.h include/peltatxt/entry_layout.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/peltatxt COMPONENT development)

set(PELTATXT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/peltatxt)
install(EXPORT peltatxtTargets NAMESPACE peltatxt:: DESTINATION ${PELTATXT_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/peltatxtConfig.cmake.in ${PROJECT_BINARY_DIR}/peltatxtConfig.cmake
  INSTALL_DESTINATION ${PELTATXT_CMAKE_DIR})
# The layout the header describes differs between 32- and 64-bit builds, so the package only
# matches a consumer of the same pointer size.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/peltatxtConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/peltatxtConfig.cmake ${PROJECT_BINARY_DIR}/peltatxtConfigVersion.cmake
  DESTINATION ${PELTATXT_CMAKE_DIR} COMPONENT development)

# The page (scripts/web.sh builds it; a plain build has no emscripten): beside the tool's files on
# Windows, in share/peltatxt/ elsewhere. Left out when it has not been built.
set(PELTATXT_PAGE ${PROJECT_SOURCE_DIR}/dist/peltatxt.html CACHE FILEPATH "The page to install (scripts/web.sh)")
if(WIN32)
  install(FILES ${PELTATXT_PAGE} DESTINATION . COMPONENT runtime OPTIONAL)
else()
  install(FILES ${PELTATXT_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/peltatxt COMPONENT runtime OPTIONAL)
endif()

if(WIN32)
  install(FILES CHANGELOG.md DESTINATION ${PELTATXT_INSTALL_DOCDIR} COMPONENT runtime)  # elsewhere changelog.gz (debian.cmake)
  # For the host's users on Windows: their own guide instead of the developers' README, as plain
  # text files with CR LF line ends that Notepad shows.
  configure_file(LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt NEWLINE_STYLE CRLF)
  configure_file(packaging/windows/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.txt
    DESTINATION ${PELTATXT_INSTALL_DOCDIR} COMPONENT runtime)
else()
  install(FILES README.md LICENSE DESTINATION ${PELTATXT_INSTALL_DOCDIR} COMPONENT runtime)
endif()
