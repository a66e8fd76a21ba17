#include "repair/tiffwriter.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "repair/photooutput.h"

namespace vt {

namespace {

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kRational = 5;

constexpr std::uint32_t kHeaderSize = 8;
constexpr std::uint32_t kRationalSize = 8;
// An ASCII value ends with its null byte, which the count includes; readers
// such as libtiff warn about a value without it.
constexpr char kSoftware[] = "Quendraval";
constexpr std::uint32_t kSoftwareSize = sizeof kSoftware;
constexpr std::uint32_t kResolution = 877;
constexpr std::uint32_t kResolutionDenominator = 10;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;
};

enum class Layout { Bilevel, Palette, Rgb };

// Everything about the file that is known before its first byte.
struct Plan {
    Layout layout = Layout::Rgb;
    int bits = 0;            // bits per sample in the file
    std::uint32_t width = 0; // columns written
    std::uint32_t height = 0;
    std::uint32_t rowBytes = 0;
    // Offsets of the blocks.
    std::uint32_t colorMap = 0;
    std::uint32_t xResolution = 0;
    std::uint32_t yResolution = 0;
    std::uint32_t bitsPerSample = 0;
    std::uint32_t software = 0;
    std::uint32_t rows = 0;
    std::uint32_t ifd = 0;
    // A 4-bit bitmap written with one byte per pixel.
    bool widenNibbles = false;
};

Plan planFor(const Bitmap& b) {
    Plan p;
    p.height = std::uint32_t(b.height());
    p.width = std::uint32_t(b.width());
    switch (b.pixelFormat()) {
    case PixelFormat::pf1bit:
        p.layout = Layout::Bilevel;
        p.bits = 1;
        p.rowBytes = (p.width + 7) / 8;
        break;
    case PixelFormat::pf4bit:
        p.layout = Layout::Palette;
        if (p.width >= 4) {
            p.bits = 4;
            p.width = p.width / 4 * 4;
            p.rowBytes = p.width / 2;
        } else {
            p.bits = 8;
            p.widenNibbles = true;
            p.rowBytes = p.width;
        }
        break;
    case PixelFormat::pf8bit:
        p.layout = Layout::Palette;
        p.bits = 8;
        p.rowBytes = p.width;
        break;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit:
    case PixelFormat::pf24bit:
    case PixelFormat::pf32bit:
        p.layout = Layout::Rgb;
        p.bits = 8;
        p.rowBytes = 3 * p.width;
        break;
    }
    // The bitmap's pixel limit keeps every size and offset far below 2^32.
    const std::uint32_t pixelBytes = p.rowBytes * p.height;
    switch (p.layout) {
    case Layout::Bilevel:
        p.rows = kHeaderSize;
        p.xResolution = p.rows + pixelBytes;
        p.yResolution = p.xResolution + kRationalSize;
        p.software = p.yResolution + kRationalSize;
        p.ifd = p.software + kSoftwareSize;
        break;
    case Layout::Palette:
        p.colorMap = kHeaderSize;
        p.xResolution = p.colorMap + 3 * (std::uint32_t(1) << p.bits) * 2;
        p.yResolution = p.xResolution + kRationalSize;
        p.software = p.yResolution + kRationalSize;
        p.rows = p.software + kSoftwareSize;
        p.ifd = p.rows + pixelBytes;
        break;
    case Layout::Rgb:
        p.xResolution = kHeaderSize;
        p.yResolution = p.xResolution + kRationalSize;
        p.bitsPerSample = p.yResolution + kRationalSize;
        p.software = p.bitsPerSample + 3 * 2;
        p.rows = p.software + kSoftwareSize;
        p.ifd = p.rows + pixelBytes;
        break;
    }
    return p;
}

// The X and Y resolutions, the bits per sample of the RGB layout and the
// software name, as the blocks follow each other in every layout.
void putResolutionAndSoftware(std::vector<std::uint8_t>& out, bool rgb) {
    for (int i = 0; i < 2; ++i) {
        put32(out, kResolution);
        put32(out, kResolutionDenominator);
    }
    if (rgb)
        for (int i = 0; i < 3; ++i)
            put16(out, 8);
    out.insert(out.end(), kSoftware, kSoftware + kSoftwareSize);
}

// Header and every data block that precedes the pixel rows.
std::vector<std::uint8_t> leadingBytes(const Plan& p, const Bitmap& b) {
    std::vector<std::uint8_t> out;
    out.reserve(p.layout == Layout::Palette ? p.rows : kHeaderSize + 40);
    out.push_back('I');
    out.push_back('I');
    put16(out, 42);
    put32(out, p.ifd);

    if (p.layout == Layout::Palette) {
        const std::size_t entries = std::size_t(1) << p.bits;
        const std::vector<TColor>& pal = b.palette();
        auto channel = [&](int (*value)(TColor)) {
            for (std::size_t i = 0; i < entries; ++i)
                put16(out, i < pal.size() ? std::uint32_t(value(pal[i])) << 8 : 0);
        };
        channel(GetRValue);
        channel(GetGValue);
        channel(GetBValue);
    }
    if (p.layout != Layout::Bilevel) putResolutionAndSoftware(out, p.layout == Layout::Rgb);
    return out;
}

// Blocks that follow the rows of the bilevel layout.
std::vector<std::uint8_t> bilevelTrailer() {
    std::vector<std::uint8_t> out;
    putResolutionAndSoftware(out, false);
    return out;
}

std::vector<std::uint8_t> directory(const Plan& p) {
    const std::uint16_t sizeType = p.width > 0xFFFF || p.height > 0xFFFF ? kLong : kShort;
    std::vector<Entry> e;
    e.push_back({254, kLong, 1, 0});
    // Width and height share one type so that they are read alike.
    e.push_back({256, sizeType, 1, p.width});
    e.push_back({257, sizeType, 1, p.height});
    if (p.layout == Layout::Rgb)
        e.push_back({258, kShort, 3, p.bitsPerSample});
    else
        e.push_back({258, kShort, 1, std::uint32_t(p.bits)});
    e.push_back({259, kShort, 1, 1});
    const std::uint32_t photometric = p.layout == Layout::Bilevel   ? 1
                                      : p.layout == Layout::Palette ? 3
                                                                    : 2;
    e.push_back({262, kShort, 1, photometric});
    e.push_back({273, kLong, 1, p.rows});
    e.push_back({277, kShort, 1, p.layout == Layout::Rgb ? 3u : 1u});
    e.push_back({278, kLong, 1, p.height});
    e.push_back({279, kLong, 1, p.rowBytes * p.height});
    e.push_back({282, kRational, 1, p.xResolution});
    e.push_back({283, kRational, 1, p.yResolution});
    if (p.layout == Layout::Rgb) e.push_back({284, kShort, 1, 1});
    e.push_back({296, kShort, 1, 2});
    e.push_back({305, kAscii, kSoftwareSize, p.software});
    if (p.layout == Layout::Palette)
        e.push_back({320, kShort, 3 * (std::uint32_t(1) << p.bits), p.colorMap});

    std::vector<std::uint8_t> out;
    out.reserve(2 + 12 * e.size() + 4);
    put16(out, std::uint32_t(e.size()));
    for (const Entry& x : e) {
        put16(out, x.tag);
        put16(out, x.type);
        put32(out, x.count);
        put32(out, x.value);
    }
    put32(out, 0);
    return out;
}

// Row y of the image as the file holds it; uses buffer where the bitmap's
// own row cannot be written as it is.
const std::uint8_t* fileRow(const Plan& p, const Bitmap& b, int y, std::uint8_t* buffer) {
    const std::uint8_t* s = b.scanLine(y);
    const int w = int(p.width);
    switch (b.pixelFormat()) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf8bit:
        return s;
    case PixelFormat::pf4bit:
        if (!p.widenNibbles) return s;
        for (int x = 0; x < w; ++x)
            buffer[x] = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        return buffer;
    case PixelFormat::pf24bit:
        for (int x = 0; x < w; ++x, s += 3) {
            buffer[3 * x] = s[2];
            buffer[3 * x + 1] = s[1];
            buffer[3 * x + 2] = s[0];
        }
        return buffer;
    case PixelFormat::pf32bit:
        for (int x = 0; x < w; ++x, s += 4) {
            buffer[3 * x] = s[2];
            buffer[3 * x + 1] = s[1];
            buffer[3 * x + 2] = s[0];
        }
        return buffer;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit:
        for (int x = 0; x < w; ++x) {
            const TColor c = b.pixel(x, y);
            buffer[3 * x] = std::uint8_t(GetRValue(c));
            buffer[3 * x + 1] = std::uint8_t(GetGValue(c));
            buffer[3 * x + 2] = std::uint8_t(GetBValue(c));
        }
        return buffer;
    }
    return s;
}

