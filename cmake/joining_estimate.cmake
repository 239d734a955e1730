# The overlap estimate of a join (FFT correlation of the facing halves) and the brightness
# pictures it and the brightness comparison work on.
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFTW3 REQUIRED IMPORTED_TARGET fftw3)
target_sources(korvalen_core PRIVATE
    src/joining/Brightness.cpp
    src/joining/OverlapEstimate.cpp
    src/joining/DetailBand.cpp
)
target_link_libraries(korvalen_core PUBLIC PkgConfig::FFTW3)
