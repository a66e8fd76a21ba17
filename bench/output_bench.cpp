// Storing a 6000 x 4000 photograph: WriteJpegFile at quality 90 against a
// plain libjpeg encode of the same bitmap rows, and the TIFF writer.
//
// BM_JpegPlain* encode the bitmap's own rows with libjpeg alone (to memory,
// and to a file through stdio without syncing it); BM_WriteJpegFile is the
// program's writer, which also syncs the file to disk and renames it over
// the target. The files go to a fresh folder under $TMPDIR (or /tmp).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string>

#include <jpeglib.h>

#include "repair/photooutput.h"
#include "repair/tiffwriter.h"

namespace {

constexpr int kW = 6000;
constexpr int kH = 4000;

// A photograph-like picture: smooth gradients with a little sensor noise,
// which compresses about as a real photograph does.
const vt::Bitmap& Photo() {
    static const vt::Bitmap photo = [] {
        vt::Bitmap b(kW, kH);
        std::uint32_t s = 12345;
        for (int y = 0; y < kH; ++y) {
            std::uint8_t* row = b.scanLine(y);
            for (int x = 0; x < kW; ++x) {
                s = s * 1664525u + 1013904223u;
                const int noise = int(s >> 29) - 4;
                row[3 * x] = std::uint8_t(std::clamp(60 + x / 50 + noise, 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(90 + y / 30 + noise, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp(40 + (x + y) / 60 + noise, 0, 255));
            }
        }
        return b;
    }();
    return photo;
}

std::string Folder() {
    static const std::string dir = [] {
        const char* t = std::getenv("TMPDIR");
        std::string base = std::string(t && *t ? t : "/tmp") + "/vorantel-bench-XXXXXX";
        if (!::mkdtemp(base.data())) std::abort();
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return base + "/";
    }();
    return dir;
}

// libjpeg alone: quality 90, the bitmap's blue, green, red rows as they are.
void PlainEncode(const vt::Bitmap& b, jpeg_compress_struct& cinfo) {
    cinfo.image_width = JDIMENSION(b.width());
    cinfo.image_height = JDIMENSION(b.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(b.scanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
}

void BM_JpegPlainToMemory(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* out = nullptr;
        jpeg_mem_dest(&cinfo, &out, &size);
        PlainEncode(b, cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_JpegPlainToMemory)->Unit(benchmark::kMillisecond);

void BM_JpegPlainToFile(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    const std::string path = Folder() + "plain.jpg";
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) std::abort();
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, f);
        PlainEncode(b, cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_JpegPlainToFile)->Unit(benchmark::kMillisecond);

void BM_WriteJpegFile(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    const std::string path = Folder() + "photo.jpg";
    for (auto _ : state)
        vt::WriteJpegFile(path, b, vt::kJpegQuality);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteJpegFile)->Unit(benchmark::kMillisecond);

void BM_StorePhotoJpeg(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    const std::string dest = vt::DestinationPathFor(Folder() + "photo.png");
    std::string written;
    for (auto _ : state)
        written = vt::StorePhoto(b, dest);
    std::remove(written.c_str());
}
BENCHMARK(BM_StorePhotoJpeg)->Unit(benchmark::kMillisecond);

// Counts the bytes written and keeps none of them.
class Discard : public std::streambuf {
  public:
    std::size_t count = 0;

  protected:
    int_type overflow(int_type c) override {
        ++count;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count += std::size_t(n);
        return n;
    }
};

// The writer's own work: headers and rows turned from blue, green, red into
// red, green, blue, without a file.
void BM_WriteTiffToNothing(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    for (auto _ : state) {
        Discard d;
        std::ostream s(&d);
        vt::WriteTiff(s, b);
        benchmark::DoNotOptimize(d.count);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kW * kH * 3);
}
BENCHMARK(BM_WriteTiffToNothing)->Unit(benchmark::kMillisecond);

void BM_WriteTiffFile(benchmark::State& state) {
    const vt::Bitmap& b = Photo();
    const std::string path = Folder() + "photo.tif";
    for (auto _ : state)
        vt::WriteTiffFile(path, b);
    std::remove(path.c_str());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kW * kH * 3);
}
BENCHMARK(BM_WriteTiffFile)->Unit(benchmark::kMillisecond);

} // namespace
