# Tests of the fast whole-area scoring: exactly the result of counting every position.
korvalen_test(WholeAreaSearchTest joining/WholeAreaSearchTest.cpp)
korvalen_test(SearchWorkersTest joining/SearchWorkersTest.cpp)