void put(std::ostream& s, const void* data, std::size_t size) {
    s.write(static_cast<const char*>(data), std::streamsize(size));
    if (!s) throw std::runtime_error("The TIFF data could not be written.");
}

void put(std::ostream& s, const std::vector<std::uint8_t>& bytes) {
    put(s, bytes.data(), bytes.size());
}

// Stream buffer over a ReplacingFile that keeps the first error's errno.
class FileBuffer : public std::streambuf {
  public:
    explicit FileBuffer(ReplacingFile& file) : file_(file), buffer_(std::size_t(1) << 20) {
        setp(reinterpret_cast<char*>(buffer_.data()),
             reinterpret_cast<char*>(buffer_.data() + buffer_.size()));
    }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n >= std::streamsize(buffer_.size())) {
            // Large blocks go straight to the file.
            if (!drain()) return 0;
            if ((error_ = file_.write(s, std::size_t(n))) != 0) return 0;
            return n;
        }
        return std::streambuf::xsputn(s, n);
    }
    int sync() override { return drain() ? 0 : -1; }

  private:
    bool drain() {
        if (error_) return false;
        const std::size_t n = std::size_t(pptr() - pbase());
        if (n > 0 && (error_ = file_.write(pbase(), n)) != 0) return false;
        setp(pbase(), epptr());
        return true;
    }

    ReplacingFile& file_;
    std::vector<std::uint8_t> buffer_;
    int error_ = 0;
};

} // namespace

