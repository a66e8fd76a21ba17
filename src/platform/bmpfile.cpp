#include "platform/bmpfile.h"

#include "platform/files.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kCoreHeaderSize = 12;

// Largest file ReadBmpFile loads: the pixel data of the largest bitmap at
// 32 bits per pixel plus ample room for headers, palette and gaps.
constexpr std::uint64_t kMaxFileSize = kMaxBitmapPixels * 4 + (std::uint64_t(64) << 20);

[[noreturn]] void fail(const std::string& what) {
    throw BmpError("Invalid BMP file: " + what);
}

std::uint16_t get16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// One colour channel of a BI_BITFIELDS pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0; // span from the lowest to the highest set bit of the mask

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = 32 - std::countl_zero(m) - shift;
    }

    // The channel's value scaled to 8 bits; narrower channels repeat their
    // bits, as 5 and 6-bit channels are widened elsewhere.
    std::uint8_t get(std::uint32_t px) const {
        if (bits == 0) return 0;
        std::uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return std::uint8_t(v >> (bits - 8));
        std::uint32_t r = 0;
        int filled = 0;
        while (filled < 8) {
            r = (r << bits) | v;
            filled += bits;
        }
        return std::uint8_t(r >> (filled - 8));
    }
};

struct Layout {
    int width = 0;
    int height = 0; // rows, always positive
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::vector<TColor> palette;
    std::size_t pixelStart = 0;

    // Bitmap row of the y-th row stored in the file.
    int destRow(std::int64_t fileRow) const {
        return topDown ? int(fileRow) : height - 1 - int(fileRow);
    }
};

Layout parseHeaders(const std::uint8_t* data, std::size_t size) {
    if (size < 2) fail("the file is too short");
    if (data[0] != 'B' || data[1] != 'M') fail("the \"BM\" signature is missing");
    if (size < kFileHeaderSize + 4) fail("the file is truncated in its header");
    const std::uint32_t offBits = get32(data + 10);
    const std::uint32_t headerSize = get32(data + 14);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124)
        fail("unsupported header size " + std::to_string(headerSize));
    if (size < kFileHeaderSize + headerSize) fail("the file is truncated in its header");
    const std::uint8_t* h = data + kFileHeaderSize;

    Layout l;
    std::int64_t width, height;
    std::uint32_t colorsUsed = 0;
    std::size_t entrySize;
    if (core) {
        width = get16(h + 4);
        height = get16(h + 6);
        l.bits = get16(h + 10);
        entrySize = 3;
    } else {
        width = std::int32_t(get32(h + 4));
        height = std::int32_t(get32(h + 8));
        l.bits = get16(h + 14);
        l.compression = get32(h + 16);
        colorsUsed = get32(h + 32);
        entrySize = 4;
    }

    std::size_t paletteStart = kFileHeaderSize + headerSize;
    switch (l.compression) {
    case kBiRgb:
        if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 24 &&
            (core || (l.bits != 16 && l.bits != 32)))
            fail("unsupported bit count " + std::to_string(l.bits));
        break;
    case kBiRle8:
    case kBiRle4:
        if (headerSize == 64) fail("unsupported OS/2 compression " + std::to_string(l.compression));
        if (l.bits != (l.compression == kBiRle8 ? 8 : 4))
            fail("run-length compression with " + std::to_string(l.bits) + " bits per pixel");
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        // In the 64-byte OS/2 header the code 3 means Huffman compression.
        if (headerSize == 64) fail("unsupported OS/2 compression " + std::to_string(l.compression));
        if (l.bits != 16 && l.bits != 32)
            fail("bit fields with " + std::to_string(l.bits) + " bits per pixel");
        if (headerSize == kInfoHeaderSize) {
            // The masks follow the header.
            std::size_t count = l.compression == kBiAlphaBitfields ? 4 : 3;
            if (size < paletteStart + 4 * count) fail("the file is truncated in its colour masks");
            for (std::size_t i = 0; i < count; ++i)
                l.masks[i] = get32(data + paletteStart + 4 * i);
            paletteStart += 4 * count;
        } else {
            for (std::size_t i = 0; i < 3; ++i)
                l.masks[i] = get32(h + 40 + 4 * i);
            if (headerSize >= 56) l.masks[3] = get32(h + 52);
        }
        break;
    default:
        fail("unsupported compression " + std::to_string(l.compression));
    }

    if (width <= 0 || height == 0)
        fail("invalid size " + std::to_string(width) + " x " + std::to_string(height));
    l.topDown = height < 0;
    if (height < 0) height = -height;
    if (std::uint64_t(width) * std::uint64_t(height) > kMaxBitmapPixels)
        fail("the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
             " pixels)");
    l.width = int(width);
    l.height = int(height);

    if (offBits != 0 && offBits < paletteStart) fail("the pixel data offset lies in the header");
    std::size_t entries = 0;
    if (l.bits <= 8) {
        // The colour table may be shorter than 2^bits entries: it is cut at
        // the declared count and at the start of the pixels.
        const std::size_t full = std::size_t(1) << l.bits;
        entries = colorsUsed == 0 ? full : std::min<std::size_t>(colorsUsed, full);
        if (offBits != 0)
            entries = std::min<std::size_t>(entries, (offBits - paletteStart) / entrySize);
        if (entries == 0) fail("the colour table is missing");
        if (size < paletteStart + entries * entrySize)
            fail("the file is truncated in its colour table");
        l.palette.reserve(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = data + paletteStart + i * entrySize;
            l.palette.push_back(RGBColor(e[2], e[1], e[0]));
        }
    } else {
        // A direct-colour file may carry a colour table for palette displays.
        entries = std::min<std::uint32_t>(colorsUsed, 256);
    }
    l.pixelStart = offBits != 0 ? offBits : paletteStart + entries * entrySize;
    if (l.pixelStart > size) fail("the file is truncated before its pixels");
    return l;
}

