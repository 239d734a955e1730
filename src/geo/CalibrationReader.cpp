#include "geo/CalibrationReader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "images/FileAccess.h"

namespace korvalen {
namespace {

constexpr size_t kMaxPoints = 200;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '"'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '"' ||
                          s.back() == '\\' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
    std::vector<std::string_view> out;
    while (true) {
        const size_t at = s.find(separator);
        out.push_back(Trim(s.substr(0, at)));
        if (at == std::string_view::npos)
            return out;
        s.remove_prefix(at + 1);
    }
}

bool Number(std::string_view s, double& value) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

bool Integer(std::string_view s, int& value) {
    double d = 0;
    if (!Number(s, d) || d != std::floor(d) || std::abs(d) > 2e9)
        return false;
    value = static_cast<int>(d);
    return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

struct Parser {
    CalibrationFileContent& content;
    std::string& error;
    int lineNumber = 0;

    bool Fail(std::string_view what) {
        error = "line " + std::to_string(lineNumber) + ": " + std::string(what);
        return false;
    }
    void Add(const ReadCalibPoint& p) {
        if (content.points.size() < kMaxPoints)
            content.points.push_back(p);
    }

    // "Point01,xy,  x,  y,in, deg, dd, mm.mmm,N, ddd, mm.mmm,E, grid, ..."
    bool OziLine(std::string_view line) {
        if (StartsWith(line, "Point")) {
            const auto f = Split(line, ',');
            ReadCalibPoint p;
            double latDeg, latMin, lonDeg, lonMin;
            if (f.size() < 12 || !Integer(f[0].substr(5), p.Index) || !Integer(f[2], p.X) ||
                !Integer(f[3], p.Y) || !Number(f[6], latDeg) || !Number(f[7], latMin) ||
                !Number(f[9], lonDeg) || !Number(f[10], lonMin))
                return Fail("bad point line");
            p.Lat = (latDeg + latMin / 60) * (f[8] == "S" ? -1 : 1);
            p.Lon = (lonDeg + lonMin / 60) * (f[11] == "W" ? -1 : 1);
            Add(p);
        } else if (StartsWith(line, "MMPLL,")) {
            const auto f = Split(line, ',');
            int n = 0;
            double lon, lat;
            if (f.size() < 4 || !Integer(f[1], n) || n < 1 || n > 4 || !Number(f[2], lon) ||
                !Number(f[3], lat))
                return Fail("bad MMPLL line");
            if (!content.corners)
                content.corners.emplace();
            (*content.corners)[static_cast<size_t>(n - 1)] = {lat, lon};
        } else if (StartsWith(line, "MM1B,")) {
            double res;
            if (!Number(line.substr(5), res))
                return Fail("bad MM1B line");
            content.metresPerPixel = res;
        } else if (StartsWith(line, "IWH,")) {
            const auto f = Split(line, ',');
            int w, h;
            if (f.size() < 4 || !Integer(f[2], w) || !Integer(f[3], h))
                return Fail("bad IWH line");
            content.width = w;
            content.height = h;
        }
        return true;
    }

    // "key = type = value"
    int qvX[10] = {}, qvY[10] = {};
    bool qvHasX[10] = {}, qvHasY[10] = {};
    double qvLat[4] = {}, qvLon[4] = {};
    bool qvHasLat[4] = {}, qvHasLon[4] = {};
    std::optional<double> nord{}, sued{}, ost{}, west{};
    bool QvLine(std::string_view line) {
        if (line.empty() || line.front() == ';')
            return true;
        const auto f = Split(line, '=');
        if (f.size() < 3)
            return true;
        const std::string_view key = f[0], value = f[2];
        auto number = [&](std::optional<double>& into) {
            double v;
            if (!Number(value, v))
                return Fail("bad value of " + std::string(key));
            into = v;
            return true;
        };
        if (key == "nord")
            return number(nord);
        if (key == "sued")
            return number(sued);
        if (key == "ost")
            return number(ost);
        if (key == "west")
            return number(west);
        if (key == "map_w" || key == "map_h") {
            int v;
            if (!Integer(value, v))
                return Fail("bad image size");
            (key == "map_w" ? content.width : content.height) = v;
            return true;
        }
        if (key.size() >= 4 && key[0] == 'c' && key[1] >= '1' && key[1] <= '9' && key[2] == '_') {
            const int k = key[1] - '0';
            const std::string_view what = key.substr(3);
            if (what == "x" || what == "y") {
                int v;
                if (!Integer(value, v))
                    return Fail("bad pixel");
                (what == "x" ? qvX : qvY)[k] = v;
                (what == "x" ? qvHasX : qvHasY)[k] = true;
            } else if ((what == "lat" || what == "lon") && k <= 3) {
                double v;
                if (!Number(value, v))
                    return Fail("bad coordinate");
                (what == "lat" ? qvLat : qvLon)[k] = v;
                (what == "lat" ? qvHasLat : qvHasLon)[k] = true;
            }
        }
        return true;
    }
    void QvFinish() {
        // The three coordinate pairs belong to the grid cells 1, 5 and 9 (P1, P9, P4).
        const int cell[4] = {0, 1, 5, 9};
        const int place[4] = {0, kTopLeft, kCentre, kBottomRight};
        for (int k = 1; k <= 3; ++k)
            if (qvHasLat[k] && qvHasLon[k] && qvHasX[cell[k]] && qvHasY[cell[k]])
                Add({place[k], qvLat[k], qvLon[k], qvX[cell[k]], qvY[cell[k]]});
        if (nord && west)
            content.topLeft = LatLon{*nord, *west};
        if (sued && ost)
            content.bottomRight = LatLon{*sued, *ost};
    }

    // "rpN=lat,lon,a,b": GPS tracker files count from 0 and give y before x ("rp0=lat,lon,y,x"),
    // Fugawi files count from 1 and give x first ("rp1=lat,lon,x,y").
    bool RpLine(std::string_view line, bool yFirst, int firstIndex) {
        if (!StartsWith(line, "rp"))
            return true;
        const size_t eq = line.find('=');
        ReadCalibPoint p;
        if (eq == std::string_view::npos || !Integer(line.substr(2, eq - 2), p.Index))
            return Fail("bad rp line");
        const auto f = Split(Trim(line.substr(eq + 1)), ',');
        if (f.size() < 4 || !Number(f[0], p.Lat) || !Number(f[1], p.Lon) ||
            !Integer(f[2], yFirst ? p.Y : p.X) || !Integer(f[3], yFirst ? p.X : p.Y))
            return Fail("bad rp line");
        p.Index += 1 - firstIndex;
        Add(p);
        return true;
    }
    bool GeoLine(std::string_view line) { return RpLine(line, true, 0); }
    bool JprLine(std::string_view line) { return RpLine(line, false, 1); }

    // GCP="Point n,x,y,lon,lat", the line continued with a backslash
    bool GmwLine(std::string_view line) {
        if (!StartsWith(line, "GCP="))
            return true;
        const auto f = Split(Trim(line.substr(4)), ',');
        ReadCalibPoint p;
        if (f.size() < 5 || !StartsWith(f[0], "Point ") || !Integer(f[0].substr(6), p.Index) ||
            !Integer(f[1], p.X) || !Integer(f[2], p.Y) || !Number(f[3], p.Lon) ||
            !Number(f[4], p.Lat))
            return Fail("bad GCP line");
        Add(p);
        return true;
    }

    //   (lon,lat) (x,y) Label "Pt n",
    bool TabLine(std::string_view line) {
        line = Trim(line);
        if (!StartsWith(line, "("))
            return true;
        const size_t close1 = line.find(')');
        const size_t open2 = line.find('(', close1 == std::string_view::npos ? 0 : close1);
        const size_t close2 = open2 == std::string_view::npos ? open2 : line.find(')', open2);
        const size_t label = line.find("\"Pt ");
        if (close1 == std::string_view::npos || close2 == std::string_view::npos ||
            label == std::string_view::npos)
            return Fail("bad point line");
        const auto geo = Split(line.substr(1, close1 - 1), ',');
        const auto pix = Split(line.substr(open2 + 1, close2 - open2 - 1), ',');
        std::string_view number = line.substr(label + 4);
        number = number.substr(0, number.find('"'));
        ReadCalibPoint p;
        if (geo.size() != 2 || pix.size() != 2 || !Number(geo[0], p.Lon) ||
            !Number(geo[1], p.Lat) || !Integer(pix[0], p.X) || !Integer(pix[1], p.Y) ||
            !Integer(number, p.Index))
            return Fail("bad point line");
        Add(p);
        return true;
    }

    std::vector<double> worldValues{};
    bool WorldLine(std::string_view line) {
        line = Trim(line);
        if (line.empty())
            return true;
        double v;
        if (!Number(line, v))
            return Fail("not a number");
        if (worldValues.size() < 6)
            worldValues.push_back(v);
        return true;
    }
};

}  // namespace

bool ParseCalibrationText(std::string_view text, int formatIndex, CalibrationFileContent& content,
                          std::string& error) {
    content = {};
    error.clear();
    if (formatIndex < 1 || formatIndex > kFormatCount) {
        error = "unknown calibration format " + std::to_string(formatIndex);
        return false;
    }
    // One line reader a format, in the order of the format numbers.
    using LineReader = bool (Parser::*)(std::string_view);
    static constexpr LineReader kLineReaders[kFormatCount] = {
        &Parser::OziLine, &Parser::QvLine,    &Parser::GeoLine, &Parser::GmwLine,
        &Parser::JprLine, &Parser::WorldLine, &Parser::TabLine};
    static_assert(kOziExplorer == 1 && kMapInfo == kFormatCount);
    const LineReader readLine = kLineReaders[formatIndex - 1];
    Parser parser{content, error, 0};
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++parser.lineNumber;
        if (!(parser.*readLine)(line))
            return false;
    }
    if (formatIndex == kTouratechQv)
        parser.QvFinish();
    if (formatIndex == kWorldFile) {
        const auto& v = parser.worldValues;
        if (v.size() < 6) {
            error = "a world file holds six numbers";
            return false;
        }
        content.worldFile = WorldFileTransform{v[0], v[1], v[2], v[3], v[4], v[5]};
        return true;
    }
    if (content.points.empty()) {
        error = "no reference point found";
        return false;
    }
    return true;
}

