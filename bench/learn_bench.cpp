// A camera learnt from six 24-megapixel JPEG photos, next to only decoding
// the same six files: the learning is meant to cost at most half as much
// again as the decoding it cannot do without (the counter "ratio").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "camera/photolearner.h"
#include "imageio/fileformatlist.h"
#include "platform/progress.h"
#include "repair/photooutput.h"

namespace {

constexpr int kW = 6000;
constexpr int kH = 4000;
constexpr int kPhotos = 6;

// Six different photographs of about 10 MB each: smooth shading with fine
// texture and sensor noise, as camera JPEGs hold, and the same 400 hot
// pixels in all of them.
// The folder of the photos, removed when the program ends.
struct PhotoFolder {
    std::string path = (std::filesystem::temp_directory_path() / "vorantel-learn-XXXXXX");
    PhotoFolder() {
        if (!::mkdtemp(path.data())) std::abort();
    }
    ~PhotoFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::vector<std::string>& Photos() {
    static const PhotoFolder folder;
    static const std::vector<std::string> files = [] {
        const std::string& dir = folder.path;
        std::vector<std::string> paths;
        for (int i = 0; i < kPhotos; ++i) {
            vt::Bitmap p(kW, kH, vt::PixelFormat::pf24bit, vt::Bitmap::NoClear{});
            std::uint32_t s = 977u * std::uint32_t(i + 1);
            for (int y = 0; y < kH; ++y) {
                std::uint8_t* row = p.scanLine(y);
                for (int x = 0; x < kW; ++x) {
                    s = s * 1664525u + 1013904223u;
                    const int noise = int(s >> 29) - 4;
                    const int base =
                        ((x * (i + 3) + y * (7 - i)) >> 6) + ((x ^ (y * (i + 1))) & 31);
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = std::uint8_t(
                            std::clamp((base * (c + 2 + i) / 4 + noise) % 256, 0, 255));
                }
            }
            std::uint32_t h = 4242;
            for (int k = 0; k < 400; ++k) {
                h = h * 1664525u + 1013904223u;
                const int x = int(h % kW);
                h = h * 1664525u + 1013904223u;
                const int y = int(h % kH);
                p.setPixel(x, y, vt::RGBColor(255, 255, 255));
            }
            paths.push_back(dir + "/photo" + std::to_string(i) + ".jpg");
            vt::WriteJpegFile(paths.back(), p, 92);
        }
        return paths;
    }();
    return files;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the process: on a machine shared with other work, the
// ratio of these is the steadier one.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

void BM_DecodeSixPhotos(benchmark::State& state) {
    const auto& photos = Photos();
    for (auto _ : state)
        for (const std::string& f : photos) {
            vt::Bitmap b = vt::LoadPicture(f);
            benchmark::DoNotOptimize(b.bits());
        }
}
BENCHMARK(BM_DecodeSixPhotos)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LearnFromSixPhotos(benchmark::State& state) {
    const auto& photos = Photos();
    std::size_t lines = 0;
    double decode = 0, learn = 0, decodeCpu = 0, learnCpu = 0;
    for (auto _ : state) {
        // The decoding alone, then decoding and learning.
        auto t = std::chrono::steady_clock::now();
        double cpu = CpuSeconds();
        for (const std::string& f : photos) {
            vt::Bitmap b = vt::LoadPicture(f);
            benchmark::DoNotOptimize(b.bits());
        }
        decode += Seconds(t);
        decodeCpu += CpuSeconds() - cpu;
        t = std::chrono::steady_clock::now();
        cpu = CpuSeconds();
        vt::PhotoLearner learner;
        for (const std::string& f : photos)
            learner.add(vt::LoadPicture(f));
        vt::NullProgress progress;
        lines = learner.learn({}, progress).analysis.lines.size();
        learn += Seconds(t);
        learnCpu += CpuSeconds() - cpu;
    }
    state.counters["lines"] = double(lines);
    state.counters["decode_s"] = decode / double(state.iterations());
    state.counters["learn_s"] = learn / double(state.iterations());
    state.counters["ratio"] = learn / decode;
    state.counters["cpu_ratio"] = learnCpu / decodeCpu;
}
BENCHMARK(BM_LearnFromSixPhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
