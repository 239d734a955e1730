// What the self-search window costs on top of the search: a whole search of a 250 x 250 band
// over a search area five times its size each way (about 1.5 million positions), once with a
// host that does nothing and once in the window, offscreen, which refreshes its display and
// lets events run at every breath of the search (about every 30 ms).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <string>

#include "app/Dialogs.h"
#include "core/Settings.h"
#include "images/Bitmap.h"
#include "images/PixelConvert.h"
#include "joining/SelfSearch.h"
#include "joining/TavixAutomatic.h"

namespace korvalen {
namespace {

constexpr int kTargetSide = 1600;
constexpr int kBandSide = 250;
constexpr uint8_t kOverlapSetting = 10;  // the area is (ratio 5) x 2 half bands each way

// Map-like content: shaded fields with sharp borders, lines and scanner noise, reduced to the
// standard palette as the search sees it.
Bitmap MakeMapPicture(int width, int height, uint32_t seed) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    uint32_t noise = 2463534242u ^ seed;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t field = ((x >> 5) * 2654435761u) ^ ((y >> 5) * 40503u) ^ seed;
            int r = static_cast<int>(field & 0xFF) / 2 + (x & 63);
            int g = static_cast<int>((field >> 8) & 0xFF) / 2 + (y & 63);
            int b = static_cast<int>((field >> 16) & 0xFF) / 2 + ((x + y) & 31);
            if ((x + 3 * y) % 97 < 2)
                r = g = b = 20;
            const int jitter = static_cast<int>(noise & 15) - 8;
            row[3 * x] = static_cast<uint8_t>(std::clamp(b + jitter, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g + jitter, 0, 255));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(r + jitter, 0, 255));
        }
    }
    return ConvertPixelFormat(picture, PixelFormat::Bits8);
}

const Bitmap& Target() {
    static const Bitmap target = MakeMapPicture(kTargetSide, kTargetSide, 1);
    return target;
}

const Bitmap& NewMap() {
    static const Bitmap map = MakeMapPicture(kBandSide + 20, kBandSide + 20, 3);
    return map;
}

// The new map comes from another picture, so nothing reaches the minimum and the whole area
// is searched.
JoinRequest WholeSearchRequest() {
    JoinRequest request;
    request.NewMap = &NewMap();
    request.TargetArea = Target();
    request.JoinDirection = {-1, 0};
    request.BandPos = {10, 10};
    request.BandWidth = request.BandHeight = kBandSide;
    request.ExpectedPos = {(kTargetSide - kBandSide) / 2, (kTargetSide - kBandSide) / 2};
    request.RowCount = 1;
    request.ColCount = 2;
    request.Row = 1;
    request.Col = 2;
    request.NeighbourRow = 1;
    request.NeighbourCol = 1;
    return request;
}

Settings WholeSearchSettings() {
    Settings settings;
    settings.continueSearch = 0;
    settings.confirmTavix = false;
    settings.previewFirst = false;
    settings.immediateStart = true;
    settings.overlap = kOverlapSetting;
    return settings;
}

class NoOpHost : public SearchHost {
public:
    int Decide(const DecisionRequest&) override { return 1; }
    bool ShowPreview(const PreviewRequest&) override { return false; }
};

// Nothing is asked in a search that finds nothing; any question would end the benchmark.
class NoDialogs : public Dialogs {
public:
    int SelectOption(const Selection&) override { return 0; }
    bool ShowTimedMessage(const TimedMessage&) override { return false; }
    bool Confirm(const QString&) override { return false; }
    void Message(const QString&) override {}
    void Error(const QString&) override {}
    std::optional<FileAnswer> OpenFile(const FileRequest&) override { return {}; }
    std::optional<FileAnswer> SaveFile(const FileRequest&) override { return {}; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return {}; }
    std::optional<QColor> ChooseColour(const QColor&) override { return {}; }
};

void BM_EngineWholeSearch(benchmark::State& state) {
    JoinRequest request = WholeSearchRequest();
    const SearchSettings settings = SearchSettingsFrom(WholeSearchSettings());
    int64_t positions = 0;
    for (auto _ : state) {
        NoOpHost host;
        SelfSearch search(request, settings, host);
        std::string error;
        if (!search.Activate(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        search.Start();
        positions += search.State().PositionCount;
    }
    state.counters["positions"] =
        benchmark::Counter(static_cast<double>(positions) / state.iterations());
}
BENCHMARK(BM_EngineWholeSearch)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_WindowWholeSearch(benchmark::State& state) {
    JoinRequest request = WholeSearchRequest();
    const Settings settings = WholeSearchSettings();
    NoDialogs dialogs;
    int64_t positions = 0;
    int64_t held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<TfAutomatic>(request, settings, dialogs);
        window->setGeometry(0, 0, 1024, 768);
        window->show();  // its activation is queued; running it here is what is measured
        state.ResumeTiming();
        window->FormActivate();  // searches the whole area, then holds
        positions += window->Search().State().PositionCount;
        held += window->Search().State().Paused ? 1 : 0;
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["positions"] =
        benchmark::Counter(static_cast<double>(positions) / state.iterations());
    if (held != state.iterations())
        state.SkipWithError("the search did not end held");
}
BENCHMARK(BM_WindowWholeSearch)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
}  // namespace korvalen
