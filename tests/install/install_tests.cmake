# Installs into a temporary DESTDIR and checks the files with the desktop and AppStream
# validators where they are installed.
if(KORVALEN_GUI)
    add_test(NAME InstallTest
             COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/CheckInstall.sh ${CMAKE_BINARY_DIR})
endif()
