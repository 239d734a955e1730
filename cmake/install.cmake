# Installing: the three programs, the desktop entry, our icon, the AppStream metainfo, the man
# page of korvalen-cli and the user manual. A Debian package: cmake --build BUILD -t package
include(GNUInstallDirs)

install(TARGETS korvalen-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Man pages go compressed, as man and Debian's packages expect them.
find_program(KORVALEN_GZIP gzip)
if(KORVALEN_GZIP)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/korvalen-cli.1.gz
        COMMAND ${KORVALEN_GZIP} -9nc ${CMAKE_SOURCE_DIR}/doc/korvalen-cli.1
                > ${CMAKE_BINARY_DIR}/korvalen-cli.1.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/doc/korvalen-cli.1)
    add_custom_target(korvalen_man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/korvalen-cli.1.gz)
    install(FILES ${CMAKE_BINARY_DIR}/korvalen-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    install(FILES doc/korvalen-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(KORVALEN_GUI)
    install(TARGETS korvalen korvalen-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES data/org.example.korvalen.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES data/korvalen.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES data/org.example.korvalen.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The manual beside the program in the build tree too, where Help finds it.
    set(_manual_files index.html manual.css images/empty-matrix.png
        images/demo-maps-loaded.png images/order-question.png images/settings-values.png
        images/result-page.png)
    set(_manual_outputs)
    foreach(_file IN LISTS _manual_files)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/manual/${_file}
            COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/doc/manual/${_file}
                    ${CMAKE_BINARY_DIR}/manual/${_file}
            DEPENDS ${CMAKE_SOURCE_DIR}/doc/manual/${_file})
        list(APPEND _manual_outputs ${CMAKE_BINARY_DIR}/manual/${_file})
    endforeach()
    add_custom_target(korvalen_manual ALL DEPENDS ${_manual_outputs})
    install(DIRECTORY doc/manual/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/manual)
    # The demo maps the manual walks through.
    install(DIRECTORY demo/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/demo)

    # Takes the manual's screenshots under a display: scripts/manual-screenshots.sh
    add_executable(korvalen-screenshots EXCLUDE_FROM_ALL tools/ManualScreenshots.cpp)
    target_link_libraries(korvalen-screenshots PRIVATE korvalen_gui)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvalen)
set(CPACK_PACKAGE_VENDOR "The Korvalen developers")
set(CPACK_PACKAGE_CONTACT "The Korvalen developers <korvalen@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Join map images into one map and geo-reference it")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvalen.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window system plugins Qt loads at run time are no linked library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
