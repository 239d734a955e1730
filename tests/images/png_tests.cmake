# PNG maps: the reader against files made by ImageMagick and by Qt.
korvalen_test(PngCodecTest images/PngCodecTest.cpp)
if(KORVALEN_GUI)
    korvalen_form_test(PngFromQtTest images/PngFromQtTest.cpp)
endif()
