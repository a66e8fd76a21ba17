// Loading a 6000 x 4000 colour JPEG (quality 90) through LoadPicture, next
// to libjpeg decoding the same file straight into rows: the reader should
// add nothing to libjpeg's own time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imageio/fileformatlist.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::string makeJpeg() {
    std::string path = "/tmp/vorantel_jpeg_bench_" + std::to_string(getpid()) + ".jpg";
    FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(std::size_t(kWidth) * 3);
    std::uint32_t seed = 1;
    while (c.next_scanline < c.image_height) {
        double fy = c.next_scanline / double(kHeight);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int noise = int(seed >> 29) - 4;
            double fx = x / double(kWidth);
            row[3 * std::size_t(x)] = (unsigned char)std::clamp(
                int(120 + 80 * std::sin(fx * 9 + fy * 3)) + noise, 0, 255);
            row[3 * std::size_t(x) + 1] =
                (unsigned char)std::clamp(int(100 + 90 * fy) + noise, 0, 255);
            row[3 * std::size_t(x) + 2] =
                (unsigned char)std::clamp(int(60 + 120 * fx * fy) + noise, 0, 255);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return path;
}

// Made once, removed at exit (the path outlives every static destructor).
const std::string& benchFile() {
    static const std::string* path = [] {
        auto* p = new std::string(makeJpeg());
        std::atexit([] { std::remove(benchFile().c_str()); });
        return p;
    }();
    return *path;
}

void BM_LoadPictureJpeg(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        vt::Bitmap b = vt::LoadPicture(path);
        benchmark::DoNotOptimize(b.bits());
    }
}
BENCHMARK(BM_LoadPictureJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_LibjpegJpeg(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct d;
        jpeg_error_mgr err;
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_stdio_src(&d, f);
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&d);
        vt::Bitmap b(kWidth, kHeight, vt::PixelFormat::pf24bit);
        while (d.output_scanline < d.output_height) {
            JSAMPROW r = b.scanLine(int(d.output_scanline));
            jpeg_read_scanlines(&d, &r, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        std::fclose(f);
        benchmark::DoNotOptimize(b.bits());
    }
}
BENCHMARK(BM_LibjpegJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace
