#include "geo/KmlPlacemarks.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "geo/CalibPoints.h"
#include "geo/Utm.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

// Blanks and control characters at both ends, as the text fields of the file are trimmed.
std::string_view Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

bool ParseWhole(std::string_view text, int64_t& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// The text after the opening tag, cut before the closing tag; at most 255 characters.
constexpr size_t kMaxValueChars = 255;

}  // namespace

TagValue ExtractTagValue(std::string_view tag, std::string_view rawLine) {
    TagValue result;
    const std::string line = AsciiLower(std::string(Trim(rawLine)));
    const std::string name = AsciiLower(std::string(tag));
    const std::string prefix = "<" + name;
    const std::string opening = prefix + ">";
    const std::string closing = "</" + name + ">";
    const size_t prefixAt = line.find(prefix);
    const size_t closeAt = line.find(closing);
    result.HasOpen = prefixAt != std::string::npos;
    result.HasClose = closeAt != std::string::npos;
    result.Found = result.HasOpen || result.HasClose;
    if (!result.Found)
        return result;

    const size_t openAt = line.find(opening);
    std::string_view value;
    const std::string_view view(line);
    if (result.HasOpen && openAt == std::string::npos &&
        line.find('>', prefixAt + prefix.size()) != std::string::npos) {
        // An opening tag with attributes: what stands between the name and its ">".
        const size_t from = prefixAt + prefix.size();
        const size_t to = line.find('>', from);
        value = view.substr(from, to - from);
        if (!value.empty())
            value.remove_suffix(1);
    } else if (openAt != std::string::npos && openAt + opening.size() < line.size()) {
        const size_t from = openAt + opening.size();
        value = view.substr(from, kMaxValueChars);
        const size_t cut = value.find(closing);
        if (cut != std::string_view::npos)
            value = value.substr(0, cut);
    } else if (result.HasClose && closeAt > 0) {
        value = view.substr(0, closeAt);
    }
    result.Value = std::string(Trim(value));
    return result;
}

bool ParseDecimal(std::string_view rawText, double& value) {
    const std::string_view text = Trim(rawText);
    size_t separator = text.find('.');
    if (separator == std::string_view::npos)
        separator = text.find(',');
    if (separator == std::string_view::npos) {
        std::string_view number = text;
        if (!number.empty() && number.front() == '+')
            number.remove_prefix(1);
        double parsed = 0;
        const char* end = number.data() + number.size();
        auto [ptr, ec] = std::from_chars(number.data(), end, parsed);
        if (number.empty() || ec != std::errc() || ptr != end || !std::isfinite(parsed))
            return false;
        value = parsed;
        return true;
    }
    int64_t whole = 0;
    if (!ParseWhole(text.substr(0, separator), whole))
        return false;
    double fraction = 0;
    double scale = 0.1;
    int digits = 0;
    for (char c : text.substr(separator + 1)) {
        if (c < '0' || c > '9')
            return false;
        if (digits < 7) {
            fraction += (c - '0') * scale;
            scale /= 10;
            ++digits;
        }
    }
    // The sign is the text's: "-0.5" has a whole part of 0 and is still negative.
    const double magnitude = std::fabs(static_cast<double>(whole)) + fraction;
    value = !text.empty() && text.front() == '-' ? -magnitude : magnitude;
    return true;
}

bool ParseCoordinates(std::string_view text, double& lat, double& lon) {
    const size_t first = text.find(',');
    if (first == std::string_view::npos)
        return false;
    const size_t second = text.find(',', first + 1);
    if (second == std::string_view::npos)
        return false;
    double parsedLon = 0, parsedLat = 0;
    if (!ParseDecimal(text.substr(0, first), parsedLon) ||
        !ParseDecimal(text.substr(first + 1, second - first - 1), parsedLat))
        return false;
    lat = parsedLat;
    lon = parsedLon;
    return true;
}

