# debian.cmake — what a Debian package carries beside the program: the manual page, the machine-readable
# copyright, the changelogs and lintian's overrides. Included by packaging.cmake on Linux; the .tar.gz
# gets the same files.
#
# The manual page is help2man's reading of the built tool's --help and each subcommand's -h, so the
# help text is its one source; without help2man (Debian's help2man, scripts/deps.sh) there is none.
set(_debian ${PROJECT_BINARY_DIR}/debian)

# copyright: LICENSE's notice and text in Debian's machine-readable format (continuation lines
# indented by one blank, an empty line as " .").
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _notice "${_license}")
set(PELTATXT_COPYRIGHT ${CMAKE_MATCH_1})
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n+" "" _text "${_license}")
string(STRIP "${_text}" _text)
string(REGEX REPLACE "\n\n" "\n.\n" _text "${_text}")
string(REGEX REPLACE "\n" "\n " PELTATXT_LICENSE_TEXT " ${_text}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${_debian}/copyright @ONLY)

# The changelogs, compressed as Debian wants them (gzip -9n: no name, no time stamp): the
# package's own (changelog.Debian.gz) and CHANGELOG.md under Debian's name for it (changelog.gz).
find_program(PELTATXT_GZIP gzip REQUIRED)
function(peltatxt_gzip source gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${gz}.tmp
    COMMAND ${PELTATXT_GZIP} -9nf ${gz}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${gz}.tmp.gz ${gz}
    DEPENDS ${source} VERBATIM)
endfunction()
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${_debian}/changelog.Debian @ONLY)
peltatxt_gzip(${_debian}/changelog.Debian ${_debian}/changelog.Debian.gz)
peltatxt_gzip(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${_debian}/changelog.gz)
set(_debian_files ${_debian}/changelog.Debian.gz ${_debian}/changelog.gz)

find_program(PELTATXT_HELP2MAN help2man)
if(TARGET peltatxt_cli AND PELTATXT_HELP2MAN)
  add_custom_command(OUTPUT ${_debian}/peltatxt.1.gz
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:peltatxt_cli> -DHELP2MAN=${PELTATXT_HELP2MAN}
            -DGZIP=${PELTATXT_GZIP} "-DNAME=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}"
            -DPLUGIN=${CMAKE_INSTALL_PREFIX}/${PELTATXT_INSTALL_PLUGINDIR}/libpeltatxt.so
            -DOUT=${_debian}/peltatxt.1 -P ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake
    DEPENDS peltatxt_cli ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake
    COMMENT "The manual page from the tool's help" VERBATIM)
  list(APPEND _debian_files ${_debian}/peltatxt.1.gz)
  install(FILES ${_debian}/peltatxt.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
elseif(TARGET peltatxt_cli)
  message(STATUS "help2man not found: no manual page for peltatxt (scripts/deps.sh deb installs it)")
endif()
add_custom_target(peltatxt_debian_files ALL DEPENDS ${_debian_files})

install(FILES ${_debian}/copyright ${_debian}/changelog.Debian.gz ${_debian}/changelog.gz
  DESTINATION ${PELTATXT_INSTALL_DOCDIR} COMPONENT runtime)
# The package is built by the project, not uploaded to Debian: its first changelog entry closes
# no bug of Debian's.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME peltatxt COMPONENT runtime)
