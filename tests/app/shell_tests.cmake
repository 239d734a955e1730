if(KORVALEN_GUI)
    korvalen_form_test(MainWindowShellTest app/MainWindowShellTest.cpp)
endif()
