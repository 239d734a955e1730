korvalen_test(OverlapEstimateTest joining/OverlapEstimateTest.cpp)
# Demo sets joined through the driver with the default settings (the demo maker draws with Qt).
if(KORVALEN_GUI)
    korvalen_test(DemoJoinTest joining/DemoJoinTest.cpp)
    target_link_libraries(DemoJoinTest PRIVATE korvalen_demo)
endif()
