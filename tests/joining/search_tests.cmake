# Tests of the correlation self-search.
korvalen_test(ScoreKernelTest joining/ScoreKernelTest.cpp)
korvalen_test(SearchAreaTest joining/SearchAreaTest.cpp)
korvalen_test(SelfSearchTest joining/SelfSearchTest.cpp)
korvalen_test(OverlapCorrelationTest joining/OverlapCorrelationTest.cpp)
