# Installation and the Debian package: the program, the simulated instrument (and
# the command-line tool once it is built), a desktop entry with the program's icon.
#   cmake --build build --target package     ->  build/zelt_<version>_<arch>.deb
include(GNUInstallDirs)

foreach(program zelt zelt-sim zeltctl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/zelt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/images/QuarnIcon1.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME zelt.png)
# Spreadsheet templates, when the build makes them.
if(EXISTS ${CMAKE_BINARY_DIR}/Template)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/Template/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zelt/Template)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Palvex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Palvex Zelt Config System: configures and watches Zelt weighing transmitters")
set(CPACK_PACKAGE_CONTACT "Zelt Config developers <zelt@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies are read off the binaries; fonts for the Chinese texts are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "socat")
set(CPACK_STRIP_FILES ON)
include(CPack)
