#include "earth/EarthApplication.h"

namespace korvalen {

bool EarthVersionAccepted(int major, int minor, int build, int appType) {
    if (appType < 0 || appType > 5)
        return false;
    if (major != kMinVersionMajor)
        return major > kMinVersionMajor;
    if (minor != kMinVersionMinor)
        return minor > kMinVersionMinor;
    return build >= kMinVersionBuild;
}

const char* EarthApplicationName(int appType) {
    static const char* const kNames[] = {
        "Map view Enterprise", "Map view Pro", "Map view Plus", "Map view ?",
        "Map view ??",         "Map view",     "UNKNOWN"};
    if (appType < 0 || appType > 6)
        return "UNKNOWN";
    return kNames[appType];
}

void MoveEarthCamera(EarthApplication& earth, double latitude, double longitude, double range) {
    CameraInfo camera = earth.GetCamera(0);
    camera.FocusPointLatitude = latitude;
    camera.FocusPointLongitude = longitude;
    camera.Range = range;
    camera.Tilt = 0;
    camera.Azimuth = 0;
    earth.SetCamera(camera, 1.0);
}

}  // namespace korvalen
