# Tests of single-map adjustment: turning, cutting, shading and the angle finder.
korvalen_test(MapAdjustTest images/MapAdjustTest.cpp)
korvalen_test(AngleFinderTest images/AngleFinderTest.cpp)
