# Capture from a map view: the globe interface, planning and scan, the tile map view.
find_package(SQLite3 REQUIRED)
find_package(PNG REQUIRED)
target_sources(korvalen_core PRIVATE
    src/earth/EarthApplication.cpp
    src/earth/CapturePlan.cpp
    src/earth/CaptureScan.cpp
    src/earth/ViewGeometry.cpp
    src/earth/ScriptedEarth.cpp
)
target_link_libraries(korvalen_core PUBLIC SQLite::SQLite3 PNG::PNG)
