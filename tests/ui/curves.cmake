zelt_ui_test(tst_maininterface LIBS zelt_pages)
