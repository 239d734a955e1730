# The join driver, its predictions and the composition of the result map.
target_sources(korvalen_core PRIVATE
    src/joining/JoinPrediction.cpp
    src/joining/JoinDriver.cpp
    src/joining/ComposeResult.cpp
    src/joining/UnattendedJoin.cpp
)
