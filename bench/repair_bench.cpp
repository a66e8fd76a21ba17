// FixHotPixels with 50,000 records on a 6000 x 4000 photograph.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "repair/repair.h"

namespace {

constexpr int kW = 6000;
constexpr int kH = 4000;

void BM_FixHotPixels(benchmark::State& state) {
    vt::Bitmap photo(kW, kH);
    std::uint32_t s = 777;
    auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (int y = 0; y < kH; ++y) {
        std::uint8_t* row = photo.scanLine(y);
        for (int x = 0; x < 3 * kW; ++x)
            row[x] = static_cast<std::uint8_t>(next() >> 24);
    }
    // 12,500 lone hot pixels with the four records the analysis writes for
    // each (bottom, left, right, top), some of them at the image edges.
    vt::HotPixelList list;
    list.reserve(50000);
    for (int i = 0; i < 12500; ++i) {
        const int x = int(next() % kW);
        const int y = int(next() % kH);
        list.push_back({{x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}});
        list.push_back({{x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1}});
        list.push_back({{x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1}});
        list.push_back({{x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1}});
    }
    vt::NullProgress progress;
    for (auto _ : state) {
        vt::FixHotPixels(progress, list, photo);
        benchmark::ClobberMemory();
    }
    state.counters["records"] = double(list.size());
}
BENCHMARK(BM_FixHotPixels)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// 400,000 records of one hot pixel: a camera file that repeats a pixel
// must not make the repair quadratic in its run.
void BM_FixHotPixelsOneLongRun(benchmark::State& state) {
    vt::Bitmap photo(kW, kH);
    vt::HotPixelList list;
    list.reserve(400000);
    for (int i = 0; i < 400000; ++i) {
        const int dx = i % 1000, dy = (i / 1000) % 1000;
        list.push_back({{3000, 2000, dx, dy, dx + 1, dy, dx, dy + 1}});
    }
    vt::NullProgress progress;
    for (auto _ : state) {
        vt::FixHotPixels(progress, list, photo);
        benchmark::ClobberMemory();
    }
    state.counters["records"] = double(list.size());
}
BENCHMARK(BM_FixHotPixelsOneLongRun)->Unit(benchmark::kMillisecond);

} // namespace
