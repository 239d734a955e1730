#include "geo/CalibrationWriter.h"

#include <charconv>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "geo/GeoFormat.h"
#include "geo/Utm.h"
#include "geo/WorldFile.h"
#include "images/Bitmap.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Everything a writer reads. The hand calibration adds the display and its own variant.
struct Source {
    const CalibPoints& points;
    int width = 0;
    int height = 0;
    fs::path image;
    std::string dateTime;
    const GeoMapCorners* display = nullptr;  // only for the hand calibration
};

std::string Int(int64_t value) {
    char buffer[24];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Right-aligned in a field of the width; longer text is not cut.
std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string NameOf(const fs::path& image) {
    return BaseAtFirstStop(image);
}
std::string FileNameOf(const fs::path& image) {
    return image.filename().string();
}

// The image's folder with one trailing separator; empty for a bare file name.
std::string FolderWithSeparator(const fs::path& image) {
    std::string folder = image.parent_path().string();
    const char separator = static_cast<char>(fs::path::preferred_separator);
    while (!folder.empty() && (folder.back() == separator || folder.back() == '/'))
        folder.pop_back();
    return image.parent_path().empty() ? std::string() : folder + separator;
}

// Latitude 0 counts as south and longitude 0 as west, as the readers of these files expect.
const char* LatLetter(double lat) {
    return lat > 0 ? "N" : "S";
}
const char* LonLetter(double lon) {
    return lon > 0 ? "E" : "W";
}

LatLon CornerOf(const Source& source, ImageCorner corner) {
    if (source.display)
        return source.display->CornerLatLon(corner);
    static constexpr int kPointOfCorner[] = {kTopLeft, kTopRight, kBottomRight, kBottomLeft};
    const tCalibPoint& point = source.points[kPointOfCorner[static_cast<int>(corner)]];
    return {point.Lat, point.Lon};
}

Lines OziExplorerLines(const Source& source) {
    const CalibPoints& p = source.points;
    Lines lines = {
        "OziExplorer Map Data File Version 2.2",
        NameOf(source.image),
        source.image.string(),
        "1 ,Map Code,",
        "WGS 84,WGS 84,   0.0000,   0.0000,WGS 84",
        "Reserved 1",
        "Reserved 2",
        std::string("Magnetic Variation,,,") + LonLetter(p[kTopLeft].Lon),
        "Map Projection,Latitude/Longitude,PolyCal,No,AutoCalOnly,No,BSBUseWPX,No",
    };
    // The hand calibration names only the four corners the user placed.
    const int pointCount = source.display ? 4 : kCalibPointCount;
    for (int n = 1; n <= pointCount; ++n) {
        const DegMinText lat = FormatDegMin(p[n].Lat, 6);
        const DegMinText lon = FormatDegMin(p[n].Lon, 6);
        lines.push_back(
            "Point0" + Int(n) + ",xy," + Pad(Int(p[n].X), 5) + "," + Pad(Int(p[n].Y), 5) +
            ",in, deg," + Pad(lat.degrees, 4) + "," + Pad(lat.minutes, 9) + "," +
            LatLetter(p[n].Lat) + "," + Pad(lon.degrees, 4) + "," + Pad(lon.minutes, 9) + "," +
            LonLetter(p[n].Lon) + ", grid,   ,           ,           ," + LatLetter(p[n].Lat));
    }
    lines.insert(lines.end(),
                 {
                     "Projection Setup,,,,,,,,,,",
                     "Map Feature = MF ; Map Comment = MC     These follow if they exist",
                     "Track File = TF      These follow if they exist",
                     "Moving Map Parameters = MM?    These follow if they exist",
                     "MM0,Yes",
                     "MMPNUM,4",
                 });
    const std::string w = Int(source.width), h = Int(source.height);
    lines.push_back("MMPXY,1,0,0");
    lines.push_back("MMPXY,2," + w + ",0");
    lines.push_back("MMPXY,3," + w + "," + h);
    lines.push_back("MMPXY,4,0," + h);
    static constexpr ImageCorner kCorners[] = {ImageCorner::TopLeft, ImageCorner::TopRight,
                                               ImageCorner::BottomRight, ImageCorner::BottomLeft};
    for (int n = 1; n <= 4; ++n) {
        const LatLon corner = CornerOf(source, kCorners[n - 1]);
        lines.push_back("MMPLL," + Int(n) + "," + Pad(FormatCoord(corner.Lon, 6), 11) + "," +
                        Pad(FormatCoord(corner.Lat, 6), 11));
    }
    const double scale =
        source.display ? source.display->ResolutionMetresPerPixel() : MapScaleMetresPerPixel(p);
    lines.push_back("MM1B," + FormatCoord(scale, 6));
    lines.push_back("MOP,Map Open Position,0,0");
    lines.push_back("IWH,Map Image Width/Height," + w + "," + h);
    return lines;
}

Lines TouratechQvLines(const Source& source) {
    const CalibPoints& p = source.points;
    const bool form = source.display != nullptr;
    const LatLon northWest = CornerOf(source, ImageCorner::TopLeft);
    const LatLon southEast = CornerOf(source, ImageCorner::BottomRight);
    Lines lines = {
        "; Calibration File for QV Map, Version 4",
        form ? "; Source: Korvalen! Version 2" : "; Source: Korvalen 2",
        std::string("; ") + kProductWebAddress,
        "",
        "map_idx = 4 =  3",
        "name = 10 = " + NameOf(source.image),
        "mapno = 10 =",
        "fname = 10 = " + FileNameOf(source.image),
        "fpath = 10 = " + FolderWithSeparator(source.image),
        "cdlabel = 10 =",
        "del = 1 = 0",
        "nord = 6 =  " + FormatCoord(northWest.Lat, 5),
        "sued = 6 =  " + FormatCoord(southEast.Lat, 5),
        "ost = 6 =  " + FormatCoord(southEast.Lon, 6),
        "west = 6 =  " + FormatCoord(northWest.Lon, 6),
        "scale_map = 6 =  0",
        "scale_area = 6 =  0",
        (form ? "info = 12 = Imported from Korvalen!" : "info = 12 = Imported from Korvalen 2") +
            source.dateTime,
        "polyregion = 99 =",
        "vstyle = 4 =  0",
        "map_w = 4 =  " + Int(source.width),
        "map_h = 4 =  " + Int(source.height),
        "proj_mode = 10 = 3x3",
        "projparams = 10 =",
        "deltax = 6 =  0",
        "deltay = 6 =  0",
        "utm_zone = 2 =  0",
        "utm_letter = 10 =",
        "res1 = 10 =",
        "res2 = 10 =",
        "res3 = 10 =",
        "grid1 = 10 =",
        "grid2 = 10 =",
        "datum1 = 10 = WGS 84# 6378137# 298.257223563# 0# 0# 0#",
        "datum2 = 10 =",
        "settings_distance = 2 =",
        "settings_unit = 2 =",
        "lastwlat = 7 =  0",
        "lastwlon = 7 =  0",
        "layer = 10 =",
    };
    // The 3 x 3 grid row by row.
    static constexpr int kGridOrder[] = {kTopLeft,    kTopMiddle,    kTopRight,
                                         kLeftMiddle, kCentre,       kRightMiddle,
                                         kBottomLeft, kBottomMiddle, kBottomRight};
    for (int k = 1; k <= 9; ++k) {
        const tCalibPoint& point = p[kGridOrder[k - 1]];
        lines.push_back("c" + Int(k) + "_x = 7 =  " + Int(point.X));
        lines.push_back("c" + Int(k) + "_y = 7 =  " + Int(point.Y));
    }
    static constexpr int kDiagonal[] = {kTopLeft, kCentre, kBottomRight};
    for (int k = 1; k <= 3; ++k) {
        const tCalibPoint& point = p[kDiagonal[k - 1]];
        lines.push_back("c" + Int(k) + "_lat = 7 =  " + FormatCoord(point.Lat, 5));
        lines.push_back("c" + Int(k) + "_lon = 7 =  " + FormatCoord(point.Lon, 5));
    }
    return lines;
}

Lines GpsTrackerLines(const Source& source) {
    Lines lines;
    for (int n = 1; n <= 4; ++n) {
        const tCalibPoint& point = source.points[n];
        lines.push_back("rp" + Int(n - 1) + "=\"" + FormatCoord(point.Lat, 6) + "," +
                        FormatCoord(point.Lon, 6) + "," + Int(point.Y) + "," + Int(point.X) + "\"");
    }
    return lines;
}

Lines GlobalMapperLines(const Source& source) {
    Lines lines = {
        "GLOBAL_MAPPER_SCRIPT VERSION=\"1.00\"",
        "",
        "",
        "DEFINE_PROJ PROJ_NAME=\"GEO_WGS84\"",
        "Projection     GEOGRAPHIC",
        "Datum          WGS84",
        "Zunits         NO",
        "Units          DD",
        "Xshift         0.000000",
        "Yshift         0.000000",
        "Parameters     ",
        "END_DEFINE_PROJ",
        "IMPORT FILENAME=\"" + source.image.string() +
            "\" TYPE=\"AUTO\" PROJ_NAME=\"GEO_WGS84\" \\",
        "ANTI_ALIAS=YES AUTO_CONTRAST=NO CLIP_COLLAR=NO TEXTURE_MAP=NO RECTIFY=Polynomial \\",
    };
    for (int n = 1; n <= 4; ++n) {
        const tCalibPoint& point = source.points[n];
        lines.push_back("GCP=\"Point " + Int(n) + "," + Int(point.X) + "," + Int(point.Y) + "," +
                        FormatCoord(point.Lon, 6) + "," + FormatCoord(point.Lat, 6) + "\" \\");
    }
    return lines;
}

std::string WithoutScheme(std::string address) {
    const size_t scheme = address.find("://");
    return scheme == std::string::npos ? address : address.substr(scheme + 3);
}

Lines FugawiLines(const Source& source) {
    Lines lines = {
        "//" + WithoutScheme(kProductWebAddress),
        "nm=" + NameOf(source.image),
        "it=jpg",
        "dm=WGS84",
        "pr=UTM",
        "pp=9",
    };
    const int pointCount = source.display ? 4 : kCalibPointCount;
    for (int n = 1; n <= pointCount; ++n) {
        const tCalibPoint& point = source.points[n];
        lines.push_back("rp" + Int(n) + "=" + FormatCoord(point.Lat, 6) + "," +
                        FormatCoord(point.Lon, 6) + "," + Int(point.X) + "," + Int(point.Y));
    }
    return lines;
}

Lines MapInfoLines(const Source& source) {
    Lines lines = {
        "!table",
        "!version 300",
        "!charset WindowsLatin1",
        "",
        "Definition Table",
        "  File \"" + FileNameOf(source.image) + "\"",
        "  Type \"RASTER\"",
    };
    for (int n = 1; n <= kCalibPointCount; ++n) {
        const tCalibPoint& point = source.points[n];
        lines.push_back("  (" + FormatCoord(point.Lon, 6) + "," + FormatCoord(point.Lat, 6) +
                        ") (" + Int(point.X) + "," + Int(point.Y) + ") Label \"Pt " + Int(n) +
                        "\"" + (n < kCalibPointCount ? "," : ""));
    }
    lines.push_back("  CoordSys Earth Projection 1, 104");
    lines.push_back("  Units \"degree\"");
    return lines;
}

Lines LinesOf(const Source& source, int formatIndex) {
    switch (formatIndex) {
        case kOziExplorer:
            return OziExplorerLines(source);
        case kTouratechQv:
            return TouratechQvLines(source);
        case kGpsTracker:
            return GpsTrackerLines(source);
        case kGlobalMapper:
            return GlobalMapperLines(source);
        case kFugawi:
            return FugawiLines(source);
        case kWorldFile:
            return WorldFileLines(source.points);
        case kMapInfo:
            return MapInfoLines(source);
    }
    return {};
}

bool WriteLines(const fs::path& target, const Lines& lines, std::string& error) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return WriteFileAtomically(target, Utf8ToWindows1252(text), error);
}

// Maps are recognised by their content, so an image may bear its calibration file's name.
bool WouldReplaceImage(const fs::path& target, const fs::path& image, std::string& error) {
    std::error_code ec;
    if (!fs::equivalent(target, image, ec) || ec)
        return false;
    error = "Cannot write " + DisplayPath(target) + ": it is the image itself";
    return true;
}

bool FormatInRange(int formatIndex, int count, std::string& error) {
    if (formatIndex >= 1 && formatIndex <= count)
        return true;
    error = "There is no calibration format " + Int(formatIndex) + " (1 to " + Int(count) + ")";
    return false;
}

}  // namespace

bool ImageNameSaysJpeg(const fs::path& image) {
    return AsciiLower(FileNameOf(image)).find(".jpg") != std::string::npos;
}

fs::path CalibrationFileName(const fs::path& image, int formatIndex, bool qvJpeg) {
    static constexpr const char* kExtensions[] = {"map", "cal", "geo", "gmw", "jpr", "jgw", "tab"};
    if (formatIndex < 1 || formatIndex > kFormatCount)
        return {};
    const std::string name = FileNameOf(image);
    if (formatIndex == kWorldFile || formatIndex == kMapInfo) {
        const size_t lastStop = name.rfind('.');
        const std::string lastExtension =
            lastStop == std::string::npos ? std::string() : AsciiLower(name.substr(lastStop + 1));
        const std::string extension = formatIndex == kMapInfo  ? "tab"
                                      : lastExtension == "bmp" ? "bpw"
                                                               : "jgw";
        return image.parent_path() / (name.substr(0, lastStop) + "." + extension);
    }
    const std::string separator = formatIndex == kTouratechQv ? (qvJpeg ? "_jpg." : "_bmp.") : ".";
    return image.parent_path() /
           (BaseAtFirstStop(image) + separator + kExtensions[formatIndex - 1]);
}

