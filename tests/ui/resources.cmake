zelt_ui_test(tst_resources LIBS zelt_resources Qt5::Widgets)
# The catalogue completeness check scans the program's sources with lupdate.
get_target_property(zelt_lupdate Qt5::lupdate IMPORTED_LOCATION)
target_compile_definitions(tst_resources PRIVATE ZELT_LUPDATE="${zelt_lupdate}"
                           ZELT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
