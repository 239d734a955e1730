# The geometry of the manual joining tools: search band definition, join points, manual move.
target_sources(korvalen_core PRIVATE
    src/joining/BandAreaGeometry.cpp
    src/joining/JoinPointsGeometry.cpp
    src/joining/MoveMapGeometry.cpp
)
