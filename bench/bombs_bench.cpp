// How fast and how lean the readers refuse decompression bombs (files of a
// few hundred bytes that declare 16384 x 16384 pixels), and that genuinely
// large pictures of 16384 x 16384 pixels, the most a bitmap may hold, still
// load. Every load runs in a process of its own (this program started again
// with --load), so that the peak memory reported is that load's alone:
//   peak_MB   the largest resident set of the loading process;
//   expected  1 when the bomb was refused with its reader's message, or the
//             large picture loaded.
// Time is the wall time of the whole process, start-up included.
//
// Run: nice -n 15 build/bench/bombs_bench
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "support/hostilefiles.h"
#include "support/tiffbuilder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLoaded = 0;
constexpr int kRefusedAsExpected = 2;
constexpr int kFailedOtherwise = 3;

// The child: loads the file; exit status as above.
int LoadOnly(const char* path, const char* expected) {
    try {
        vt::Bitmap b = vt::LoadPicture(path);
        return b.empty() ? kFailedOtherwise : kLoaded;
    } catch (const std::exception& e) {
        if (expected && std::strcmp(e.what(), expected) == 0) return kRefusedAsExpected;
        std::fprintf(stderr, "%s: %s\n", path, e.what());
        return kFailedOtherwise;
    }
}

struct Outcome {
    double seconds = 0;
    double peakMB = 0;
    int status = -1;
};

Outcome RunChild(const std::string& path, const std::string& expected) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/proc/self/exe", "bombs_bench", "--load", path.c_str(),
              expected.empty() ? nullptr : expected.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Outcome o;
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.peakMB = double(usage.ru_maxrss) / 1024.0;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

const fs::path& WorkDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("vorantel-bombs-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

void LoadInAProcess(benchmark::State& state, const std::string& path, const std::string& expected,
                    int wanted) {
    double peak = 0;
    bool asExpected = true;
    for (auto _ : state) {
        const Outcome o = RunChild(path, expected);
        state.SetIterationTime(o.seconds);
        peak = std::max(peak, o.peakMB);
        asExpected = asExpected && o.status == wanted;
    }
    state.counters["peak_MB"] = peak;
    state.counters["expected"] = asExpected ? 1 : 0;
}

constexpr std::uint32_t kSide = 16384;

// A picture that compresses like a photograph: smooth shapes and noise.
std::uint8_t Sample(std::uint32_t x, std::uint32_t y, std::uint32_t c) {
    static const std::vector<float> across = [] {
        std::vector<float> v(3 * kSide);
        for (std::uint32_t i = 0; i < v.size(); ++i)
            v[i] = float(60 * std::sin((i % kSide) / 700.0 + i / kSide));
        return v;
    }();
    static const std::vector<float> down = [] {
        std::vector<float> v(kSide);
        for (std::uint32_t i = 0; i < kSide; ++i)
            v[i] = float(std::cos(i / 900.0));
        return v;
    }();
    std::uint32_t n = (x * 1103515245u) ^ (y * 2654435761u) ^ (c * 40503u);
    n ^= n >> 13;
    const float v = 128 + across[c * kSide + x] * down[y] + float(n % 24);
    return std::uint8_t(std::min(255.0f, std::max(0.0f, v)));
}

std::string LargeTiff() {
    // Grey, deflate, 64 rows a strip.
    std::vector<std::string> strips;
    std::string rows;
    for (std::uint32_t y = 0; y < kSide; ++y) {
        for (std::uint32_t x = 0; x < kSide; ++x)
            rows += char(Sample(x, y, 0));
        if (rows.size() == std::size_t(64) * kSide || y + 1 == kSide) {
            strips.push_back(vt::test::Deflate(rows, 1));
            rows.clear();
        }
    }
    std::vector<vt::test::TiffTag> tags = vt::test::GreyTags(kSide, kSide, 8);
    tags.push_back({278, 3, {64}});
    return vt::test::BuildTiff(tags, strips);
}

std::string LargePng() {
    std::string rows;
    rows.reserve(std::size_t(kSide + 1) * kSide);
    for (std::uint32_t y = 0; y < kSide; ++y) {
        rows += '\0';
        for (std::uint32_t x = 0; x < kSide; ++x)
            rows += char(Sample(x, y, 0));
    }
    return vt::test::BuildPng(kSide, kSide, 8, 0, vt::test::Deflate(rows, 1));
}

std::string LargeJpeg(int samples, bool progressive) {
    return vt::test::EncodeJpeg(int(kSide), int(kSide), samples, progressive,
                                [samples](int y, std::uint8_t* row) {
                                    for (std::uint32_t x = 0; x < kSide; ++x)
                                        for (int c = 0; c < samples; ++c)
                                            row[x * std::uint32_t(samples) + std::uint32_t(c)] =
                                                Sample(x, std::uint32_t(y), std::uint32_t(c));
                                });
}

void RegisterAll() {
    for (const vt::test::HostileFile& f : vt::test::DecompressionBombs()) {
        const fs::path path = WorkDir() / (f.name + "." + f.extension);
        Write(path, f.bytes);
        benchmark::RegisterBenchmark(("bomb/" + f.name).c_str(),
                                     [path, message = f.message](benchmark::State& s) {
                                         LoadInAProcess(s, path.string(), message,
                                                        kRefusedAsExpected);
                                     })
            ->Iterations(5)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    // Hand-made hostile files of the test data: small files that declared
    // far more work than the picture they make (a 1 x 1 picture with a
    // layer of 16384 x 8192, rows that all point at one long row, 8-bit
    // runs too few for the picture).
    const struct {
        const char* file;
        const char* message; // nullptr: the picture loads
    } hostile[] = {
        {"psp/small-picture-huge-layer.psp", nullptr},
        {"rla/rows-share-one-long-channel.rla", nullptr},
        {"targa/rle8-runs-too-few.tga",
         "Cannot load image. Invalid or unexpected TGA image format."},
    };
    for (const auto& h : hostile) {
        const std::string path = std::string(VORANTEL_TESTDATA) + "/fuzz/" + h.file;
        const std::string message = h.message ? h.message : "";
        const int wanted = h.message ? kRefusedAsExpected : kLoaded;
        benchmark::RegisterBenchmark(("hostile/" + std::string(h.file)).c_str(),
                                     [path, message, wanted](benchmark::State& s) {
                                         LoadInAProcess(s, path, message, wanted);
                                     })
            ->Iterations(5)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    struct Large {
        const char* name;
        std::string (*make)();
    };
    const Large large[] = {
        {"tiff_deflate_grey", [] { return LargeTiff(); }},
        {"png_grey", [] { return LargePng(); }},
        {"jpeg_progressive_grey", [] { return LargeJpeg(1, true); }},
        {"jpeg_baseline_colour", [] { return LargeJpeg(3, false); }},
    };
    for (const Large& l : large) {
        const std::string name = l.name;
        const std::string ext = name.rfind("tiff", 0) == 0  ? ".tif"
                                : name.rfind("png", 0) == 0 ? ".png"
                                                            : ".jpg";
        const fs::path path = WorkDir() / (name + ext);
        auto make = l.make;
        benchmark::RegisterBenchmark(("large_16384x16384/" + name).c_str(),
                                     [path, make](benchmark::State& s) {
                                         // Made when first run, so that a filter
                                         // that leaves it out costs nothing.
                                         if (!fs::exists(path)) Write(path, make());
                                         s.counters["file_MB"] =
                                             double(fs::file_size(path)) / (1 << 20);
                                         LoadInAProcess(s, path.string(), "", kLoaded);
                                     })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--load") == 0)
        return LoadOnly(argv[2], argc >= 4 ? argv[3] : nullptr);
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(WorkDir(), ignored);
    return 0;
}