Bitmap readUncompressed(const Layout& l, const std::uint8_t* data, std::size_t size) {
    const std::uint64_t stride = (std::uint64_t(l.width) * std::uint64_t(l.bits) + 31) / 32 * 4;
    if (stride * std::uint64_t(l.height) > size - l.pixelStart)
        fail("the file is truncated in its pixels");
    const std::uint8_t* pixels = data + l.pixelStart;
    auto fileRow = [&](int r) { return pixels + std::size_t(r) * std::size_t(stride); };

    PixelFormat pf = PixelFormat::pf24bit;
    bool raw = true; // rows are copied as they are
    Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
    const bool fields = l.compression != kBiRgb;
    switch (l.bits) {
    case 1:
        pf = PixelFormat::pf1bit;
        break;
    case 4:
        pf = PixelFormat::pf4bit;
        break;
    case 8:
        pf = PixelFormat::pf8bit;
        break;
    case 16:
        if (!fields || (l.masks[0] == 0x7C00 && l.masks[1] == 0x03E0 && l.masks[2] == 0x001F)) {
            pf = PixelFormat::pf15bit;
        } else if (l.masks[0] == 0xF800 && l.masks[1] == 0x07E0 && l.masks[2] == 0x001F) {
            pf = PixelFormat::pf16bit;
        } else {
            pf = PixelFormat::pf24bit;
            raw = false;
        }
        break;
    case 24:
        pf = PixelFormat::pf24bit;
        break;
    case 32:
        pf = PixelFormat::pf32bit;
        raw = !fields ||
              (l.masks[0] == 0x00FF0000 && l.masks[1] == 0x0000FF00 && l.masks[2] == 0x000000FF);
        break;
    }

    Bitmap b(l.width, l.height, pf);
    if (IsPaletteFormat(pf)) b.setPalette(l.palette);
    if (raw) {
        // The bitmap's rows are padded to four bytes like the file's.
        for (int r = 0; r < l.height; ++r)
            std::memcpy(b.scanLine(l.destRow(r)), fileRow(r), std::size_t(stride));
        return b;
    }
    const int bytes = l.bits / 8;
    const int outBytes = l.bits == 16 ? 3 : 4;
    for (int r = 0; r < l.height; ++r) {
        const std::uint8_t* s = fileRow(r);
        std::uint8_t* d = b.scanLine(l.destRow(r));
        for (int x = 0; x < l.width; ++x, s += bytes, d += outBytes) {
            std::uint32_t px = bytes == 2 ? get16(s) : get32(s);
            d[0] = blue.get(px);
            d[1] = green.get(px);
            d[2] = red.get(px);
            if (outBytes == 4) d[3] = alpha.get(px);
        }
    }
    return b;
}

// Most bytes of bitmap rows one byte of run-length data may stand for. A run
// makes at most 255 pixels of two bytes; the codes that skip pixels (end of
// line, delta, end of bitmap) could claim any area with a few bytes, which
// no encoder needs. ImageMagick draws the line at the same place.
constexpr std::uint64_t kMaxRunLengthExpansion = 256;

