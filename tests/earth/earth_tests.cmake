korvalen_test(CapturePlanTest earth/CapturePlanTest.cpp)
korvalen_test(CaptureScanTest earth/CaptureScanTest.cpp)
korvalen_test(TileMapViewTest earth/TileMapViewTest.cpp)
korvalen_test(TileCaptureTest earth/TileCaptureTest.cpp)
