# Tests of single-map adjustment: turning, cutting, shading and the angle finder.
korvalen_test(MapAdjustTest images/MapAdjustTest.cpp)
korvalen_test(AngleFinderTest images/AngleFinderTest.cpp)
if(KORVALEN_GUI)
    korvalen_form_test(AdjustWindowTest images/AdjustWindowTest.cpp)
endif()
if(KORVALEN_GUI)
    korvalen_form_test(AdjustCommandsTest app/AdjustCommandsTest.cpp)
endif()
