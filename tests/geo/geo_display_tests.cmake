# Tests of the map display's engine and of reading calibration files back.
korvalen_test(GeoCalibrationTest geo/GeoCalibrationTest.cpp)
korvalen_test(GeoMapViewTest geo/GeoMapViewTest.cpp)
korvalen_test(MapPyramidTest geo/MapPyramidTest.cpp)
korvalen_test(CalibrationReaderTest geo/CalibrationReaderTest.cpp)
korvalen_test(MapImageSizeTest geo/MapImageSizeTest.cpp)
