#include "support/hostilefiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <zlib.h>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "support/tiffbuilder.h"

namespace vt::test {

namespace {

constexpr std::uint32_t kSide = 16384;

void PutBE32(std::string& s, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s += char((v >> shift) & 0xFF);
}

std::string PngChunk(const char* type, const std::string& data) {
    std::string c;
    PutBE32(c, std::uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    c += body;
    PutBE32(
        c, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    return c;
}

// TIFF LZW codes of 9 bits, most significant bit first.
std::string LzwCodes(const std::vector<unsigned>& codes) {
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (unsigned code : codes) {
        bits = bits << 9 | code;
        count += 9;
        while (count >= 8) {
            out += char((bits >> (count - 8)) & 0xFF);
            count -= 8;
        }
    }
    if (count > 0) out += char((bits << (8 - count)) & 0xFF);
    return out;
}

// A grey (or 1-bit, or 4-bit) TIFF of kSide x kSide pixels in one strip.
std::string SquareTiff(std::uint32_t compression, std::uint32_t bits, const std::string& strip) {
    std::vector<TiffTag> tags = GreyTags(kSide, kSide, compression);
    tags[2] = {258, 3, {bits}};
    if (bits == 1) tags[4] = {262, 3, {0}};
    return BuildTiff(tags, {strip});
}

} // namespace

std::string Deflate(const std::string& bytes, int level) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(z.data()), &size,
                  reinterpret_cast<const Bytef*>(bytes.data()), uLong(bytes.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    z.resize(size);
    return z;
}

std::string EncodeJpeg(int width, int height, int samples, bool progressive,
                       const std::function<void(int y, std::uint8_t* row)>& rowOf, int quality) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = samples;
    c.in_color_space = samples == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.optimize_coding = TRUE;
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<std::uint8_t> row(std::size_t(width) * std::size_t(samples));
    while (c.next_scanline < c.image_height) {
        rowOf(int(c.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

std::string WithJpegSize(std::string jpeg, int width, int height) {
    // The frame header: FF C0 (baseline) or FF C2 (progressive), length,
    // precision, then height and width, big-endian.
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = std::uint8_t(jpeg[i + 1]);
        if (std::uint8_t(jpeg[i]) != 0xFF || (m != 0xC0 && m != 0xC2)) continue;
        jpeg[i + 5] = char(height >> 8);
        jpeg[i + 6] = char(height & 0xFF);
        jpeg[i + 7] = char(width >> 8);
        jpeg[i + 8] = char(width & 0xFF);
        return jpeg;
    }
    throw std::runtime_error("no frame header");
}

std::string BuildPng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                     const std::string& idat) {
    std::string ihdr;
    PutBE32(ihdr, width);
    PutBE32(ihdr, height);
    ihdr += char(bitDepth);
    ihdr += char(colourType);
    ihdr += std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
           PngChunk("IEND", "");
}

std::string BuildRle8Bmp(std::int32_t width, std::int32_t height, const std::string& data) {
    std::string palette;
    for (int i = 0; i < 256; ++i)
        palette += std::string(3, char(i)) + '\0';
    const std::uint32_t offBits = 14 + 40 + std::uint32_t(palette.size());
    std::string bmp = "BM";
    Put32(bmp, offBits + std::uint32_t(data.size()));
    Put32(bmp, 0);
    Put32(bmp, offBits);
    Put32(bmp, 40);
    Put32(bmp, std::uint32_t(width));
    Put32(bmp, std::uint32_t(height));
    Put16(bmp, 1);
    Put16(bmp, 8);
    Put32(bmp, 1); // BI_RLE8
    Put32(bmp, std::uint32_t(data.size()));
    Put32(bmp, 0);
    Put32(bmp, 0);
    Put32(bmp, 256);
    Put32(bmp, 0);
    return bmp + palette + data;
}

std::vector<HostileFile> DecompressionBombs() {
    const std::string tiff = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
    std::vector<HostileFile> bombs;
    auto add = [&](std::string name, std::string ext, std::string bytes, std::string message) {
        bombs.push_back({std::move(name), std::move(ext), std::move(bytes), std::move(message)});
    };

    add("tiff_uncompressed", "tif", SquareTiff(1, 8, std::string(64, '\x80')), tiff);
    // Clear, then strings of 1, 2, 3 ... zero bytes, then End.
    std::vector<unsigned> codes = {256, 0};
    for (unsigned c = 258; c < 400; ++c)
        codes.push_back(c);
    codes.push_back(257);
    const std::string lzw = LzwCodes(codes);
    add("tiff_lzw", "tif", SquareTiff(5, 8, lzw), tiff);
    std::string packbits;
    for (int i = 0; i < 400; ++i)
        packbits += "\x81\x00"; // 128 zero bytes each
    add("tiff_packbits", "tif", SquareTiff(32773, 8, packbits), tiff);
    add("tiff_deflate", "tif", SquareTiff(8, 8, Deflate(std::string(1 << 18, '\0'))), tiff);
    add("tiff_thunderscan", "tif", SquareTiff(32809, 4, std::string(600, '\x3F')), tiff);
    // Rows of the fax codes: all white (modified Huffman: make-up and
    // terminating codes; group 4: one vertical code per row).
    add("tiff_mh", "tif", SquareTiff(2, 1, std::string(600, '\x35')), tiff);
    add("tiff_g3", "tif", SquareTiff(3, 1, std::string(600, '\x00') + '\x01'), tiff);
    add("tiff_g4", "tif", SquareTiff(4, 1, std::string(900, '\xFF')), tiff);
    const std::string smallJpeg =
        EncodeJpeg(16, 16, 1, false, [](int, std::uint8_t* row) { std::fill_n(row, 16, 0); });
    add("tiff_jpeg", "tif", SquareTiff(7, 8, WithJpegSize(smallJpeg, kSide, kSide)), tiff);
    // Sixteen tiles of 4096 x 4096 pixels, each a few LZW codes.
    std::vector<TiffTag> tiled = GreyTags(kSide, kSide, 5);
    tiled.push_back({322, 3, {4096}});
    tiled.push_back({323, 3, {4096}});
    std::vector<std::uint32_t> offsets(16, 8), counts(16, std::uint32_t(lzw.size()));
    tiled.push_back({324, 4, offsets});
    tiled.push_back({325, 4, counts});
    add("tiff_tiles_lzw", "tif", BuildTiff(tiled, {lzw}), tiff);
    add("eps_preview", "eps", WrapInEPS(SquareTiff(5, 8, lzw)),
        "Cannot load image. Invalid or unexpected EPS image format.");

    const std::string jpeg = "Cannot load image. Invalid or unexpected JPEG image format.";
    auto pattern = [](int y, std::uint8_t* row) {
        for (int x = 0; x < 48; ++x)
            row[x] = std::uint8_t(x * 5 + y * 3);
    };
    add("jpeg_baseline", "jpg", WithJpegSize(EncodeJpeg(16, 16, 3, false, pattern), kSide, kSide),
        jpeg);
    add("jpeg_progressive", "jpg", WithJpegSize(EncodeJpeg(16, 16, 3, true, pattern), kSide, kSide),
        jpeg);

    // A few runs, then the end of the bitmap: the rest would stay index 0.
    add("bmp_rle8", "bmp", BuildRle8Bmp(kSide, kSide, std::string("\xFF\x07\xFF\x07\x00\x01", 6)),
        "Invalid BMP file: the run-length data is too short for a picture of 16384 x 16384 "
        "pixels");
    // Two rows of grey pixels of the declared width.
    add("png_deflate", "png",
        BuildPng(kSide, kSide, 8, 0, Deflate(std::string(2 * (kSide + 1), '\0'))),
        "Cannot load image. Invalid or unexpected PNG image format.");
    return bombs;
}

} // namespace vt::test
