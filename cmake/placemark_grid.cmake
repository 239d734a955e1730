# The placemark grid and the grid pattern: KML placemarks, growing the grid, the pattern file
# and the loading of its numbered images; the command line, the form and the demo pattern.
target_sources(korvalen_core PRIVATE
    src/geo/FormatDistance.cpp
    src/geo/KmlPlacemarks.cpp
    src/geo/PlacemarkGrid.cpp
    src/images/GridPattern.cpp
    src/images/GridPatternImages.cpp
    src/geo/PatternCorners.cpp
)
target_sources(korvalen_cli_commands PRIVATE src/cli/CliGrid.cpp src/cli/CliJoinPattern.cpp)
if(TARGET korvalen_gui)
    target_sources(korvalen_gui PRIVATE
        src/geo/TavixPlacemarkGrid.cpp
        src/app/TavixMainGrid.cpp
    )
endif()
if(TARGET korvalen_demo)
    target_sources(korvalen_demo PRIVATE src/demo/DemoPattern.cpp)
endif()
