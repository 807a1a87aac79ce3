# Installation and release packages: a .deb from the Linux build, a .zip from the Windows build.
include(GNUInstallDirs)

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
  # packs the README alone.
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
  # Debian keeps manual pages compressed; ravnik's page points to the shared one.
  find_program(TVC_GZIP gzip)
  set(TVC_MAN_PAGES ${TVC_MAN_PAGE} ${PROJECT_SOURCE_DIR}/man/ravnik.1)
  if(TVC_GZIP)
    set(TVC_COMPRESSED_PAGES ${PROJECT_BINARY_DIR}/man/sorbek.1.gz ${PROJECT_BINARY_DIR}/man/ravnik.1.gz)
    add_custom_command(
      OUTPUT ${TVC_COMPRESSED_PAGES}
      COMMAND ${TVC_GZIP} -9nc ${TVC_MAN_PAGE} > ${PROJECT_BINARY_DIR}/man/sorbek.1.gz
      COMMAND ${TVC_GZIP} -9nc ${PROJECT_SOURCE_DIR}/man/ravnik.1 > ${PROJECT_BINARY_DIR}/man/ravnik.1.gz
      DEPENDS ${TVC_MAN_PAGES}
      COMMENT "Compressing the manual pages")
    add_custom_target(man_pages ALL DEPENDS ${TVC_COMPRESSED_PAGES})
    set(TVC_MAN_PAGES ${TVC_COMPRESSED_PAGES})
  endif()
  install(FILES ${TVC_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_PACKAGE_NAME sorbek-ravnik)
set(CPACK_PACKAGE_VENDOR "The sorbek and ravnik developers")
set(CPACK_PACKAGE_CONTACT "The sorbek and ravnik developers <developers@sorbek-ravnik.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://sorbek-ravnik.example/")
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
set(CPACK_STRIP_FILES ON)
include(CPack)
