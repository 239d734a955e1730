# The map display control and the calibration forms, offscreen.
korvalen_form_test(GeoMapControlTest geo/GeoMapControlTest.cpp)
korvalen_form_test(GeoMapFormsTest geo/GeoMapFormsTest.cpp)
korvalen_form_test(CalibrateCommandTest geo/CalibrateCommandTest.cpp)