Bitmap readRunLength(const Layout& l, const std::uint8_t* data, std::size_t size) {
    const bool rle8 = l.compression == kBiRle8;
    const std::uint64_t stride = (std::uint64_t(l.width) * (rle8 ? 8 : 4) + 31) / 32 * 4;
    if (!DataCanCover(stride * std::uint64_t(l.height), size - l.pixelStart,
                      kMaxRunLengthExpansion))
        fail("the run-length data is too short for a picture of " + std::to_string(l.width) +
             " x " + std::to_string(l.height) + " pixels");
    Bitmap b(l.width, l.height, rle8 ? PixelFormat::pf8bit : PixelFormat::pf4bit);
    b.setPalette(l.palette);
    const std::uint8_t* p = data + l.pixelStart;
    const std::uint8_t* const end = data + size;
    std::int64_t x = 0, row = 0;

    // Encoders such as ImageMagick's cover the padding at the end of each
    // row with their runs, and some write runs past the row's end: pixels
    // beyond the picture's width are dropped, and the row stays where it
    // is until an end-of-line code, as other decoders read such files.
    const std::int64_t rowBytes = (std::int64_t(l.width) * l.bits + 31) / 32 * 4;
    const std::int64_t rowLimit = rle8 ? rowBytes : 2 * rowBytes;

    auto put = [&](std::int64_t px, std::uint8_t index) {
        if (px >= l.width) return;
        std::uint8_t* line = b.scanLine(l.destRow(row));
        if (rle8) {
            line[px] = index;
        } else if (px & 1) {
            line[px >> 1] = std::uint8_t((line[px >> 1] & 0xF0) | (index & 0x0F));
        } else {
            line[px >> 1] = std::uint8_t((line[px >> 1] & 0x0F) | (index << 4));
        }
    };
    auto checkRun = [&] {
        if (row >= l.height) fail("run-length data runs past the end of the picture");
    };

    for (;;) {
        if (end - p < 2) fail("the run-length data ends without an end-of-bitmap code");
        const std::uint8_t count = p[0], code = p[1];
        p += 2;
        if (count > 0) {
            // Encoded run: count pixels of one byte (RLE4: two alternating
            // indexes).
            checkRun();
            for (int i = 0; i < count && x + i < l.width; ++i)
                put(x + i, rle8 ? code : ((i & 1) ? code & 0x0F : code >> 4));
            x = std::min<std::int64_t>(x + count, rowLimit);
            continue;
        }
        if (code == 0) { // end of line
            if (row >= l.height) fail("run-length data runs past the end of the picture");
            x = 0;
            ++row;
        } else if (code == 1) { // end of bitmap
            return b;
        } else if (code == 2) { // delta
            if (end - p < 2) fail("the run-length data ends inside a delta code");
            x += p[0];
            row += p[1];
            p += 2;
            if (x > rowLimit || row > l.height || (row == l.height && x > 0))
                fail("a run-length delta moves past the end of the picture");
        } else { // absolute run of `code` pixels, padded to a 16-bit boundary
            checkRun();
            const std::size_t bytes = rle8 ? code : (code + 1) / 2;
            const std::size_t padded = bytes + (bytes & 1);
            if (std::size_t(end - p) < padded) fail("the run-length data is truncated");
            for (int i = 0; i < code && x + i < l.width; ++i)
                put(x + i, rle8 ? p[i] : ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4));
            x = std::min<std::int64_t>(x + code, rowLimit);
            p += padded;
        }
    }
}

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

std::string systemError(const char* what, const std::string& path, int err) {
    return std::string(what) + " \"" + path + "\". " + std::strerror(err);
}

} // namespace

Bitmap ReadBmp(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) size = 0;
    Layout l = parseHeaders(data, size);
    if (l.compression == kBiRle8 || l.compression == kBiRle4) return readRunLength(l, data, size);
    return readUncompressed(l, data, size);
}

Bitmap ReadBmpFile(const std::string& path) {
    std::string error;
    int fd = OpenRegularFile(path, error);
    if (fd < 0) throw std::runtime_error("Cannot open file \"" + path + "\". " + error);
    std::vector<std::uint8_t> data;
    try {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            if (std::uint64_t(st.st_size) > kMaxFileSize)
                throw BmpError("Invalid BMP file: the file is too large");
            data.reserve(std::size_t(st.st_size));
        }
        std::uint8_t chunk[65536];
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw std::runtime_error(systemError("Cannot read file", path, errno));
            }
            if (n == 0) break;
            if (data.size() + std::size_t(n) > kMaxFileSize)
                throw BmpError("Invalid BMP file: the file is too large");
            data.insert(data.end(), chunk, chunk + n);
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return ReadBmp(data.data(), data.size());
}

