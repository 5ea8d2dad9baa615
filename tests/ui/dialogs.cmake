zelt_ui_test(tst_dialogs LIBS zelt_dialogs)
