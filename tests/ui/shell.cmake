zelt_ui_test(tst_livedisplay LIBS zelt_shell)
zelt_ui_test(tst_mainwindow LIBS zelt_shell zelt_resources)
# The suite reads the main window's form.
set_property(TARGET tst_mainwindow PROPERTY AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/main)
zelt_ui_test(tst_livetables LIBS zelt_shell zelt_resources)
set_property(TARGET tst_livetables PROPERTY AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/main)
zelt_ui_test(tst_polltable LIBS zelt_shell zelt_resources)
zelt_ui_test(tst_quietwindow LIBS zelt_shell zelt_resources)
