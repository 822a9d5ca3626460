# Install rules: both programs in bin/, the two sounds in share/sparkler/ (the program finds
# them there as ../share/sparkler relative to itself), the desktop entry, the AppStream entry,
# the icons in the hicolor theme, the manual pages (compressed), the copyright file, and the
# XScreenSaver hack (a launcher in libexec/xscreensaver) with its settings file.
# Everything is relative to the prefix, so a package and `cmake --install --prefix` agree.
set(CMAKE_INSTALL_DOCDIR share/doc/sparkler CACHE PATH "Documentation directory")
include(GNUInstallDirs)

set(SPARKLER_APP_ID org.sparklerdemo.sparkler CACHE STRING "Desktop and AppStream id of the program")
set(SPARKLER_HOMEPAGE https://sparklerdemo.org CACHE STRING "Home page, also where the screenshot is published")
set(dist ${PROJECT_SOURCE_DIR}/dist)
set(dist_out ${PROJECT_BINARY_DIR}/dist)

install(TARGETS sparkler sparkler-replay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES assets/Sparkler.wav assets/BackgroundSound.wav DESTINATION ${CMAKE_INSTALL_DATADIR}/sparkler)

install(PROGRAMS ${dist}/xscreensaver/sparkler DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES ${dist}/xscreensaver/sparkler.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

configure_file(${dist}/sparkler.desktop.in ${dist_out}/${SPARKLER_APP_ID}.desktop @ONLY)
configure_file(${dist}/sparkler.metainfo.xml.in ${dist_out}/${SPARKLER_APP_ID}.metainfo.xml @ONLY)
install(FILES ${dist_out}/${SPARKLER_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist_out}/${SPARKLER_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(size 16 22 24 32 48 64 128 256)
  install(FILES assets/icons/sparkler-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${SPARKLER_APP_ID}.png)
endforeach()
install(FILES assets/icons/sparkler.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${SPARKLER_APP_ID}.svg)

# Manual pages and the changelog are installed gzipped, as Debian wants them; -n keeps the
# name and time out, so the same sources give the same bytes.
find_program(SPARKLER_GZIP gzip REQUIRED)
set(compressed)
foreach(page sparkler.6 sparkler-replay.6)
  configure_file(${dist}/${page}.in ${dist_out}/${page} @ONLY)
  list(APPEND compressed ${dist_out}/${page})
endforeach()
configure_file(${dist}/changelog ${dist_out}/changelog COPYONLY)
list(APPEND compressed ${dist_out}/changelog)
set(gzipped)
foreach(file ${compressed})
  add_custom_command(OUTPUT ${file}.gz
                     COMMAND ${SPARKLER_GZIP} -9 -n -c ${file} > ${file}.gz
                     DEPENDS ${file} VERBATIM)
  list(APPEND gzipped ${file}.gz)
endforeach()
add_custom_target(sparkler_dist_files ALL DEPENDS ${gzipped})
install(FILES ${dist_out}/sparkler.6.gz ${dist_out}/sparkler-replay.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${dist_out}/changelog.gz ${dist}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
