# Tests of placemark files, the placemark grid, the grid pattern and their commands.
korvalen_test(KmlPlacemarksTest geo/KmlPlacemarksTest.cpp)
korvalen_test(PlacemarkGridTest geo/PlacemarkGridTest.cpp)
korvalen_test(GridPatternTest images/GridPatternTest.cpp)
korvalen_test(GridFirstJoinTest joining/GridFirstJoinTest.cpp)
korvalen_test(CliGridTest cli/CliGridTest.cpp)
target_link_libraries(CliGridTest PRIVATE korvalen_cli_commands)

if(KORVALEN_GUI)
    korvalen_form_test(PatternEndToEndTest demo/PatternEndToEndTest.cpp)
    target_link_libraries(PatternEndToEndTest PRIVATE korvalen_demo)
endif()
