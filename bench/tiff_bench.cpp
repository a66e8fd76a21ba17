// Loading an LZW-compressed TIFF of a 6000 x 4000 photograph.
//
// The picture is synthetic (smooth shading, edges and sensor-like noise, so
// that LZW packs it about as well as a real photograph) and is compressed by
// a small TIFF LZW encoder below, the way libtiff writes it: one strip per
// 8 kB of rows, codes widened one code early, Clear when the table is full.
//
//   VORANTEL_TIFF_BENCH_FILE=path   load that file instead
//   VORANTEL_TIFF_BENCH_SAVE=path   also write the generated file there, to
//                                   time another decoder on the same bytes
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imageio/stream.h"
#include "imageio/tiffgraphic.h"

namespace {

constexpr std::uint32_t kW = 6000;
constexpr std::uint32_t kH = 4000;

class LzwEncoder {
  public:
    std::vector<std::uint8_t> Encode(const std::uint8_t* data, std::size_t n) {
        out_.clear();
        acc_ = 0;
        bits_ = 0;
        if (stamp_.empty()) {
            stamp_.assign(4096 * 256, 0);
            code_.assign(4096 * 256, 0);
        }
        ++generation_;
        unsigned width = 9, next = 258;
        Put(256, width);
        unsigned w = data[0];
        for (std::size_t i = 1; i < n; ++i) {
            const unsigned key = w << 8 | data[i];
            if (stamp_[key] == generation_) {
                w = code_[key];
                continue;
            }
            Put(w, width);
            stamp_[key] = generation_;
            code_[key] = std::uint16_t(next++);
            if (next == 4094) {
                Put(256, width);
                width = 9;
                next = 258;
                ++generation_;
            } else if (next > (1u << width) - 1) {
                ++width;
            }
            w = data[i];
        }
        Put(w, width);
        if (++next > (1u << width) - 1 && width < 12) ++width;
        Put(257, width);
        if (bits_) out_.push_back(std::uint8_t(acc_ << (8 - bits_)));
        return out_;
    }

  private:
    void Put(unsigned code, unsigned width) {
        acc_ = acc_ << width | code;
        bits_ += width;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.push_back(std::uint8_t(acc_ >> bits_));
        }
    }
    std::vector<std::uint8_t> out_;
    std::uint64_t acc_ = 0;
    unsigned bits_ = 0;
    std::vector<std::uint32_t> stamp_;
    std::vector<std::uint16_t> code_;
    std::uint32_t generation_ = 0;
};

void Put16(std::vector<std::uint8_t>& f, std::uint32_t v) {
    f.push_back(std::uint8_t(v));
    f.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& f, std::uint32_t v) {
    Put16(f, v & 0xFFFF);
    Put16(f, v >> 16);
}

std::vector<std::uint8_t> MakePhotoTiff() {
    const std::size_t rowBytes = std::size_t(kW) * 3;
    const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, 8192 / std::uint32_t(rowBytes));
    std::vector<std::uint8_t> file = {'I', 'I', 42, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> offsets, counts;
    std::vector<std::uint8_t> strip;
    LzwEncoder lzw;
    std::uint32_t seed = 12345;
    for (std::uint32_t y0 = 0; y0 < kH; y0 += rowsPerStrip) {
        strip.clear();
        for (std::uint32_t y = y0; y < std::min(kH, y0 + rowsPerStrip); ++y)
            for (std::uint32_t x = 0; x < kW; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 29) - 4;
                const int sky = int(40 + y * 150 / kH);
                const bool hill = y > kH / 2 + (x % 1500) / 10;
                const int r = hill ? 60 + int(x % 97) / 8 : sky;
                const int g = hill ? 110 + int((x + y) % 61) / 6 : sky + 30;
                const int b = hill ? 40 : 200 - int(y * 60 / kH);
                strip.push_back(std::uint8_t(std::clamp(r + noise, 0, 255)));
                strip.push_back(std::uint8_t(std::clamp(g + noise, 0, 255)));
                strip.push_back(std::uint8_t(std::clamp(b + noise, 0, 255)));
            }
        const std::vector<std::uint8_t> packed = lzw.Encode(strip.data(), strip.size());
        offsets.push_back(std::uint32_t(file.size()));
        counts.push_back(std::uint32_t(packed.size()));
        file.insert(file.end(), packed.begin(), packed.end());
    }
    if (file.size() % 2) file.push_back(0);
    const std::uint32_t ifd = std::uint32_t(file.size());
    for (int i = 0; i < 4; ++i)
        file[4 + i] = std::uint8_t(ifd >> (8 * i));
    const std::uint32_t entries = 10;
    const std::uint32_t extra = ifd + 2 + 12 * entries + 4;
    const std::uint32_t bpsAt = extra;
    const std::uint32_t offsetsAt = bpsAt + 6;
    const std::uint32_t countsAt = offsetsAt + 4 * std::uint32_t(offsets.size());
    Put16(file, entries);
    auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                     std::uint32_t value) {
        Put16(file, tag);
        Put16(file, type);
        Put32(file, count);
        if (type == 3 && count == 1) {
            Put16(file, value);
            Put16(file, 0);
        } else {
            Put32(file, value);
        }
    };
    entry(256, 3, 1, kW);
    entry(257, 3, 1, kH);
    entry(258, 3, 3, bpsAt);
    entry(259, 3, 1, 5);
    entry(262, 3, 1, 2);
    entry(273, 4, std::uint32_t(offsets.size()), offsetsAt);
    entry(277, 3, 1, 3);
    entry(278, 3, 1, rowsPerStrip);
    entry(279, 4, std::uint32_t(counts.size()), countsAt);
    entry(284, 3, 1, 1);
    Put32(file, 0);
    for (int i = 0; i < 3; ++i)
        Put16(file, 8);
    for (std::uint32_t o : offsets)
        Put32(file, o);
    for (std::uint32_t c : counts)
        Put32(file, c);
    return file;
}

const std::vector<std::uint8_t>& Photo() {
    static const std::vector<std::uint8_t> bytes = [] {
        if (const char* path = std::getenv("VORANTEL_TIFF_BENCH_FILE")) {
            std::ifstream in(path, std::ios::binary);
            return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
        }
        std::vector<std::uint8_t> made = MakePhotoTiff();
        if (const char* path = std::getenv("VORANTEL_TIFF_BENCH_SAVE")) {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(made.data()), std::streamsize(made.size()));
        }
        return made;
    }();
    return bytes;
}

// The whole load: strips decoded and converted into the 24-bit bitmap.
void BM_TIFFLoadLZW(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = Photo();
    for (auto _ : state) {
        vt::TMemoryStream stream(bytes.data(), bytes.size());
        vt::TTIFFGraphic reader;
        reader.LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.GetBitmap().bits());
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_TIFFLoadLZW)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Only the strips, unpacked as they are stored.
void BM_TIFFDecodeStripsLZW(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = Photo();
    for (auto _ : state) {
        vt::TMemoryStream stream(bytes.data(), bytes.size());
        vt::TTIFFGraphic reader;
        benchmark::DoNotOptimize(reader.DecodeAllStrips(stream).data());
    }
}
BENCHMARK(BM_TIFFDecodeStripsLZW)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
