# Installation and release packages: a .deb and an .rpm from the Linux build, a .zip from the
# Windows build.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME sorbek-ravnik)
set(CPACK_PACKAGE_VENDOR "The sorbek and ravnik developers")
set(CPACK_PACKAGE_CONTACT "The sorbek and ravnik developers <developers@sorbek-ravnik.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://sorbek-ravnik.example/")

# Directories in the packages are 0755 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# On Windows the programs sit at the top of the zip, beside the README and the manual.
if(WIN32)
  set(TVC_PROGRAM_DIR .)
else()
  set(TVC_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS sorbek ravnik RUNTIME DESTINATION ${TVC_PROGRAM_DIR})

# The manual page carries the project's version, so it is configured from its template.
set(TVC_MAN_PAGE ${PROJECT_BINARY_DIR}/man/sorbek.1)
configure_file(${PROJECT_SOURCE_DIR}/man/sorbek.1.in ${TVC_MAN_PAGE} @ONLY)

if(WIN32)
  # Windows users get the README and the manual as plain text with CR LF line ends. The manual
  # is rendered with groff, which a cross build on Linux has; a native Windows build without it
  # packs the README and the licence alone.
  find_program(TVC_GROFF groff)
  set(TVC_WINDOWS_DOCS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)
  if(TVC_GROFF)
    set(TVC_MANUAL_TEXT ${PROJECT_BINARY_DIR}/man/sorbek-ravnik-manual.txt)
    add_custom_command(
      OUTPUT ${TVC_MANUAL_TEXT}
      COMMAND ${CMAKE_COMMAND} -DGROFF=${TVC_GROFF} -DPAGE=${TVC_MAN_PAGE}
              -DOUTPUT=${TVC_MANUAL_TEXT} -P ${PROJECT_SOURCE_DIR}/cmake/ManualText.cmake
      DEPENDS ${TVC_MAN_PAGE} ${PROJECT_SOURCE_DIR}/cmake/ManualText.cmake
      COMMENT "Writing the plain-text manual")
    add_custom_target(manual_text ALL DEPENDS ${TVC_MANUAL_TEXT})
    list(APPEND TVC_WINDOWS_DOCS ${TVC_MANUAL_TEXT})
  else()
    message(STATUS "groff not found: the zip will hold no plain-text manual")
  endif()
  install(FILES ${TVC_WINDOWS_DOCS} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "sorbek-ravnik-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # The changelog's latest entry must be this version: a new version needs an entry of its own.
  set(TVC_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog)
  file(READ ${TVC_CHANGELOG} changelog_head LIMIT 100)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TVC_CHANGELOG})
  string(REGEX MATCH "^${CPACK_PACKAGE_NAME} \\(([^)]*)\\)" changelog_head "${changelog_head}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the latest entry is for version "
                        "\"${CMAKE_MATCH_1}\"; add one for ${PROJECT_VERSION} at its top")
  endif()

  # The copyright file in Debian's machine-readable format, with the notice and the licence text
  # taken from LICENSE.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  if(NOT licence MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
    message(FATAL_ERROR "LICENSE: no \"Copyright (c) ...\" line followed by the licence text")
  endif()
  set(TVC_COPYRIGHT "${CMAKE_MATCH_1}")
  # The text indented by one space, an empty line written as " .".
  string(STRIP "${CMAKE_MATCH_2}" TVC_LICENCE_TEXT)
  string(REPLACE "\n\n" "\n.\n" TVC_LICENCE_TEXT "${TVC_LICENCE_TEXT}")
  string(REPLACE "\n" "\n " TVC_LICENCE_TEXT " ${TVC_LICENCE_TEXT}")
  set(TVC_COPYRIGHT_FILE ${PROJECT_BINARY_DIR}/packaging/copyright)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${TVC_COPYRIGHT_FILE} @ONLY)

  # Debian keeps manual pages and changelogs compressed; ravnik's page points to the shared one.
  find_program(TVC_GZIP gzip)
  set(TVC_MAN_PAGES ${TVC_MAN_PAGE} ${PROJECT_SOURCE_DIR}/man/ravnik.1)
  if(TVC_GZIP)
    set(TVC_COMPRESSED_PAGES ${PROJECT_BINARY_DIR}/man/sorbek.1.gz ${PROJECT_BINARY_DIR}/man/ravnik.1.gz)
    set(TVC_COMPRESSED_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
    add_custom_command(
      OUTPUT ${TVC_COMPRESSED_PAGES} ${TVC_COMPRESSED_CHANGELOG}
      COMMAND ${TVC_GZIP} -9nc ${TVC_MAN_PAGE} > ${PROJECT_BINARY_DIR}/man/sorbek.1.gz
      COMMAND ${TVC_GZIP} -9nc ${PROJECT_SOURCE_DIR}/man/ravnik.1 > ${PROJECT_BINARY_DIR}/man/ravnik.1.gz
      COMMAND ${TVC_GZIP} -9nc ${TVC_CHANGELOG} > ${TVC_COMPRESSED_CHANGELOG}
      DEPENDS ${TVC_MAN_PAGES} ${TVC_CHANGELOG}
      COMMENT "Compressing the manual pages and the changelog")
    add_custom_target(man_pages ALL DEPENDS ${TVC_COMPRESSED_PAGES} ${TVC_COMPRESSED_CHANGELOG})
    set(TVC_MAN_PAGES ${TVC_COMPRESSED_PAGES})
    set(TVC_CHANGELOG ${TVC_COMPRESSED_CHANGELOG})
  endif()
  install(FILES ${TVC_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(TVC_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
  install(FILES ${TVC_COPYRIGHT_FILE} ${TVC_CHANGELOG} DESTINATION ${TVC_DOC_DIR})

  # Lintian's overrides belong in the .deb alone: a component that neither a plain install nor
  # the .rpm takes, and that the .deb adds to the rest in one package.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME}
          COMPONENT debian EXCLUDE_FROM_ALL)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified debian)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Control files 0644 and scripts 0755, whatever the umask of the build.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

  # The .rpm (cpack -G RPM) holds the same files. Its name leaves out the release, like the .deb's.
  set(CPACK_RPM_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}.${CMAKE_SYSTEM_PROCESSOR}.rpm")
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  # Directories that other packages own (the filesystem package on Fedora and SUSE).
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1)
  # No /usr/lib/.build-id links: the .deb has none either.
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
endif()

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check TVC tape images and list their raw CRCs")
# Lines of at most 80 characters, as Debian's package tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Two console tools for collectors of software for the TVC home computer:\n"
    "sorbek checks CAS tape images, ravnik checks TTP tape images. For every\n"
    "image that matches the names or wildcard patterns given, they check the\n"
    "header, warn about lengths that disagree and compute the raw CRC, the plain\n"
    "sum of the program-data bytes. A summary of all valid images closes every\n"
    "run, for comparison with catalogues and earlier reports.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
include(CPack)
