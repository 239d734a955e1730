# Tests of the calibration formats, their numbers and the UTM series.
korvalen_test(GeoFormatTest geo/GeoFormatTest.cpp)
korvalen_test(UtmTest geo/UtmTest.cpp)
korvalen_test(CalibrationWriterTest geo/CalibrationWriterTest.cpp)
target_compile_definitions(CalibrationWriterTest
    PRIVATE KORVALEN_GEO_EXPECTED_DIR="${CMAKE_CURRENT_SOURCE_DIR}/geo/expected")
korvalen_test(CalibPointsTest geo/CalibPointsTest.cpp)
