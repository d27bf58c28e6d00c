# Installation as a Linux desktop application, and the Debian package made from it
# (`cpack -G DEB` in the build folder, or `make package`).
#
#   bin/parvane, bin/parvane-cli
#   share/parvane/                      the program folder (support/ of the sources)
#   share/parvane/parvane.chm, help/    the user guide, built from guide/
#   share/applications/parvane.desktop  menu entry, opens .pvx files
#   share/mime/packages/parvane.xml     the .pvx type
#   share/icons/hicolor/*/apps/         the application icon
#   share/man/man1/parvane-cli.1.gz
include(GNUInstallDirs)

# Paths::AppDir() finds the program folder as <exe>/../share/parvane.
set(PARVANE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/parvane)
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
    message(WARNING "Parvane looks for its data in <exe>/../share/parvane: installing into "
                    "${CMAKE_INSTALL_BINDIR} and ${PARVANE_INSTALL_DATADIR} breaks that")
endif()

install(TARGETS parvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET parvane)
    install(TARGETS parvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The PDF printer that parvane-cli runs from its own folder.
if(TARGET parvane-pdf)
    install(TARGETS parvane-pdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# From the sources, not from <build>/support: tests run against the build tree's copy
# and may leave files there.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/support/ DESTINATION ${PARVANE_INSTALL_DATADIR}
    PATTERN ".*" EXCLUDE
    PATTERN "*~" EXCLUDE)
# The user guide built from guide/ (cmake/Guide.cmake): Help opens parvane.chm, or help/.
if(TARGET parvane_guide)
    install(FILES ${PARVANE_GUIDE_CHM} DESTINATION ${PARVANE_INSTALL_DATADIR})
    install(DIRECTORY ${PARVANE_GUIDE_WEBHELP}/ DESTINATION ${PARVANE_INSTALL_DATADIR}/help
        PATTERN ".*" EXCLUDE)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/parvane.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/parvane-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME parvane.xml)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/${size}x${size}/parvane.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/parvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages are installed compressed, without a time stamp in the gzip header so the
# package is reproducible.
set(PARVANE_MANPAGE ${PROJECT_BINARY_DIR}/packaging/parvane-cli.1)
add_custom_command(OUTPUT ${PARVANE_MANPAGE}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/parvane-cli.1 ${PARVANE_MANPAGE}
    COMMAND gzip -9nf ${PARVANE_MANPAGE}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/parvane-cli.1
    COMMENT "Compressing the man page"
    VERBATIM)
add_custom_target(parvane_manpage DEPENDS ${PARVANE_MANPAGE}.gz)
add_dependencies(parvane-cli parvane_manpage)
install(FILES ${PARVANE_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---------------------------------------------------------------------------
# The Debian package. dpkg-shlibdeps finds the library packages (libc, libstdc++, the
# Qt 6 libraries); what is run or loaded without being linked is listed by hand.
set(PARVANE_PACKAGE_MAINTAINER "Parvane maintainers <parvane@teskarro.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parvane)
set(CPACK_PACKAGE_VENDOR Teskarro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PARVANE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "help-authoring tool for HTML Help, Web Help and single-page HTML")
# The summary becomes the first line of the description; keep lines below 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Parvane keeps a help project: a folder of HTML topic pages and a project
file (.pvx) holding the table of contents, index keywords, context numbers
and templates. Topics are edited in a WYSIWYG editor, in their HTML source
or in an external editor, and previewed in place.
.
From one project Parvane builds a compiled HTML Help file (.chm, with
chmcmd), a Web Help site with a navigation tree and a keyword index, and a
single HTML page holding every topic. The parvane-cli command builds the
same outputs without a display, imports folders of pages and prints the
topic tree.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# chmcmd compiles HTML Help, qhelpgenerator Qt Help; the mime and desktop databases are refreshed by the
# triggers of these two packages when the files land in share/mime and share/applications.
# (Chromium's helper process, libqt6webenginecore6-bin, is not linked, but the symbols
# file of libqt6webenginecore6 makes dpkg-shlibdeps add it; the package test checks it.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fp-utils, qt6-documentation-tools, shared-mime-info, desktop-file-utils")
if(TARGET parvane)
    # xdg-open shows the built help; the X11 platform plugin comes with libqt6gui6, the
    # Wayland one is separate (without it Qt falls back to XWayland).
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
endif()

include(CPack)
