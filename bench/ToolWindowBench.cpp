// What the manual tools cost on large maps: the manual move's overlap measure (plain, with the
// disagreeing pixels marked, and a whole surround search), and one step of dragging in the
// manual move and the search band windows, each with the repaint of what the step changed.
// The windows run offscreen.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QRegion>
#include <cstdint>

#include "core/Settings.h"
#include "images/Bitmap.h"
#include "images/BitmapOps.h"
#include "joining/MoveMapGeometry.h"
#include "joining/TavixBandArea.h"
#include "joining/TavixMoveMap.h"
#include "joining/ToolPicture.h"

namespace korvalen {
namespace {

constexpr int kWorldWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kTargetWidth = 2400;
constexpr int kOverlap = 800;  // columns the new half shares with the target
constexpr QSize kWindow(1600, 1000);

// Map-like fields with noise, so that a wrong placement disagrees.
Bitmap MakeWorld() {
    Bitmap picture(kWorldWidth, kHeight, PixelFormat::Bits24);
    uint32_t noise = 2463534242u;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < kWorldWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t field = ((x >> 5) * 2654435761u) ^ ((y >> 5) * 40503u);
            row[3 * x] = static_cast<uint8_t>((field & 0x7F) + (noise & 15));
            row[3 * x + 1] = static_cast<uint8_t>(((field >> 8) & 0x7F) + (y & 63));
            row[3 * x + 2] = static_cast<uint8_t>(((field >> 16) & 0x7F) + (x & 63));
        }
    }
    return picture;
}

struct Pictures {
    Bitmap world = MakeWorld();
    Bitmap target = *CopyArea(&world, {0, 0, kTargetWidth, kHeight});
    Bitmap half =
        *CopyArea(&world, {kTargetWidth - kOverlap, 0, 2 * kTargetWidth - kOverlap, kHeight});
    Point fit{kTargetWidth - kOverlap, 0};
};

const Pictures& SharedPictures() {
    static const Pictures pictures;
    return pictures;
}

void BM_MoveMeasure(benchmark::State& state) {
    const Pictures& p = SharedPictures();
    MoveMapGeometry geometry(true, p.target, p.half, p.fit, 1);
    std::vector<uint8_t> mismatch;
    const bool painted = state.range(0) != 0;
    int step = 1;
    for (auto _ : state) {
        geometry.MoveBy(step, 0);
        step = -step;
        benchmark::DoNotOptimize(geometry.Measure(painted ? &mismatch : nullptr));
    }
    const Rect box = geometry.MeasuredBox();
    state.counters["pixels"] = static_cast<double>(int64_t{box.Width()} * box.Height());
}
BENCHMARK(BM_MoveMeasure)->Arg(0)->Arg(1)->ArgNames({"painted"})->Unit(benchmark::kMillisecond);

void BM_MoveSurroundRadius3(benchmark::State& state) {
    const Pictures& p = SharedPictures();
    MoveMapGeometry geometry(true, p.target, p.half, p.fit + Point{2, -1}, 1);
    for (auto _ : state) {
        geometry.SearchSurround(3, nullptr);
        geometry.GoToBest();
    }
    if (geometry.CurrentOffset() != p.fit)
        state.SkipWithError("the surround search missed the fit");
}
BENCHMARK(BM_MoveSurroundRadius3)->Unit(benchmark::kMillisecond);

// One drag step: the half moves a pixel, is measured, and the rectangles that changed are drawn
// as the window's paint draws them (clipped to what the scroll box shows).
void BM_MoveWindowDragStep(benchmark::State& state) {
    const Pictures& p = SharedPictures();
    Settings settings;
    TfMoveMap window(nullptr, {-1, 0}, p.half, p.target, p.fit, 1, settings);
    window.resize(kWindow);
    window.show();
    QCoreApplication::processEvents();
    ToolPicture* picture = window.Picture();
    const QRect visible = picture->visibleRegion().boundingRect();
    int step = 1;
    for (auto _ : state) {
        window.MoveMap(step, 0);
        step = -step;
        benchmark::DoNotOptimize(picture->Render(visible).constBits());
    }
    state.counters["visible_pixels"] = static_cast<double>(visible.width()) * visible.height();
}
BENCHMARK(BM_MoveWindowDragStep)->Unit(benchmark::kMillisecond);

// One band drag step: only the frames move, so only their strips are drawn again.
void BM_BandWindowDragStep(benchmark::State& state) {
    const Pictures& p = SharedPictures();
    Settings settings;
    TfBandArea window(nullptr, {-1, 0}, p.half, p.target, {200, 1400, 450, 1650}, {1800, 1500},
                      settings);
    window.resize(kWindow);
    window.show();
    QCoreApplication::processEvents();
    ToolPicture* picture = window.Picture();
    int step = 1;
    for (auto _ : state) {
        const QRect before = ToQRect(window.Geometry().BandBox());
        window.MoveButtonClick(step > 0 ? 100 : -100);
        step = -step;
        const QRegion changed =
            FrameRegion(before, 4) + FrameRegion(ToQRect(window.Geometry().BandBox()), 4);
        for (const QRect& r : changed)
            benchmark::DoNotOptimize(picture->Render(r).constBits());
    }
}
BENCHMARK(BM_BandWindowDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvalen
