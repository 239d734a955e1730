#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace korvalen {

// Raised by any failed call to the globe, including a failed connection.
class EarthError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The camera of the globe; the capture always writes Tilt and Azimuth 0 (straight down,
// north up).
struct CameraInfo {
    double FocusPointLatitude = 0;   // degrees
    double FocusPointLongitude = 0;  // degrees
    double Range = 0;                // eye altitude, metres
    double Tilt = 0;
    double Azimuth = 0;
};

// The visible rectangle in degrees.
struct ViewExtents {
    double North = 0, South = 0, East = 0, West = 0;
};

struct PointOnTerrain {
    double Latitude = 0;
    double Longitude = 0;
    double Altitude = 0;  // read and not used
};

// A layer of the globe that can be hidden.
class EarthFeature {
public:
    virtual ~EarthFeature() = default;
    virtual bool Visibility() const = 0;
    virtual void SetVisibility(bool visible) = 0;
};

// Exactly the operations the capture uses. Every call may raise EarthError.
class EarthApplication {
public:
    virtual ~EarthApplication() = default;
    virtual int VersionMajor() = 0;
    virtual int VersionMinor() = 0;
    virtual int VersionBuild() = 0;
    virtual int VersionAppType() = 0;
    virtual int IsInitialized() = 0;
    virtual int IsOnline() = 0;
    // Non-zero while the application (and its view) exists.
    virtual uintptr_t GetMainHwnd() = 0;
    virtual uintptr_t GetRenderHwnd() = 0;
    virtual CameraInfo GetCamera(int considerTerrain) = 0;
    virtual void SetCamera(const CameraInfo& camera, double speed) = 0;
    virtual ViewExtents GetViewExtents() = 0;
    // x to the right, y upward, both -1..+1, 0 = centre of the view.
    virtual PointOnTerrain GetPointOnTerrainFromScreenCoords(double x, double y) = 0;
    // 0..100; 100 = the view is fully drawn.
    virtual int StreamingProgressPercentage() = 0;
    // Null when the application has no such layer.
    virtual EarthFeature* GetFeatureByName(const std::string& name) = 0;
};

// The lowest version the capture accepts.
inline constexpr int kMinVersionMajor = 4;
inline constexpr int kMinVersionMinor = 0;
inline constexpr int kMinVersionBuild = 2416;

// Major > 4, or 4.x with x > 0, or 4.0 with build >= 2416; app type 6 and types outside
// 0..5 are refused.
bool EarthVersionAccepted(int major, int minor, int build, int appType);
// Names of the application types 0..6; "UNKNOWN" outside.
const char* EarthApplicationName(int appType);

// Every camera change: read the camera, straighten it and set it with speed 1.
void MoveEarthCamera(EarthApplication& earth, double latitude, double longitude, double range);

}  // namespace korvalen
