# The demo map maker: draws a made-up topographic map with QPainter and cuts it into
# overlapping tiles with known offsets (the demo set in demo/ and test fixtures).
add_library(korvalen_demo STATIC
    src/demo/DemoGeometry.cpp
    src/demo/DemoMap.cpp
    src/demo/DemoTiles.cpp
    src/demo/DemoMbTiles.cpp
)
target_include_directories(korvalen_demo PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(korvalen_demo PUBLIC korvalen_core Qt6::Gui)

add_executable(korvalen-demo src/demo/MakeDemoMaps.cpp)
target_link_libraries(korvalen-demo PRIVATE korvalen_demo)
