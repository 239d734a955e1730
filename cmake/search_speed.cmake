# Fast whole-area scoring for the self-search: kernels that score several positions per pass
# over the band, the exact early stop, and the cores shared out.
target_sources(korvalen_core PRIVATE
    src/joining/ScoreKernelGroup.cpp
    src/joining/ScoreKernelGroupAvx2.cpp
    src/joining/ScoreKernelGroupAvx512.cpp
    src/joining/SearchWorkers.cpp
    src/joining/WholeAreaSearch.cpp
    src/joining/SelfSearchSides.cpp
)

# The vector kernels are built for their instruction sets and called after a processor check.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$"
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set_source_files_properties(src/joining/ScoreKernelGroupAvx2.cpp PROPERTIES COMPILE_OPTIONS -mavx2)
    set_source_files_properties(src/joining/ScoreKernelGroupAvx512.cpp PROPERTIES
                                COMPILE_OPTIONS "-mavx512f;-mavx512bw")
endif()
