#pragma once

namespace korvalen {

// Names the application to Qt and the desktop: name, version and the desktop file
// (org.example.korvalen.desktop) that gives its windows their icon. No display name: Qt would
// add it to every window title.
void SetApplicationIdentity();

}  // namespace korvalen
