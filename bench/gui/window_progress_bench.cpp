// What showing progress in the window costs: the blackshot analysis and the
// hot-pixel repair of a 6000 x 4000 picture, once reporting to nobody and
// once to a real status label and progress bar on screen.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "../blackshot.h"
#include "camera/analysis.h"
#include "platform/gui/windowprogress.h"
#include "qtbench.h"
#include "repair/repair.h"

namespace {

using vt::bench::Blackshot;
using vt::bench::kH;
using vt::bench::kW;

vt::HotPixelList Records() {
    vt::HotPixelList list;
    std::uint32_t s = 99;
    auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (int i = 0; i < 50000; ++i) {
        vt::HotPixelRecord r;
        const int x = 1 + int(next() % (kW - 2)), y = 1 + int(next() % (kH - 2));
        r.v = {x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1};
        list.push_back(r);
    }
    return list;
}

struct Window {
    QWidget top;
    QLabel* label = new QLabel(&top);
    QProgressBar* bar = new QProgressBar(&top);
    Window() {
        auto* l = new QVBoxLayout(&top);
        l->addWidget(label);
        l->addWidget(bar);
        top.resize(273, 80);
        top.show();
        QApplication::processEvents();
    }
};

void BM_AnalysisCore(benchmark::State& state) {
    vt::NullProgress none;
    for (auto _ : state)
        benchmark::DoNotOptimize(vt::AnalyzeBlackshotBitmap(Blackshot(), 30, none));
}

void BM_AnalysisWindow(benchmark::State& state) {
    Window w;
    for (auto _ : state) {
        vt::gui::WindowProgress progress(w.label, w.bar);
        benchmark::DoNotOptimize(vt::AnalyzeBlackshotBitmap(Blackshot(), 30, progress));
        state.counters["paints"] = progress.paints();
    }
}

void BM_RepairCore(benchmark::State& state) {
    vt::Bitmap photo = Blackshot();
    const vt::HotPixelList list = Records();
    vt::NullProgress none;
    for (auto _ : state)
        vt::FixHotPixels(none, list, photo);
}

void BM_RepairWindow(benchmark::State& state) {
    Window w;
    vt::Bitmap photo = Blackshot();
    const vt::HotPixelList list = Records();
    for (auto _ : state) {
        vt::gui::WindowProgress progress(w.label, w.bar);
        vt::FixHotPixels(progress, list, photo);
    }
}

void BM_OnePaint(benchmark::State& state) {
    Window w;
    int i = 0;
    for (auto _ : state) {
        vt::gui::WindowProgress progress(w.label, w.bar);
        progress.status("Fixing point (" + std::to_string(++i) + ",1)");
        progress.position(i % 100);
    }
}

void BM_StepsWithoutPaint(benchmark::State& state) {
    Window w;
    vt::gui::WindowProgress progress(w.label, w.bar, std::chrono::hours(1));
    progress.flush();
    int i = 0;
    for (auto _ : state) {
        progress.status("Fixing point (" + std::to_string(++i) + ",1)");
        progress.position(i);
    }
}

// Core and window runs alternated on the same data, so that both meet the
// same caches and the same machine load; the counters give the mean of each.
void BM_RepairAlternating(benchmark::State& state) {
    Window w;
    vt::Bitmap photo = Blackshot();
    const vt::HotPixelList list = Records();
    vt::NullProgress none;
    double core = 0, window = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        vt::FixHotPixels(none, list, photo);
        auto t1 = std::chrono::steady_clock::now();
        {
            vt::gui::WindowProgress progress(w.label, w.bar);
            vt::FixHotPixels(progress, list, photo);
        }
        auto t2 = std::chrono::steady_clock::now();
        core += std::chrono::duration<double, std::milli>(t1 - t0).count();
        window += std::chrono::duration<double, std::milli>(t2 - t1).count();
        ++rounds;
    }
    state.counters["core_ms"] = core / rounds;
    state.counters["window_ms"] = window / rounds;
    state.counters["window_over_core"] = window / core;
}

void BM_AnalysisAlternating(benchmark::State& state) {
    Window w;
    vt::NullProgress none;
    double core = 0, window = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(vt::AnalyzeBlackshotBitmap(Blackshot(), 30, none));
        auto t1 = std::chrono::steady_clock::now();
        {
            vt::gui::WindowProgress progress(w.label, w.bar);
            benchmark::DoNotOptimize(vt::AnalyzeBlackshotBitmap(Blackshot(), 30, progress));
        }
        auto t2 = std::chrono::steady_clock::now();
        core += std::chrono::duration<double, std::milli>(t1 - t0).count();
        window += std::chrono::duration<double, std::milli>(t2 - t1).count();
        ++rounds;
    }
    state.counters["core_ms"] = core / rounds;
    state.counters["window_ms"] = window / rounds;
    state.counters["window_over_core"] = window / core;
}

BENCHMARK(BM_RepairAlternating)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AnalysisAlternating)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OnePaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepsWithoutPaint);
BENCHMARK(BM_AnalysisCore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AnalysisWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepairCore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepairWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vt::bench::RunWindowBenchmarks(argc, argv);
}
