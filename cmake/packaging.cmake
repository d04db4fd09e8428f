# What gets installed, and how CPack packs it: a Debian package from the
# Linux build, a zip from the Windows build. Everything is installed as the
# component "brisquel" and CPack packs only that component, so install rules
# that other code may bring along (test frameworks) never reach a package.
# The version is the project's own, from project(VERSION).
if(NOT TARGET brisquel)
  return()
endif()

set(BRISQUEL_PACKAGING_SOURCE ${CMAKE_CURRENT_LIST_DIR}/..)
set(BRISQUEL_PACKAGING_OUTPUT ${PROJECT_BINARY_DIR}/packaging)
set(BRISQUEL_MAINTAINER
    "Seed 0ce22a9e maintainers <maintainers@users.noreply.c-seed-0ce22a9e.example>")

set(CPACK_PACKAGE_NAME brisquel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "BRISQUEL developers")
set(CPACK_PACKAGE_CONTACT ${BRISQUEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "list the desktop's top-level windows and search their titles")
# The extended description as Debian shows it: lines of at most 72
# characters, and an empty line between paragraphs.
set(CPACK_PACKAGE_DESCRIPTION [=[
BRISQUEL takes one snapshot of the desktop's top-level windows and
reports on it. Given one or more texts, it prints every window whose
title contains any of them and exits with status 1 if one did, 0 if none
did, so that shell scripts can tell whether an application window is
open.

It can also list every titled window with its X window id, process and
owner (the window a dialog belongs to), or with its window class. It
reads X11 desktops, Wayland desktops whose compositor offers the wlr
foreign-toplevel protocol (sway and other wlroots compositors), KDE
Plasma on Wayland through KWin's window list, which the package's
desktop file lets it read, and GNOME on Wayland through the GNOME Shell
extension it installs, which each user enables once. It never changes a
window.
Its reports are those of the Windows program of the same name, which
is built from the same sources.]=])
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};brisquel;/")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # The zip holds the program exactly as built (tests compare it byte for
  # byte) and a plain-text README with the line ends Windows expects.
  configure_file(${BRISQUEL_PACKAGING_SOURCE}/man/README-win32.txt
                 ${BRISQUEL_PACKAGING_OUTPUT}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS brisquel RUNTIME DESTINATION . COMPONENT brisquel)
  install(FILES ${BRISQUEL_PACKAGING_OUTPUT}/README.txt DESTINATION . COMPONENT brisquel)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME brisquel-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES OFF)
else()
  include(GNUInstallDirs)
  find_program(BRISQUEL_GZIP gzip REQUIRED)

  # Debian wants the manual page and the changelog gzipped at maximum
  # compression and without a time stamp inside (-n), so that rebuilding
  # gives the same bytes.
  configure_file(${BRISQUEL_PACKAGING_SOURCE}/man/brisquel.1
                 ${BRISQUEL_PACKAGING_OUTPUT}/brisquel.1 @ONLY)

  # The package's dependencies are those of the libraries of the Debian
  # release it is built on (Debian 12 has libunistring2, Debian 13
  # libunistring5), so the release is part of its version and file name:
  # 1.0+deb12 and 1.0+deb13, and 1.0+debtesting for testing and unstable
  # (which have no version number yet), the later release's the greater.
  cmake_host_system_information(RESULT BRISQUEL_DISTRIB_ID QUERY DISTRIB_ID)
  cmake_host_system_information(RESULT BRISQUEL_DISTRIB_VERSION QUERY DISTRIB_VERSION_ID)
  set(BRISQUEL_DEB_VERSION ${PROJECT_VERSION})
  if(BRISQUEL_DISTRIB_ID STREQUAL "debian" AND BRISQUEL_DISTRIB_VERSION MATCHES "^[0-9]+$")
    string(APPEND BRISQUEL_DEB_VERSION "+deb${BRISQUEL_DISTRIB_VERSION}")
  elseif(BRISQUEL_DISTRIB_ID STREQUAL "debian")
    string(APPEND BRISQUEL_DEB_VERSION "+debtesting")
  endif()

  string(TIMESTAMP BRISQUEL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(CONFIGURE OUTPUT ${BRISQUEL_PACKAGING_OUTPUT}/changelog
       CONTENT "brisquel (${BRISQUEL_DEB_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${BRISQUEL_MAINTAINER}  ${BRISQUEL_CHANGELOG_DATE}
")
  add_custom_command(
    OUTPUT ${BRISQUEL_PACKAGING_OUTPUT}/brisquel.1.gz ${BRISQUEL_PACKAGING_OUTPUT}/changelog.gz
    COMMAND ${BRISQUEL_GZIP} -9 -n -k -f brisquel.1 changelog
    DEPENDS ${BRISQUEL_PACKAGING_OUTPUT}/brisquel.1 ${BRISQUEL_PACKAGING_OUTPUT}/changelog
    WORKING_DIRECTORY ${BRISQUEL_PACKAGING_OUTPUT}
    COMMENT "Compressing the manual page and the changelog"
    VERBATIM)
  add_custom_target(brisquel_package_docs ALL
    DEPENDS ${BRISQUEL_PACKAGING_OUTPUT}/brisquel.1.gz ${BRISQUEL_PACKAGING_OUTPUT}/changelog.gz)

  # Both forms of the GNOME Shell extension, answering only the installed
  # program (the package's prefix is /usr, whatever the build's). GNOME
  # Shell loads the form whose metadata names its version; nothing enables
  # it: each user does that once (README, manual).
  brisquel_gnome_extensions(${BRISQUEL_PACKAGING_OUTPUT}/gnome-shell-extensions
                            /usr/${CMAKE_INSTALL_BINDIR}/brisquel)

  install(TARGETS brisquel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT brisquel)
  install(DIRECTORY ${BRISQUEL_PACKAGING_OUTPUT}/gnome-shell-extensions/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions COMPONENT brisquel)
  install(FILES ${BRISQUEL_PACKAGING_OUTPUT}/brisquel.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT brisquel)
  # KWin lists its windows only to a program that an application's
  # .desktop file names by its full path and grants the window list; the
  # entry stays out of menus.
  install(FILES ${BRISQUEL_PACKAGING_SOURCE}/packaging/brisquel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT brisquel)
  install(FILES ${BRISQUEL_PACKAGING_SOURCE}/packaging/copyright
                ${BRISQUEL_PACKAGING_OUTPUT}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT brisquel)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${BRISQUEL_DEB_VERSION})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BRISQUEL_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The program loads libwayland-client when a Wayland desktop is tried,
  # so the shared-library scan does not see it (1.20 brought the calls it
  # makes).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libwayland-client0 (>= 1.20)")
endif()

include(CPack)
