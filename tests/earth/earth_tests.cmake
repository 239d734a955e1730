korvalen_test(CapturePlanTest earth/CapturePlanTest.cpp)
korvalen_test(CaptureScanTest earth/CaptureScanTest.cpp)