bool ReadCalibrationFile(const std::filesystem::path& path, int formatIndex,
                         CalibrationFileContent& content, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error, uint64_t{1} << 20))  // far above any real file
        return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!ParseCalibrationText(text, formatIndex, content, error)) {
        error = DisplayPath(path) + ": " + error;
        return false;
    }
    return true;
}

namespace {

std::string Degrees(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7f", v);
    return buffer;
}

bool Near(double a, double b, double tolerance) {
    return std::abs(a - b) <= tolerance;
}

}  // namespace

bool VerifyCalibrationFile(const std::filesystem::path& path, int formatIndex,
                           const ExpectedCalibration& expected, std::string& error) {
    CalibrationFileContent content;
    if (!ReadCalibrationFile(path, formatIndex, content, error))
        return false;
    const std::string file = DisplayPath(path) + ": ";
    // Half a unit of the last decimal written, with room for the double's own error.
    const double coordTolerance = formatIndex == kTouratechQv ? 0.6e-5 : 0.6e-6;
    if (expected.points) {
        for (const ReadCalibPoint& p : content.points) {
            if (p.Index < 1 || p.Index > kCalibPointCount) {
                error = file + "point " + std::to_string(p.Index) + " has no place";
                return false;
            }
            const tCalibPoint& want = (*expected.points)[p.Index];
            if (p.X != want.X || p.Y != want.Y || !Near(p.Lat, want.Lat, coordTolerance) ||
                !Near(p.Lon, want.Lon, coordTolerance)) {
                error = file + "point " + std::to_string(p.Index) + " reads " + Degrees(p.Lat) +
                        " " + Degrees(p.Lon) + " at " + std::to_string(p.X) + "/" +
                        std::to_string(p.Y) + " instead of " + Degrees(want.Lat) + " " +
                        Degrees(want.Lon) + " at " + std::to_string(want.X) + "/" +
                        std::to_string(want.Y);
                return false;
            }
        }
    }
    const char* cornerNames[4] = {"top-left", "top-right", "bottom-right", "bottom-left"};
    auto checkCorner = [&](int i, LatLon read) {
        const LatLon want = expected.corners[static_cast<size_t>(i)];
        if (Near(read.Lat, want.Lat, coordTolerance) && Near(read.Lon, want.Lon, coordTolerance))
            return true;
        error = file + "the " + cornerNames[i] + " corner reads " + Degrees(read.Lat) + " " +
                Degrees(read.Lon) + " instead of " + Degrees(want.Lat) + " " + Degrees(want.Lon);
        return false;
    };
    if (content.corners)
        for (int i = 0; i < 4; ++i)
            if (!checkCorner(i, (*content.corners)[static_cast<size_t>(i)]))
                return false;
    if (content.topLeft && !checkCorner(0, *content.topLeft))
        return false;
    if (content.bottomRight && !checkCorner(2, *content.bottomRight))
        return false;
    if (content.metresPerPixel && !Near(*content.metresPerPixel, expected.metresPerPixel, 0.6e-6)) {
        error = file + "the resolution differs";
        return false;
    }
    if ((content.width && *content.width != expected.width) ||
        (content.height && *content.height != expected.height)) {
        error = file + "the image size differs";
        return false;
    }
    if (content.worldFile && expected.points) {
        WorldFileTransform want;
        FitWorldFile(*expected.points, want);
        const WorldFileTransform& got = *content.worldFile;
        const double a[6] = {got.EastingPerColumn, got.NorthingPerColumn, got.EastingPerRow,
                             got.NorthingPerRow,   got.CentreEasting,     got.CentreNorthing};
        const double b[6] = {want.EastingPerColumn, want.NorthingPerColumn, want.EastingPerRow,
                             want.NorthingPerRow,   want.CentreEasting,     want.CentreNorthing};
        for (int i = 0; i < 6; ++i)
            if (!Near(a[i], b[i], 1e-9 * std::max(1.0, std::abs(b[i])))) {
                error = file + "world file line " + std::to_string(i + 1) + " differs";
                return false;
            }
    }
    return true;
}

}  // namespace korvalen
