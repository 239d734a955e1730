# Tests of the join driver, the composition of the result map and the whole join of the demo maps.
korvalen_test(JoinDriverTest joining/JoinDriverTest.cpp)
korvalen_test(ComposeResultTest joining/ComposeResultTest.cpp)
korvalen_test(JoinEndToEndTest joining/JoinEndToEndTest.cpp)
target_compile_definitions(JoinEndToEndTest PRIVATE KORVALEN_DEMO_DIR="${CMAKE_SOURCE_DIR}/demo")
# The join command is tried on a copy of the demo maps.
target_compile_definitions(CliTest PRIVATE KORVALEN_DEMO_DIR="${CMAKE_SOURCE_DIR}/demo")
