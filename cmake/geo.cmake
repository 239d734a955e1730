# Calibration: the reference-point table, the seven file formats, UTM and the world-file fit.
target_sources(korvalen_core PRIVATE
    src/geo/CalibPoints.cpp
    src/geo/CalibPointsText.cpp
    src/geo/CalibrationWriter.cpp
    src/geo/GeoFormat.cpp
    src/geo/Utm.cpp
    src/geo/WorldFile.cpp
)
