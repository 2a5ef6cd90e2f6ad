# Packages (`make package`): on Linux a Debian package of the whole program, in the
# Windows cross build a zip. The desktop program's own files (help, font,
# desktop entry, icon) are installed by app/CMakeLists.txt.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME kalora)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the КАЛОРА-5 thermal measurement instrument")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Everything in one folder: the programs stand alone (static runtime, static Qt). With
  # the desktop program (built when the static Qt for Windows is there) it is the whole
  # program, with its help, grid font and a short note for the user; else kalora-cli.
  install(TARGETS kalora-cli RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(TARGET kalora)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/readme-windows.txt DESTINATION . RENAME "ПРОЧТИТЕ.txt")
    set(CPACK_PACKAGE_FILE_NAME kalora-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME kalora-cli-${PROJECT_VERSION}-win64)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  install(TARGETS kalora-cli kalora-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
  set(CPACK_GENERATOR DEB)
  # The package installs where the program was built for: the help folder and the
  # desktop entry name paths under the install prefix (`make package` builds for /usr).
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora <support@velmora.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Downloads the memory of the КАЛОРА-5 over a serial line (or reads a .bin image),\n"
      "decodes its stationary, probe and heat-flow measurements into a database, shows\n"
      "them in grids for remarks, sorting and colours, prints and exports them, and\n"
      "computes the thermal resistance and U-value of a wall from a heat-flow series.\n"
      "Russian user interface. Also kalora-cli (the same work without windows) and\n"
      "kalora-sim (an instrument simulator on a pseudo-terminal).")
  string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Russian texts in Qt's own dialogs (print, file).
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()

include(CPack)
