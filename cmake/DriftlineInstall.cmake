# Installed like any desktop program (GNUInstallDirs): programs in bin, shared files in
# share/driftline, desktop entry, icon, AppStream metainfo, manual pages and bash completion;
# and the Debian package built from that tree by CPack.
set(DRIFTLINE_APP_ID org.driftline.Driftline)
set(DRIFTLINE_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/driftline)
set(data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS driftline-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/suite DESTINATION ${DRIFTLINE_SHARE_DIR}/examples)
install(FILES ${data}/completion/driftline-cli.bash RENAME driftline-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages: each program writes its own from the table its --help prints.
set(man_dir ${CMAKE_CURRENT_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${man_dir})
set(man_pages ${man_dir}/driftline-cli.1)
add_custom_command(OUTPUT ${man_dir}/driftline-cli.1
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:driftline-cli> -DARGUMENT=--help-man
          -DOUTPUT=${man_dir}/driftline-cli.1 -P ${PROJECT_SOURCE_DIR}/cmake/DriftlineRunToFile.cmake
  DEPENDS driftline-cli ${PROJECT_SOURCE_DIR}/cmake/DriftlineRunToFile.cmake
  COMMENT "Writing driftline-cli(1)" VERBATIM)

if(DRIFTLINE_BUILD_UI)
  install(TARGETS driftline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/ DESTINATION ${DRIFTLINE_SHARE_DIR}/help)
  install(FILES ${data}/${DRIFTLINE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${data}/${DRIFTLINE_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  string(TIMESTAMP DRIFTLINE_RELEASE_DATE "%Y-%m-%d" UTC)  # honours SOURCE_DATE_EPOCH
  configure_file(${data}/${DRIFTLINE_APP_ID}.metainfo.xml.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${DRIFTLINE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${DRIFTLINE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  list(APPEND man_pages ${man_dir}/driftline.1)
  add_custom_command(OUTPUT ${man_dir}/driftline.1
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:driftline> -DARGUMENT=--help-man
            -DOUTPUT=${man_dir}/driftline.1 -P ${PROJECT_SOURCE_DIR}/cmake/DriftlineRunToFile.cmake
    DEPENDS driftline ${PROJECT_SOURCE_DIR}/cmake/DriftlineRunToFile.cmake
    COMMENT "Writing driftline(1)" VERBATIM)
endif()
add_custom_target(driftline_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---------------------------------------------------------------- Debian package
# cpack -G DEB in the build folder (or scripts/package.sh) gives driftline_<version>_amd64.deb.
set(CPACK_PACKAGE_NAME driftline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${DRIFTLINE_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${DRIFTLINE_COMPANY_NAME} <${DRIFTLINE_MAIL_ADDRESS}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for radio-telescope controller logs")
set(CPACK_PACKAGE_DESCRIPTION
"Driftline is the viewer you keep open beside a radio-telescope controller. It
reads the controller's log files and derives, for every sample, the time, the
azimuth and altitude of the dish, the right ascension and declination it was
pointing at, the galactic coordinates and the detector voltage.
Any two quantities can be plotted against each other: watch a source drift
through the beam, zoom into a band, apply a better pointing correction, fit a
polynomial to the baseline or the peak, and export what is on screen as
comma-separated, space-separated or binary files.
The package holds the viewer (driftline, with a menu entry), the headless
driftline-cli for scripts, their manual pages, the help pages and an example
suite with a simulated drift scan.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DRIFTLINE_COMPANY_NAME} <${DRIFTLINE_MAIL_ADDRESS}>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${DRIFTLINE_WEB_ADDRESS}")
# Library dependencies come from the binaries themselves (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads these as plugins, out of sight of dpkg-shlibdeps: the SVG icon engine and image format
# draw the tool bar and window icons; Wayland sessions want their platform plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_SOURCE_IGNORE_FILES "/build.*/" "/\\\\.git/")
include(CPack)