std::string CurrentDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    // The user's date and time format from the environment, also where the program never
    // switched its C locale from "C"; a broken locale setting falls back to the C format.
    std::ostringstream text;
    try {
        text.imbue(std::locale(""));
    } catch (const std::runtime_error&) {
    }
    text << std::put_time(&local, "%x %X");
    return text.str();
}

std::vector<std::string> CalibrationLines(const CalibPoints& points, int width, int height,
                                          const fs::path& image, int formatIndex,
                                          const CalibrationWriteOptions& options) {
    const Source source{points, width, height, image,
                        formatIndex == kTouratechQv
                            ? options.dateTime.value_or(CurrentDateTimeText())
                            : std::string()};
    return LinesOf(source, formatIndex);
}

bool WriteCalibrationFile(int width, int height, const fs::path& imageFileName, int formatIndex,
                          CalibrationState& calibration, fs::path& calibFileName,
                          std::string& error, const CalibrationWriteOptions& options) {
    calibFileName.clear();
    if (!FormatInRange(formatIndex, kFormatCount, error))
        return false;
    const fs::path target =
        CalibrationFileName(imageFileName, formatIndex, ImageNameSaysJpeg(imageFileName));
    if (WouldReplaceImage(target, imageFileName, error) ||
        !WriteLines(target,
                    CalibrationLines(calibration.Points, width, height, imageFileName, formatIndex,
                                     options),
                    error))
        return false;
    calibration.Pending = false;
    calibFileName = target;
    return true;
}

