zelt_ui_test(tst_resources LIBS zelt_resources Qt5::Widgets)