bool ParseInteger(std::string_view text, int32_t& value) {
    double parsed = 0;
    value = 0;
    if (!ParseDecimal(text, parsed))
        return false;
    const double rounded = std::nearbyint(parsed);  // the default mode rounds halves to even
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max()))
        return false;
    value = static_cast<int32_t>(rounded);
    return true;
}

void ScanPlacemarkText(std::string_view text, PlacemarkFile& file) {
    file = PlacemarkFile{};
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        file.Lines.emplace_back(line);
        start = end + 1;
    }

    auto add = [&file](const std::string& value) {
        double lat = 0, lon = 0;
        if (!value.empty() && ParseCoordinates(value, lat, lon))
            file.Placemarks.push_back({std::string(), lat, lon});
    };
    int state = 0;
    for (const std::string& line : file.Lines) {
        switch (state) {
            case 0:
                if (ExtractTagValue("kml", line).HasOpen) {
                    state = 1;
                    file.IsKml = true;
                }
                break;
            case 1:
                if (ExtractTagValue("kml", line).HasClose)
                    return;
                if (ExtractTagValue("Placemark", line).HasOpen)
                    state = 2;
                break;
            case 2: {
                if (ExtractTagValue("Placemark", line).HasClose) {
                    state = 1;
                    break;
                }
                const TagValue range = ExtractTagValue("range", line);
                if (range.Found) {
                    ParseInteger(range.Value, file.EyeAltitude);
                    break;
                }
                if (ExtractTagValue("Point", line).HasOpen)
                    state = 3;
                break;
            }
            case 3: {
                if (ExtractTagValue("Point", line).HasClose) {
                    state = 2;
                    break;
                }
                const TagValue coordinates = ExtractTagValue("coordinates", line);
                if (coordinates.Found) {
                    if (!coordinates.HasClose)
                        state = 4;
                    add(coordinates.Value);
                }
                break;
            }
            default: {
                const TagValue coordinates = ExtractTagValue("coordinates", line);
                if (!coordinates.Found) {
                    add(std::string(Trim(line)));
                } else if (coordinates.HasClose) {
                    state = 3;
                    add(coordinates.Value);
                }
                break;
            }
        }
    }
}

bool ReadPlacemarkFile(const std::filesystem::path& path, PlacemarkFile& file, std::string& error) {
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data, error, kMaxPlacemarkFileBytes))
        return false;
    ScanPlacemarkText(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
                      file);
    return true;
}

RootView RootViewOf(const tGEPlacemark& a, const tGEPlacemark& b) {
    RootView view;
    view.LatTop = std::max(a.Lat, b.Lat);
    view.LatBottom = std::min(a.Lat, b.Lat);
    view.LonLeft = a.Lon < b.Lon ? a.Lon : b.Lon;
    view.LonRight = a.Lon < b.Lon ? b.Lon : a.Lon;
    const double midLat = view.LatTop - (view.LatTop - view.LatBottom) / 2;
    const double midLon = (view.LonRight - view.LonLeft) / 2 + view.LonLeft;
    tCalibPoint p1, p2;
    p1.Lat = midLat;
    p1.Lon = view.LonLeft;
    p2.Lat = midLat;
    p2.Lon = view.LonRight;
    view.ImageWidth = UtmDistance(p1, p2);
    p1.Lat = view.LatTop;
    p1.Lon = midLon;
    p2.Lat = view.LatBottom;
    p2.Lon = midLon;
    view.ImageHeight = UtmDistance(p1, p2);
    return view;
}

bool LoadRootPlacemarkFile(const std::filesystem::path& path, RootPlacemarkFile& root,
                           std::string& error) {
    PlacemarkFile file;
    if (!ReadPlacemarkFile(path, file, error))
        return false;
    if (!file.IsKml) {
        error = kNoPlacemarkFile;
        return false;
    }
    if (file.Placemarks.size() < 2) {
        error = kTooFewPlacemarks;
        return false;
    }
    root.View = RootViewOf(file.Placemarks[0], file.Placemarks[1]);
    root.File = std::move(file);
    return true;
}

}  // namespace korvalen