bool WriteCalibrationFile(const Bitmap& bitmap, const fs::path& imageFileName, int formatIndex,
                          CalibrationState& calibration, fs::path& calibFileName,
                          std::string& error, const CalibrationWriteOptions& options) {
    return WriteCalibrationFile(bitmap.Width(), bitmap.Height(), imageFileName, formatIndex,
                                calibration, calibFileName, error, options);
}

std::vector<std::string> FormCalibrationLines(const GeoMapCorners& display,
                                              const CalibPoints& points, const fs::path& image,
                                              int formatIndex,
                                              const CalibrationWriteOptions& options) {
    if (formatIndex < 1 || formatIndex > kFormFormatCount)
        return {};
    const Source source{points,
                        display.ImageWidth(),
                        display.ImageHeight(),
                        image,
                        formatIndex == kTouratechQv
                            ? options.dateTime.value_or(CurrentDateTimeText())
                            : std::string(),
                        &display};
    return LinesOf(source, formatIndex);
}

bool WriteFormCalibrationFile(const GeoMapCorners& display, const CalibPoints& points,
                              const fs::path& imageFileName, int formatIndex, bool mapsAreJpeg,
                              fs::path& calibFileName, std::string& error,
                              const CalibrationWriteOptions& options) {
    calibFileName.clear();
    if (!FormatInRange(formatIndex, kFormFormatCount, error))
        return false;
    const fs::path target = CalibrationFileName(imageFileName, formatIndex, mapsAreJpeg);
    if (WouldReplaceImage(target, imageFileName, error) ||
        !WriteLines(target,
                    FormCalibrationLines(display, points, imageFileName, formatIndex, options),
                    error))
        return false;
    calibFileName = target;
    return true;
}

}  // namespace korvalen
