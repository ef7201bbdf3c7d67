# Install rules and the Debian package (`cpack -G DEB` in the build folder).
set(desktop_src ${PROJECT_SOURCE_DIR}/resources/desktop)
set(desktop_out ${CMAKE_BINARY_DIR}/desktop)

install(TARGETS ludra ludra-audit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The compilers' notes of themselves are of no use at run time (after the strip of the package).
if(CMAKE_OBJCOPY)
  foreach(program ludra ludra-audit)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section .comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
      COMMAND_ERROR_IS_FATAL ANY)")
  endforeach()
endif()
install(FILES ${desktop_src}/${LUDRA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${desktop_src}/${LUDRA_APP_ID}.metainfo.xml.in
               ${desktop_out}/${LUDRA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${desktop_out}/${LUDRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the SVG as it is, and the PNGs the program's own build renders from it.
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/ludra.svg
        DESTINATION ${icon_dir}/scalable/apps RENAME ${LUDRA_APP_ID}.svg)
foreach(size ${LUDRA_APP_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/ui/rendered/pictures/ludra-${size}x${size}.png
          DESTINATION ${icon_dir}/${size}x${size}/apps RENAME ${LUDRA_APP_ID}.png)
endforeach()

# Manual pages and the package's changelog, compressed as Debian wants them (no time stamp).
set(gzipped "")
foreach(page ludra.1 ludra-audit.1)
  configure_file(${desktop_src}/${page} ${desktop_out}/${page} @ONLY)
  list(APPEND gzipped ${page})
endforeach()
configure_file(${desktop_src}/changelog.Debian.in ${desktop_out}/changelog.Debian @ONLY)
list(APPEND gzipped changelog.Debian)
set(gzipped_files "")
foreach(file ${gzipped})
  add_custom_command(OUTPUT ${desktop_out}/${file}.gz
                     COMMAND gzip -9nc ${desktop_out}/${file} > ${desktop_out}/${file}.gz
                     DEPENDS ${desktop_out}/${file})
  list(APPEND gzipped_files ${desktop_out}/${file}.gz)
endforeach()
add_custom_target(install-docs ALL DEPENDS ${gzipped_files})
install(FILES ${desktop_out}/ludra.1.gz ${desktop_out}/ludra-audit.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${desktop_out}/changelog.Debian.gz ${desktop_src}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ludra)
install(FILES ${desktop_src}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ludra)

set(CPACK_PACKAGE_NAME ludra)
set(CPACK_PACKAGE_VENDOR "The Ludra developers")
set(CPACK_PACKAGE_CONTACT "The Ludra developers <maintainers@users.noreply.c-seed-b51c881f.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "game list, settings and start of the arcade emulator tavi.exe")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Ludra keeps the catalogue of the games that the arcade emulator tavi.exe\n"
       "runs, audits the ROM archives, shows the games in a window with their\n"
       "screenshots, keeps each game's options and starts the emulator with them\n"
       "(through wine for a Windows build). ludra-audit prints the audit without\n"
       "a window.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs the toolkit's platform plug-ins (not a library dependency); SVG screenshots
# need its SVG plug-in, game controllers SDL (loaded when the window is shown).
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# Qt's own dialogs (file chooser, message box buttons) in the user's language; SDL for game
# controllers, which the window loads when it is there; Qt's Wayland plug-in, without which a
# Wayland desktop gets a warning and an XWayland window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, qt6-translations-l10n, libsdl2-2.0-0, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
if(NOT LUDRA_HARDENED)
  message(WARNING "This build is not hardened (dpkg-buildflags): it makes no package for Debian.")
endif()
include(CPack)
