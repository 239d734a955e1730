# The adjust form and its picture.
target_sources(korvalen_gui PRIVATE
    src/images/AdjustPicture.cpp
    src/images/UpDown.cpp
    src/images/TavixAdjust.cpp
    src/images/TavixAdjustPicture.cpp
    src/app/TavixMainAdjust.cpp
)
