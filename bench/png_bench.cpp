// Decoding a 6000 x 4000 RGB PNG (zlib's default level, adaptive filters)
// through LoadPicture, next to libpng decoding the same file in the same
// run. libpng is loaded at run time when its header was found at build time
// and the shared library is installed; otherwise only our reader is timed.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"

#if __has_include(<png.h>)
#include <png.h>
#define VORANTEL_BENCH_LIBPNG 1
#else
#define VORANTEL_BENCH_LIBPNG 0
#endif

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void putBE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data) {
    putBE32(out, std::uint32_t(data.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, std::uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

int paeth(int a, int b, int c) {
    int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// A photograph-like picture: smooth shading with fine noise, filtered row by
// row with the filter of the smallest sum of absolute values (as libpng's
// writer chooses), deflated at zlib's default level in 1 MB IDAT chunks.
std::string makePng() {
    const std::size_t rowBytes = std::size_t(kWidth) * 3;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * kHeight);
    std::vector<std::uint8_t> prev(rowBytes, 0), cur(rowBytes), best(rowBytes), trial(rowBytes);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int noise = int(seed >> 29) - 4;
            double fx = x / double(kWidth), fy = y / double(kHeight);
            cur[3 * x] =
                std::uint8_t(std::clamp(int(120 + 80 * std::sin(fx * 9 + fy * 3) + noise), 0, 255));
            cur[3 * x + 1] = std::uint8_t(
                std::clamp(int(100 + 90 * fy + 30 * std::cos(fx * 17) + noise), 0, 255));
            cur[3 * x + 2] = std::uint8_t(std::clamp(int(60 + 120 * fx * fy + noise), 0, 255));
        }
        std::uint64_t bestSum = ~std::uint64_t(0);
        int bestFilter = 0;
        for (int f = 0; f < 5; ++f) {
            std::uint64_t sum = 0;
            for (std::size_t i = 0; i < rowBytes; ++i) {
                int a = i >= 3 ? cur[i - 3] : 0, b = prev[i], c = i >= 3 ? prev[i - 3] : 0;
                int p = f == 0   ? 0
                        : f == 1 ? a
                        : f == 2 ? b
                        : f == 3 ? (a + b) / 2
                                 : paeth(a, b, c);
                trial[i] = std::uint8_t(cur[i] - p);
                sum += trial[i] < 128 ? trial[i] : 256 - trial[i];
            }
            if (sum < bestSum) {
                bestSum = sum;
                bestFilter = f;
                best = trial;
            }
        }
        raw.push_back(std::uint8_t(bestFilter));
        raw.insert(raw.end(), best.begin(), best.end());
        prev = cur;
    }
    uLongf zSize = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> z(zSize);
    compress2(z.data(), &zSize, raw.data(), uLong(raw.size()), Z_DEFAULT_COMPRESSION);
    z.resize(zSize);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> ihdr;
    putBE32(ihdr, kWidth);
    putBE32(ihdr, kHeight);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    putChunk(png, "IHDR", ihdr);
    for (std::size_t at = 0; at < z.size(); at += 1 << 20) {
        std::size_t n = std::min<std::size_t>(1 << 20, z.size() - at);
        putChunk(png, "IDAT",
                 std::vector<std::uint8_t>(z.begin() + long(at), z.begin() + long(at + n)));
    }
    putChunk(png, "IEND", {});

    std::string path = "/tmp/vorantel_png_bench_" + std::to_string(getpid()) + ".png";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
    return path;
}

// Made once, removed at exit (the path outlives every static destructor).
const std::string& benchFile() {
    static const std::string* path = [] {
        auto* p = new std::string(makePng());
        std::atexit([] { std::remove(benchFile().c_str()); });
        return p;
    }();
    return *path;
}

void BM_LoadPicturePng(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        vt::Bitmap b = vt::LoadPicture(path);
        benchmark::DoNotOptimize(b.bits());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_LoadPicturePng)->Unit(benchmark::kMillisecond)->MinTime(3.0);

#if VORANTEL_BENCH_LIBPNG
// libpng's entry points, looked up in the shared library.
struct LibPng {
    void* handle = nullptr;
    decltype(&png_create_read_struct) create = nullptr;
    decltype(&png_create_info_struct) createInfo = nullptr;
    decltype(&png_destroy_read_struct) destroy = nullptr;
    decltype(&png_init_io) initIo = nullptr;
    decltype(&png_read_info) readInfo = nullptr;
    decltype(&png_set_bgr) setBgr = nullptr;
    decltype(&png_read_row) readRow = nullptr;
    decltype(&png_read_end) readEnd = nullptr;
    decltype(&png_set_longjmp_fn) setLongjmp = nullptr;

    LibPng() {
        handle = dlopen("libpng16.so.16", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
        };
        get(create, "png_create_read_struct");
        get(createInfo, "png_create_info_struct");
        get(destroy, "png_destroy_read_struct");
        get(initIo, "png_init_io");
        get(readInfo, "png_read_info");
        get(setBgr, "png_set_bgr");
        get(readRow, "png_read_row");
        get(readEnd, "png_read_end");
        get(setLongjmp, "png_set_longjmp_fn");
    }
    bool ok() const { return handle && create && readRow && readEnd && setLongjmp; }
};

// libpng decoding into rows of a bitmap of the same layout (blue, green,
// red, rows padded to four bytes), as our reader produces.
void BM_LibpngPng(benchmark::State& state) {
    static LibPng lib;
    if (!lib.ok()) {
        state.SkipWithError("libpng16.so.16 not found");
        return;
    }
    const std::string& path = benchFile();
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        png_structp png = lib.create(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = lib.createInfo(png);
        if (setjmp(*lib.setLongjmp(png, longjmp, sizeof(jmp_buf)))) {
            lib.destroy(&png, &info, nullptr);
            std::fclose(f);
            state.SkipWithError("libpng failed");
            return;
        }
        lib.initIo(png, f);
        lib.readInfo(png, info);
        lib.setBgr(png);
        vt::Bitmap b(kWidth, kHeight, vt::PixelFormat::pf24bit);
        for (int y = 0; y < kHeight; ++y)
            lib.readRow(png, b.scanLine(y), nullptr);
        lib.readEnd(png, nullptr);
        lib.destroy(&png, &info, nullptr);
        std::fclose(f);
        benchmark::DoNotOptimize(b.bits());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_LibpngPng)->Unit(benchmark::kMillisecond)->MinTime(3.0);
#endif

} // namespace
