# What a system install holds beyond the library and the programs, and the
# Debian package scripts/package.sh makes of it with CPack: bash completion,
# the designer's desktop entry, icon and form file types, the copyright and
# changelog Debian asks for.

set(KEYLOOM_PACKAGE_MAINTAINER "The Keyloom developers <keyloom@example.org>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")
set(KEYLOOM_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/keyloom)

install(FILES packaging/keyloom.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME keyloom)
if(TARGET keyloom-designer)
  install(FILES packaging/keyloom-designer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/keyloom-designer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES packaging/keyloom-forms.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME keyloom.xml)
endif()

# The copyright; the command carries jemalloc inside it when linked statically,
# and jemalloc's license asks for its notice to go with it.
string(TIMESTAMP KEYLOOM_COPYRIGHT_YEARS "%Y" UTC)
configure_file(packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
get_property(KEYLOOM_STATIC_JEMALLOC GLOBAL PROPERTY KEYLOOM_STATIC_JEMALLOC)
file(GLOB KEYLOOM_JEMALLOC_COPYRIGHT /usr/share/doc/libjemalloc2/copyright /usr/share/doc/libjemalloc-dev/copyright)
if(KEYLOOM_STATIC_JEMALLOC AND KEYLOOM_JEMALLOC_COPYRIGHT)
  list(GET KEYLOOM_JEMALLOC_COPYRIGHT 0 Notice)
  file(READ ${Notice} Notice)
  file(APPEND ${PROJECT_BINARY_DIR}/packaging/copyright
    "\nThe keyloom command is linked with jemalloc, whose copyright and license follow.\n\n${Notice}")
endif()
string(TIMESTAMP KEYLOOM_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
find_program(KEYLOOM_GZIP gzip)
if(KEYLOOM_GZIP)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${KEYLOOM_GZIP} -9 -n -k -f ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
  add_custom_target(keyloom-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${KEYLOOM_PACKAGE_DOC_DIR})
endif()
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright DESTINATION ${KEYLOOM_PACKAGE_DOC_DIR})

# The package itself. The programs are stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${KEYLOOM_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KEYLOOM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard accelerators for the captions of form files")
set(CPACK_PACKAGE_DESCRIPTION "Keyloom chooses the keyboard accelerators (the character marked with &) of
the captions in visual form files (.dfm, .lfm), so that every group of
sibling controls and menu items shows unique, sensible letters.

The package holds the keyloom command, which assigns, checks (also as SARIF
for code scanning) and measures accelerators in form files; the desktop
program keyloom-designer, which shows a form and opens the editor window on
it; and the C++ library with its headers and CMake package.")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(TARGET keyloom-designer)
  # Qt's platform plugins (a window on X or Wayland, and the offscreen pictures).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_STRIP_FILES ${CMAKE_INSTALL_BINDIR}/keyloom)
if(TARGET keyloom-designer)
  list(APPEND CPACK_STRIP_FILES ${CMAKE_INSTALL_BINDIR}/keyloom-designer)
endif()
# Archives keep their symbols, which linking needs, but not their debugging information.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageArchives.cmake)
find_program(KEYLOOM_DPKG dpkg)
if(KEYLOOM_DPKG)
  execute_process(COMMAND ${KEYLOOM_DPKG} --print-architecture OUTPUT_VARIABLE KEYLOOM_DEB_ARCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KEYLOOM_DEB_ARCH})
  set(CPACK_DEBIAN_FILE_NAME keyloom_${PROJECT_VERSION}_${KEYLOOM_DEB_ARCH}.deb)
endif()
include(CPack)
