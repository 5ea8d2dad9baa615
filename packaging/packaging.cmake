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
# The spreadsheet templates, made from the parameter catalogue at build time.
add_executable(zelt-make-templates ${CMAKE_CURRENT_LIST_DIR}/maketemplates.cpp)
target_link_libraries(zelt-make-templates PRIVATE zelt_files)
set(zelt_templates ${CMAKE_BINARY_DIR}/Template/QuarnT-Zelt_EN.xlsx
                   ${CMAKE_BINARY_DIR}/Template/QuarnT-Zelt_CN.xlsx)
add_custom_command(OUTPUT ${zelt_templates}
                   COMMAND zelt-make-templates ${CMAKE_BINARY_DIR}/Template
                   DEPENDS zelt-make-templates
                   COMMENT "Spreadsheet templates from the parameter catalogue")
add_custom_target(zelt_templates ALL DEPENDS ${zelt_templates})
install(FILES ${zelt_templates} DESTINATION ${CMAKE_INSTALL_DATADIR}/zelt/Template)

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
