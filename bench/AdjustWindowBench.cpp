// The adjust form on a 100-megapixel map: what one repaint of the visible part costs with the
// map stretched into the box and at 100 % zoom, and what a zoom step costs. A repaint must stay
// a small fraction of a second however large the map is. The window runs offscreen.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>

#include "app/Dialogs.h"
#include "core/ProgramState.h"
#include "images/AdjustPicture.h"
#include "images/TavixAdjust.h"

namespace korvalen {
namespace {

constexpr int kSide = 10000;

// Nothing is asked while measuring.
class NoDialogs : public Dialogs {
public:
    int SelectOption(const Selection&) override { return 0; }
    bool ShowTimedMessage(const TimedMessage&) override { return false; }
    bool Confirm(const QString&) override { return false; }
    void Message(const QString&) override {}
    void Error(const QString&) override {}
    std::optional<FileAnswer> OpenFile(const FileRequest&) override { return std::nullopt; }
    std::optional<FileAnswer> SaveFile(const FileRequest&) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QColor> ChooseColour(const QColor&) override { return std::nullopt; }
};

Bitmap& Map() {
    static Bitmap map;
    if (map.IsEmpty()) {
        map = Bitmap(kSide, kSide, PixelFormat::Bits24);
        for (int y = 0; y < kSide; ++y) {
            uint8_t* row = map.Row(y);
            for (size_t x = 0; x < map.Stride(); ++x)
                row[x] = static_cast<uint8_t>((x * 7 + static_cast<size_t>(y) * 13) % 216);
        }
    }
    return map;
}

struct Window {
    ProgramState state;
    NoDialogs dialogs;
    TfAdjust form{state, dialogs};
    explicit Window(bool full) {
        form.AdjustMap = Map();
        form.FullMap = full;
        form.resize(1600, 1000);
        form.show();
        QCoreApplication::processEvents();
    }
    QRect Visible() {
        auto* box = form.findChild<QScrollArea*>(QStringLiteral("sbMap"));
        return QRect(-form.Picture()->pos(), box->viewport()->size());
    }
};

void BM_RepaintStretched(benchmark::State& state) {
    Window w(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(w.form.Picture()->Render(w.Visible()).constBits());
}
BENCHMARK(BM_RepaintStretched)->Unit(benchmark::kMillisecond);

void BM_RepaintZoomed100(benchmark::State& state) {
    Window w(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(w.form.Picture()->Render(w.Visible()).constBits());
}
BENCHMARK(BM_RepaintZoomed100)->Unit(benchmark::kMillisecond);

// A zoom step: the picture is resized and its visible part repainted.
void BM_ZoomStep(benchmark::State& state) {
    Window w(false);
    auto* zoom = w.form.findChild<UpDown*>(QStringLiteral("udZoom"));
    bool up = true;
    for (auto _ : state) {
        up ? zoom->StepUp() : zoom->StepDown();
        up = !up;
        benchmark::DoNotOptimize(w.form.Picture()->Render(w.Visible()).constBits());
    }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvalen
