# PNG maps (screenshots, scans) are read by the engine through libpng.
find_package(PNG REQUIRED)
target_sources(korvalen_core PRIVATE src/images/PngCodec.cpp)
target_link_libraries(korvalen_core PUBLIC PNG::PNG)
