# The correlation self-search: scoring kernels, search area and ring walk, the search itself and
# the preview's overlap correlation.
target_sources(korvalen_core PRIVATE
    src/joining/ScoreKernel.cpp
    src/joining/ScoreKernelAvx2.cpp
    src/joining/SearchArea.cpp
    src/joining/SelfSearch.cpp
    src/joining/OverlapCorrelation.cpp
)

# Only the AVX2 kernel is built for AVX2; it is called after a processor check at run time.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$"
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set_source_files_properties(src/joining/ScoreKernelAvx2.cpp PROPERTIES COMPILE_OPTIONS -mavx2)
endif()
