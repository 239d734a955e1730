# Tests of the manual joining tools' geometry.
korvalen_test(ToolGeometryTest joining/ToolGeometryTest.cpp)
