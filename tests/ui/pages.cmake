zelt_ui_test(tst_pages LIBS zelt_pages)
zelt_ui_test(tst_calpage LIBS zelt_pages)
zelt_ui_test(tst_digsensors LIBS zelt_pages)
zelt_ui_test(tst_testpage LIBS zelt_pages)
