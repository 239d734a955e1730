# Tests of the join driver, the composition of the result map and the whole join of the demo maps.
korvalen_test(JoinDriverTest joining/JoinDriverTest.cpp)
korvalen_test(ComposeResultTest joining/ComposeResultTest.cpp)
korvalen_test(JoinEndToEndTest joining/JoinEndToEndTest.cpp)
