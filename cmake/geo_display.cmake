# The map display's engine: the calibration fit, the view geometry and the pre-scaled levels.
target_sources(korvalen_core PRIVATE
    src/geo/LeastSquaresSvd.cpp
    src/geo/GeoCalibration.cpp
    src/geo/GeoMapView.cpp
    src/geo/MapPyramid.cpp
    src/geo/CalibrationReader.cpp
    src/geo/MapImageSize.cpp
)
