zelt_ui_test(tst_linkfaults LIBS zelt_shell zelt_resources)
# The suite reads the main window's form.
set_property(TARGET tst_linkfaults PROPERTY AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/main)
zelt_ui_test(tst_commwindow LIBS zelt_shell zelt_resources)
