# The map display control and the two calibration forms.
target_sources(korvalen_gui PRIVATE
    src/geo/GeoMap.cpp
    src/geo/GeoMapFormBase.cpp
    src/geo/TavixGeoMap.cpp
    src/geo/TavixShowGeoMap.cpp
    src/app/TavixMainCalibrate.cpp
)
