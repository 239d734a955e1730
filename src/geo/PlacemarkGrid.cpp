#include "geo/PlacemarkGrid.h"

#include <algorithm>
#include <cmath>

#include "geo/GeoFormat.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

bool HasOpeningPrefix(const std::string& lowerLine, const char* name) {
    return lowerLine.find(std::string("<") + name) != std::string::npos;
}

bool HasClosingTag(const std::string& lowerLine, const char* name) {
    return lowerLine.find(std::string("</") + name + ">") != std::string::npos;
}

std::string Element(int tabs, const std::string& name, const std::string& text) {
    return std::string(static_cast<size_t>(tabs), '\t') + "<" + name + ">" + text + "</" + name +
           ">";
}

void AppendPlacemark(std::vector<std::string>& out, const GridPlacemark& p, int32_t range) {
    const std::string lon = FormatCoord(p.Lon, 7);
    const std::string lat = FormatCoord(p.Lat, 7);
    out.push_back("\t\t<Placemark>");
    out.push_back(Element(3, "name", p.Name));
    out.push_back(Element(3, "visibility", p.Visible ? "1" : "0"));
    out.push_back("\t\t\t<LookAt>");
    out.push_back(Element(4, "longitude", lon));
    out.push_back(Element(4, "latitude", lat));
    out.push_back(Element(4, "range", std::to_string(range)));
    out.push_back(Element(4, "tilt", "0"));
    out.push_back(Element(4, "heading", "0"));
    out.push_back("\t\t\t</LookAt>");
    out.push_back(Element(3, "styleUrl", "#style"));
    out.push_back("\t\t\t<Point>");
    out.push_back(Element(4, "coordinates", lon + "," + lat + ",0"));
    out.push_back("\t\t\t</Point>");
    out.push_back("\t\t</Placemark>");
}

}  // namespace

GridRequest ClampedRequest(GridRequest r) {
    r.TopRows = std::clamp(r.TopRows, 0, kMaxGrowth);
    r.BottomRows = std::clamp(r.BottomRows, 0, kMaxGrowth);
    r.LeftCols = std::clamp(r.LeftCols, 0, kMaxGrowth);
    r.RightCols = std::clamp(r.RightCols, 0, kMaxGrowth);
    r.Overlapping = std::clamp(r.Overlapping, kMinOverlapping, kMaxOverlapping);
    return r;
}

int64_t GridExtent(int count, int64_t side, int overlapping) {
    const double f = (100.0 - overlapping) / 100.0;
    const double extent = (count - 1) * static_cast<double>(side) * f + static_cast<double>(side);
    return static_cast<int64_t>(std::nearbyint(extent));
}

PlacemarkGrid GrowPlacemarkGrid(const RootView& root, const GridRequest& raw) {
    const GridRequest request = ClampedRequest(raw);
    PlacemarkGrid grid;
    GridPattern& p = grid.Pattern;
    p.NumRows = request.NumRows();
    p.NumCols = request.NumCols();
    p.Overlapping = request.Overlapping;
    p.RootLat = root.LatTop - (root.LatTop - root.LatBottom) / 2;
    p.RootLon = (root.LonRight - root.LonLeft) / 2 + root.LonLeft;
    const double f = (100.0 - request.Overlapping) / 100.0;
    p.DeltaLat = (root.LatTop - root.LatBottom) * f;
    p.DeltaLon = (root.LonRight - root.LonLeft) * f;

    const int count = p.NumRows * p.NumCols;
    int k = 0;
    for (int r = -request.TopRows; r <= request.BottomRows; ++r) {
        for (int c = -request.LeftCols; c <= request.RightCols; ++c) {
            ++k;
            grid.Placemarks.push_back({PatternImageBase(k, count), p.RootLat - r * p.DeltaLat,
                                       p.RootLon + c * p.DeltaLon, false});
        }
    }
    if (request.MakesCalibration()) {
        const double top = p.RootLat + request.TopRows * p.DeltaLat + p.DeltaLat / 2;
        const double bottom = p.RootLat - request.BottomRows * p.DeltaLat - p.DeltaLat / 2;
        const double left = p.RootLon - request.LeftCols * p.DeltaLon - p.DeltaLon / 2;
        const double right = p.RootLon + request.RightCols * p.DeltaLon + p.DeltaLon / 2;
        std::array<GridCorner, 4> corners = {GridCorner{top, left}, GridCorner{top, right},
                                             GridCorner{bottom, left}, GridCorner{bottom, right}};
        for (size_t i = 0; i < 4; ++i)
            grid.Placemarks.push_back(
                {"P" + std::to_string(i + 1), corners[i].Lat, corners[i].Lon, true});
        p.Corners = corners;
    }
    return grid;
}

std::vector<std::string> GridKmlLines(const std::vector<std::string>& rootLines,
                                      const std::string& base, const PlacemarkGrid& grid,
                                      int32_t eyeAltitude) {
    std::vector<std::string> out;
    bool inDocument = false, inFolder = false, nameWritten = false, skipping = false;
    for (const std::string& line : rootLines) {
        const std::string lower = AsciiLower(line);
        if (skipping) {
            // Nothing of the root's placemarks is kept; the first closing that ends their
            // container ends the skip, so that the file stays well formed.
            if ((inFolder && HasClosingTag(lower, "folder")) ||
                (inDocument && HasClosingTag(lower, "document")) || HasClosingTag(lower, "kml")) {
                skipping = false;
                out.push_back(line);
            }
            continue;
        }
        if (HasOpeningPrefix(lower, "document")) {
            inDocument = true;
            out.push_back(line);
        } else if (HasOpeningPrefix(lower, "folder")) {
            inFolder = true;
            out.push_back(line);
        } else if (HasOpeningPrefix(lower, "name") && inDocument && !nameWritten) {
            out.push_back(Element(1, "name", base + "_grid.kml"));
            nameWritten = true;
        } else if (HasOpeningPrefix(lower, "placemark")) {
            skipping = true;
            for (const GridPlacemark& placemark : grid.Placemarks)
                AppendPlacemark(out, placemark, eyeAltitude);
        } else {
            out.push_back(line);
        }
    }
    return out;
}

GridFileNames GridFileNamesFor(const std::string& rootFileName,
                               const std::filesystem::path& placemarksDirectory) {
    GridFileNames names;
    names.Base = BaseAtFirstStop(std::filesystem::path(rootFileName).filename());
    const std::filesystem::path pattern = names.Base + ".pgp";
    const std::filesystem::path kml = names.Base + "_grid.kml";
    names.PatternFile = placemarksDirectory.empty() ? pattern : placemarksDirectory / pattern;
    names.ProposedKml = placemarksDirectory.empty() ? kml : placemarksDirectory / kml;
    return names;
}

bool WritePlacemarkGrid(const std::filesystem::path& kmlFile,
                        const std::filesystem::path& patternFile,
                        const std::vector<std::string>& kmlLines, const GridPattern& pattern,
                        std::string& error) {
    std::string text;
    for (const std::string& line : kmlLines) {
        text += line;
        text += "\r\n";
    }
    return WriteFileAtomically(kmlFile, text, error) &&
           WriteGridPattern(patternFile, pattern, error);
}

}  // namespace korvalen
