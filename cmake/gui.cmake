# The forms: thin Qt classes on top of the engine.
add_library(korvalen_gui STATIC
    src/app/TavixMain.cpp
    src/app/TavixMainJoin.cpp
    src/app/TavixMainResult.cpp
    src/app/SaveMapDialog.cpp
    src/app/TavixMainLayout.cpp
    src/app/TavixMainMatrix.cpp
    src/app/MainWindowState.cpp
    src/app/HelpAddress.cpp
    src/app/ApplicationIdentity.cpp
    src/app/MatrixDrawing.cpp
    src/app/MatrixPicture.cpp
    src/app/QtDialogs.cpp
    src/app/TavixSelection.cpp
    src/app/TavixTimerMsg.cpp
    src/app/TavixInfo.cpp
    src/app/FormTranslation.cpp
    src/app/TavixSettings.cpp
    src/app/LanguageFlags.cpp
    src/joining/SearchDisplay.cpp
    src/joining/TavixAutomatic.cpp
    src/joining/TavixAutomaticTools.cpp
    src/joining/TavixPreview.cpp
)
set_target_properties(korvalen_gui PROPERTIES AUTOMOC ON)
# The manual joining tools (search band, join points, manual move) and their cursor image.
target_sources(korvalen_gui PRIVATE
    src/joining/ToolPicture.cpp
    src/joining/ToolMoveButtons.cpp
    src/joining/TavixBandArea.cpp
    src/joining/TavixJoinMaps.cpp
    src/joining/TavixMoveMap.cpp
    src/joining/joining_cursors.qrc
)
set_target_properties(korvalen_gui PROPERTIES AUTORCC ON)
target_include_directories(korvalen_gui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(korvalen_gui PUBLIC korvalen_core Qt6::Widgets)

add_executable(korvalen src/app/Korvalen.cpp)
target_link_libraries(korvalen PRIVATE korvalen_gui)
