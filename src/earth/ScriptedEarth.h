#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "earth/CaptureScan.h"
#include "earth/EarthApplication.h"
#include "earth/ViewGeometry.h"

namespace korvalen {

// A globe for tests: the camera model of the map view without pictures, a version to
// report, connections that fail on request, queued streaming percentages and a record of
// every camera set.
class ScriptedEarth : public EarthApplication {
public:
    struct Feature : EarthFeature {
        bool visible = true;
        bool Visibility() const override { return visible; }
        void SetVisibility(bool v) override { visible = v; }
    };

    ViewGeometry geometry;
    CameraInfo camera{47.0, 11.0, 10000, 0, 0};
    int major = 5, minor = 0, build = 0, appType = 5;
    int initialized = 1, online = 1;
    uintptr_t mainHwnd = 1, renderHwnd = 2;
    // Calls that raise before answering; counts down.
    int failingCalls = 0;
    // Percentages StreamingProgressPercentage gives in turn; 100 once empty.
    std::deque<int> streaming;
    std::map<std::string, std::unique_ptr<Feature>> features;
    std::vector<CameraInfo> cameraSets;
    int streamingReads = 0;

    int VersionMajor() override { return Check(), major; }
    int VersionMinor() override { return Check(), minor; }
    int VersionBuild() override { return Check(), build; }
    int VersionAppType() override { return Check(), appType; }
    int IsInitialized() override { return Check(), initialized; }
    int IsOnline() override { return Check(), online; }
    uintptr_t GetMainHwnd() override { return Check(), mainHwnd; }
    uintptr_t GetRenderHwnd() override { return Check(), renderHwnd; }
    CameraInfo GetCamera(int) override { return Check(), camera; }
    void SetCamera(const CameraInfo& c, double) override {
        Check();
        camera = c;
        cameraSets.push_back(c);
    }
    ViewExtents GetViewExtents() override { return Check(), geometry.Extents(camera); }
    PointOnTerrain GetPointOnTerrainFromScreenCoords(double x, double y) override {
        return Check(), geometry.PointAt(camera, x, y);
    }
    int StreamingProgressPercentage() override {
        Check();
        ++streamingReads;
        if (streaming.empty())
            return 100;
        const int p = streaming.front();
        streaming.pop_front();
        return p;
    }
    EarthFeature* GetFeatureByName(const std::string& name) override {
        Check();
        auto it = features.find(name);
        return it == features.end() ? nullptr : it->second.get();
    }

private:
    void Check() {
        if (failingCalls > 0) {
            --failingCalls;
            throw EarthError("no connection");
        }
    }
};

// A host for tests: paints each capture with a colour made of the camera's position, and
// cancels or breaks streaming after given numbers of captures or waits.
class ScriptedCaptureHost : public CaptureHost {
public:
    explicit ScriptedCaptureHost(ScriptedEarth& earth) : earth_(earth) {}
    int width = 64, height = 48;
    int cancelAfterCaptures = -1;  // -1 never
    int breakStreamingAfterWaits = -1;
    int captures = 0, waits = 0, waitedMs = 0;
    std::vector<int> streamingShown;
    bool cancelled = false, streamingBroken = false;

    int ViewWidth() const override { return width; }
    int ViewHeight() const override { return height; }
    bool CaptureView(Bitmap& bitmap) override;
    void Wait(int ms) override {
        ++waits;
        waitedMs += ms;
        if (breakStreamingAfterWaits >= 0 && waits >= breakStreamingAfterWaits)
            streamingBroken = true;
    }
    bool BreakRequested() override { return cancelled; }
    bool StreamingBroken() override { return streamingBroken; }
    void ResetStreamingBroken() override { streamingBroken = false; }
    void ShowStreaming(int percent) override { streamingShown.push_back(percent); }

    // The colour a capture at this camera gets.
    static Rgb ColourFor(const CameraInfo& camera, int captureIndex);

private:
    ScriptedEarth& earth_;
};

}  // namespace korvalen
