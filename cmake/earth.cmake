# Capture from a map view: the globe interface, planning and scan, the tile map view.
find_package(SQLite3 REQUIRED)
find_package(PNG REQUIRED)
target_sources(korvalen_core PRIVATE
    src/earth/EarthApplication.cpp
    src/earth/CapturePlan.cpp
    src/earth/CaptureScan.cpp
    src/earth/ViewGeometry.cpp
    src/earth/ScriptedEarth.cpp
    src/earth/WebMercator.cpp
    src/earth/TileSource.cpp
    src/earth/MbTilesSource.cpp
    src/earth/TileDecoder.cpp
    src/earth/TileMapView.cpp
    src/earth/MbTilesWriter.cpp
    src/earth/TileCapture.cpp
    src/earth/HttpFetch.cpp
    src/earth/UrlTileSource.cpp
)
target_link_libraries(korvalen_core PUBLIC SQLite::SQLite3 PNG::PNG)
# Tiles from a server: libcurl keeps the engine, and so the command line, free of Qt.
find_package(CURL REQUIRED)
target_link_libraries(korvalen_core PUBLIC CURL::libcurl)
set_source_files_properties(src/earth/UrlTileSource.cpp PROPERTIES
    COMPILE_DEFINITIONS KORVALEN_VERSION_TEXT="${PROJECT_VERSION}")

# The capture's forms.
if(TARGET korvalen_gui)
    target_sources(korvalen_gui PRIVATE
        src/earth/TGEPanel.cpp
        src/earth/TavixGE.cpp
        src/earth/TavixGEMap.cpp
        src/app/TavixMainCapture.cpp
        src/app/SettingsCommands.cpp
    )
endif()