void WriteTiff(std::ostream& stream, const Bitmap& bitmap) {
    if (bitmap.empty()) return;
    const Plan p = planFor(bitmap);

    put(stream, leadingBytes(p, bitmap));
    std::vector<std::uint8_t> buffer(std::size_t(bitmap.width()) * 3);
    for (int y = 0; y < bitmap.height(); ++y)
        put(stream, fileRow(p, bitmap, y, buffer.data()), p.rowBytes);
    if (p.layout == Layout::Bilevel) put(stream, bilevelTrailer());
    put(stream, directory(p));
}

std::vector<std::uint8_t> EncodeTiff(const Bitmap& bitmap) {
    std::ostringstream s;
    WriteTiff(s, bitmap);
    const std::string bytes = s.str();
    return {bytes.begin(), bytes.end()};
}

void WriteTiffTo(ReplacingFile& file, const Bitmap& bitmap) {
    if (bitmap.empty())
        throw std::runtime_error("Cannot write file \"" + file.target() +
                                 "\". The picture is empty.");
    FileBuffer buffer(file);
    std::ostream stream(&buffer);
    try {
        WriteTiff(stream, bitmap);
        stream.flush();
    } catch (const std::runtime_error&) {
        // Reported below with the system's reason.
    }
    if (!stream || buffer.error())
        throw std::runtime_error(
            file.errorText("Cannot write file", buffer.error() ? buffer.error() : EIO));
}

void WriteTiffFile(const std::string& path, const Bitmap& bitmap) {
    if (bitmap.empty())
        throw std::runtime_error("Cannot write file \"" + path + "\". The picture is empty.");
    ReplacingFile file(path);
    WriteTiffTo(file, bitmap);
    file.commit();
}

} // namespace vt
