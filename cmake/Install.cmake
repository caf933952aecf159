# Installation and the Debian package.
#
#   cmake --install build --prefix /usr        (or DESTDIR=... for a staging tree)
#   cd build && cpack -G DEB                   -> voran_<version>_amd64.deb
#
# An installed program keeps its program folder (Support/, Help/) per user in
# ~/.local/share/voran, made once as a copy of share/voran (Paths.h).
include(GNUInstallDirs)

set(VORAN_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

foreach(program voran voran-cli k900-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        # Man pages carry the version; Debian wants them compressed.
        set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
        configure_file(${VORAN_PACKAGING}/man/${program}.1.in ${page} @ONLY)
        add_custom_command(OUTPUT ${page}.gz
            COMMAND gzip -9nc ${page} > ${page}.gz
            DEPENDS ${page} VERBATIM)
        list(APPEND VORAN_MAN_PAGES ${page}.gz)
    endif()
endforeach()
add_custom_target(voran_man_pages ALL DEPENDS ${VORAN_MAN_PAGES})
install(FILES ${VORAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${VORAN_PACKAGING}/voran.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VORAN_PACKAGING}/voran.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# PNG sizes for desktops that do not draw SVG icons.
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${VORAN_PACKAGING}/icons/voran-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME voran.png)
endforeach()
# The .sdt set-up file type, so that a file manager opens set-up files with
# voran (the desktop entry declares it); shared-mime-info's trigger updates
# the database.
install(FILES ${VORAN_PACKAGING}/voran-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    RENAME voran.xml)
# The operators' manual (also built into the program for Help > Help Topics),
# the copyright and the changelog.
install(FILES ${VORAN_PACKAGING}/manual/index.html
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/voran/manual)
install(FILES ${VORAN_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/voran)
configure_file(${VORAN_PACKAGING}/changelog.Debian.in ${CMAKE_BINARY_DIR}/changelog.Debian @ONLY)
# The package is native (no Debian revision): its changelog is changelog.gz.
set(VORAN_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${VORAN_CHANGELOG}
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/changelog.Debian > ${VORAN_CHANGELOG}
    DEPENDS ${CMAKE_BINARY_DIR}/changelog.Debian VERBATIM)
add_custom_target(voran_changelog ALL DEPENDS ${VORAN_CHANGELOG})
install(FILES ${VORAN_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/voran)
# The demonstration: the preset `k900-sim --demo` runs, the program set its
# board holds and sample fault texts.
install(FILES ${PROJECT_SOURCE_DIR}/presets/demo.preset ${PROJECT_SOURCE_DIR}/presets/DEMO.tnx
    ${PROJECT_SOURCE_DIR}/presets/DEMO.rev ${PROJECT_SOURCE_DIR}/presets/DEMO.hex
    ${PROJECT_SOURCE_DIR}/Support/FaultErrCodes.txt
    ${PROJECT_SOURCE_DIR}/Support/CommErrCodes.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/voran/examples)
# The defaults of the per-user program folder; an administrator may add the
# site's fault-text files and help file here for users who start later.
# Must stay the kInstalledDefaults folder relative to the bin folder.
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
    message(WARNING "The installed programs look for their defaults in ../share/voran "
                    "beside their bin folder (kInstalledDefaults in src/platform/Paths.h).")
endif()
install(DIRECTORY ${VORAN_PACKAGING}/defaults/ DESTINATION ${CMAKE_INSTALL_DATADIR}/voran)
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/voran/Help)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QTR-VORAN Set-up Utility for the K-900 controller board")
# The long description, under the summary line.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The desktop program with which an operator watches and sets up a"
    "can-processing line through its K-900 controller board over RS-232:"
    "live shift counts and alarms, set-up parameters, PLS timing channels and"
    "set-up files. With voran-cli, the link from the command line, and"
    "k900-sim, a simulated board for trying the program without hardware.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VORAN developers <voran-dev@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt 6 libraries, the C++ runtime and libc, from what the programs link
# (dpkg-shlibdeps), so a Qt module the programs start to use is added by itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 platform plugin comes with libqt6gui6 (Wayland sessions run it through
# XWayland); the native Wayland plugin pulls in Qt Quick, so it is only suggested.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
# The report is drawn with Liberation Serif: the same metrics, so the same
# page breaks, on every machine. The history database's SQLite driver is a
# Qt plugin, which dpkg-shlibdeps does not see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libqt6sql6-sqlite")
set(CPACK_STRIP_FILES ON)
include(CPack)
