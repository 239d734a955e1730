# Single-map adjustment: turning, cutting and shading a map, and finding its angle.
target_sources(korvalen_core PRIVATE
    src/images/RotateBitmap.cpp
    src/images/MapAdjust.cpp
)
target_sources(korvalen_core PRIVATE src/images/AngleFinder.cpp)
