# Installs the menu entry (run by `cmake --install`): LUDRA_ENTRY the built entry, LUDRA_ENTRY_DIR
# and LUDRA_BINDIR relative to the install prefix. Outside /usr/bin, Exec= and TryExec= name the
# program by its full path, which a prefix of plain characters keeps readable to every launcher
# without quoting; any other prefix keeps the bare name (and needs its bin folder on the PATH).
set(bindir "${CMAKE_INSTALL_PREFIX}/${LUDRA_BINDIR}")
file(READ "${LUDRA_ENTRY}" text)
if(NOT bindir STREQUAL "/usr/bin")
  if(bindir MATCHES "^/[A-Za-z0-9/._+-]*$")
    foreach(key Exec TryExec)
      string(REPLACE "\n${key}=ludra" "\n${key}=${bindir}/ludra" text "${text}")
    endforeach()
  else()
    message(WARNING "The menu entry names ludra alone: \"${bindir}\" cannot be written in it "
                    "as it is; put that folder on the PATH.")
  endif()
endif()
get_filename_component(name "${LUDRA_ENTRY}" NAME)
get_filename_component(dir "${LUDRA_ENTRY}" DIRECTORY)
set(staged "${dir}/installed/${name}")
file(WRITE "${staged}" "${text}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${LUDRA_ENTRY_DIR}" TYPE FILE FILES "${staged}")
