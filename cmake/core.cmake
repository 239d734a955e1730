# The engine: standard C++ and libjpeg only, no Qt.
add_library(korvalen_core STATIC
    src/images/Bitmap.cpp
    src/images/PixelMemory.cpp
    src/images/Palette.cpp
    src/images/PixelConvert.cpp
    src/images/BitmapOps.cpp
    src/images/BmpReader.cpp
    src/images/BmpWriter.cpp
    src/images/JpegCodec.cpp
    src/images/JpegStrips.cpp
    src/images/FileAccess.cpp
    src/images/MapFiles.cpp
    src/images/MapMatrix.cpp
    src/images/NamingOrder.cpp
    src/images/ResultFileNames.cpp
    src/core/IniFile.cpp
    src/core/Settings.cpp
    src/core/SettingsLocation.cpp
    src/core/Translator.cpp
    src/core/TranslationTable.cpp
)
target_include_directories(korvalen_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
find_package(Threads REQUIRED)
target_link_libraries(korvalen_core PUBLIC JPEG::JPEG Threads::Threads)

# The engine must stay free of Qt so that it builds and tests without a display.
get_target_property(_core_libs korvalen_core LINK_LIBRARIES)
foreach(_lib IN LISTS _core_libs)
    if(_lib MATCHES "Qt")
        message(FATAL_ERROR "korvalen_core must not link ${_lib}")
    endif()
endforeach()
