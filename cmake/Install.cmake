# Install rules and the Debian package (`cpack -G DEB` in the build folder).
set(desktop_src ${PROJECT_SOURCE_DIR}/resources/desktop)
set(desktop_out ${CMAKE_BINARY_DIR}/desktop)
set(LUDRA_RELEASE_EPOCH 1796601600)  # 2026-12-07, the release of the metainfo and the changelog

install(TARGETS ludra ludra-audit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The compilers' notes of themselves are of no use at run time (after the strip of the package).
if(CMAKE_OBJCOPY)
  foreach(program ludra ludra-audit)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section .comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
      COMMAND_ERROR_IS_FATAL ANY)")
  endforeach()
endif()

# The menu entry and the metainfo with their texts in every language of the translations.
find_package(Qt6 REQUIRED COMPONENTS Core)
add_executable(ludra-desktop-files ${PROJECT_SOURCE_DIR}/tools/desktop-files.cpp)
target_link_libraries(ludra-desktop-files PRIVATE Qt6::Core)
configure_file(${desktop_src}/${LUDRA_APP_ID}.metainfo.xml.in
               ${desktop_out}/${LUDRA_APP_ID}.metainfo.xml.in @ONLY)
set(entry ${desktop_out}/${LUDRA_APP_ID}.desktop)
set(metainfo ${desktop_out}/${LUDRA_APP_ID}.metainfo.xml)
add_custom_command(
  OUTPUT ${entry} ${metainfo}
  COMMAND ludra-desktop-files ${desktop_src}/${LUDRA_APP_ID}.desktop.in ${entry} ${LUDRA_TRANSLATIONS}
  COMMAND ludra-desktop-files ${metainfo}.in ${metainfo} ${LUDRA_TRANSLATIONS}
  DEPENDS ludra-desktop-files ${desktop_src}/${LUDRA_APP_ID}.desktop.in ${metainfo}.in
          ${LUDRA_TRANSLATIONS}
  COMMENT "Translating the menu entry and the metainfo"
  VERBATIM)
add_custom_target(desktop-files ALL DEPENDS ${entry} ${metainfo})
# The menu entry names the program alone where every session's PATH finds it (/usr/bin: the
# Debian package), else by its full path, so that an install under ~/.local or /opt is listed and
# starts. Decided at install time, which may choose its own prefix.
install(CODE "set(LUDRA_ENTRY \"${entry}\")
  set(LUDRA_ENTRY_DIR \"${CMAKE_INSTALL_DATADIR}/applications\")
  set(LUDRA_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallEntry.cmake)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

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
# Two packages of one build are the same to the byte: every time in them is SOURCE_DATE_EPOCH,
# the time of the source's last commit when the caller sets none (read when cpack runs).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE} @ONLY CONTENT [[
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "@PROJECT_SOURCE_DIR@" log -1 --format=%ct
                  OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT time MATCHES "^[0-9]+$")
    set(time @LUDRA_RELEASE_EPOCH@)  # no repository (a source tarball): the release's date
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${time}")
endif()
]])
if(NOT LUDRA_HARDENED)
  message(WARNING "This build is not hardened (dpkg-buildflags): it makes no package for Debian.")
endif()
include(CPack)