namespace {

// Everything of a BMP file before its pixel rows, and how the rows are laid
// out.
struct BmpLayout {
    std::vector<std::uint8_t> head; // file header, info header, masks, colours
    std::size_t stride = 0;         // bytes of one row in the file
    std::size_t fullBytes = 0;      // whole bytes of pixels in a row
    int restBits = 0;               // pixel bits in the byte after them
};

BmpLayout LayoutOf(const Bitmap& b) {
    if (b.empty()) throw BmpError("Cannot store an empty bitmap as a BMP file");
    const PixelFormat pf = b.pixelFormat();
    const int bits = StorageBits(pf);
    const bool palette = IsPaletteFormat(pf);
    const std::uint32_t compression = pf == PixelFormat::pf16bit ? kBiBitfields : kBiRgb;
    const std::size_t maskBytes = compression == kBiBitfields ? 12 : 0;

    std::vector<TColor> colors;
    if (palette) {
        const std::size_t full = std::size_t(1) << bits;
        colors = b.palette();
        if (colors.size() > full) colors.resize(full);
        // Without a palette every pixel reads as black; a count of 0 would
        // mean a full table to readers, so write that one in black.
        if (colors.empty()) colors.assign(full, RGBColor(0, 0, 0));
    }

    BmpLayout l;
    l.stride = b.bytesPerLine();
    const std::uint64_t imageSize = std::uint64_t(l.stride) * std::uint64_t(b.height());
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + maskBytes + 4 * colors.size();
    const std::uint64_t fileSize = offBits + imageSize;
    if (fileSize > 0xFFFFFFFFu) throw BmpError("The bitmap is too large for a BMP file");

    l.head.assign(offBits, 0);
    std::uint8_t* p = l.head.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, std::uint32_t(fileSize));
    put32(p + 10, std::uint32_t(offBits));
    std::uint8_t* h = p + kFileHeaderSize;
    put32(h, kInfoHeaderSize);
    put32(h + 4, std::uint32_t(b.width()));
    put32(h + 8, std::uint32_t(b.height()));
    put16(h + 12, 1);
    put16(h + 14, std::uint32_t(bits));
    put32(h + 16, compression);
    put32(h + 20, std::uint32_t(imageSize));
    // Resolution 0: none recorded.
    put32(h + 32, std::uint32_t(colors.size()));
    std::uint8_t* q = h + kInfoHeaderSize;
    if (maskBytes) {
        put32(q, 0xF800);
        put32(q + 4, 0x07E0);
        put32(q + 8, 0x001F);
        q += maskBytes;
    }
    for (TColor c : colors) {
        q[0] = std::uint8_t(GetBValue(c));
        q[1] = std::uint8_t(GetGValue(c));
        q[2] = std::uint8_t(GetRValue(c));
        q += 4;
    }
    const std::uint64_t usedBits = std::uint64_t(b.width()) * std::uint64_t(bits);
    l.fullBytes = std::size_t(usedBits / 8);
    l.restBits = int(usedBits % 8);
    return l;
}

// The file's copy of row y: bits beyond the last pixel and the padding are
// zero.
void FileRow(const Bitmap& b, int y, const BmpLayout& l, std::uint8_t* out) {
    const std::uint8_t* s = b.scanLine(y);
    std::memcpy(out, s, l.fullBytes);
    std::size_t used = l.fullBytes;
    if (l.restBits) out[used++] = std::uint8_t(s[l.fullBytes] & (0xFF00 >> l.restBits));
    std::memset(out + used, 0, l.stride - used);
}

} // namespace

std::vector<std::uint8_t> WriteBmp(const Bitmap& b) {
    BmpLayout l = LayoutOf(b);
    std::vector<std::uint8_t> out = std::move(l.head);
    std::size_t at = out.size();
    out.resize(at + l.stride * std::size_t(b.height()));
    // Rows bottom-up.
    for (int y = b.height() - 1; y >= 0; --y, at += l.stride)
        FileRow(b, y, l, out.data() + at);
    return out;
}

namespace {

// Streams the file's head and rows bottom-up, gathered into blocks of about
// a megabyte.
void StreamBmp(ReplacingFile& file, const Bitmap& b, const BmpLayout& l) {
    int err = file.write(l.head.data(), l.head.size());
    const int rowsPerBlock = int(std::max<std::size_t>(1, (std::size_t(1) << 20) / l.stride));
    std::vector<std::uint8_t> block(std::size_t(rowsPerBlock) * l.stride);
    for (int y = b.height() - 1; !err && y >= 0;) {
        std::size_t used = 0;
        for (int n = 0; n < rowsPerBlock && y >= 0; ++n, --y, used += l.stride)
            FileRow(b, y, l, block.data() + used);
        err = file.write(block.data(), used);
    }
    if (err) throw FileWriteError(file.errorText("Cannot write file", err), err);
}

} // namespace

void WriteBmpTo(ReplacingFile& file, const Bitmap& b) {
    StreamBmp(file, b, LayoutOf(b));
}

void WriteBmpFile(const std::string& path, const Bitmap& b) {
    const BmpLayout layout = LayoutOf(b); // an empty bitmap fails before any file is made
    ReplacingFile file(path);
    StreamBmp(file, b, layout);
    file.commit();
}

} // namespace vt
