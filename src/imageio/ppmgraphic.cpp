#include "imageio/ppmgraphic.h"

#include <array>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"

namespace vt {

namespace {

constexpr const char* kWord = "PBM, PGM or PPM";
constexpr const char* kReadWord = "PPM";

[[noreturn]] void readError() {
    throw EReadError(FormatMessage(gesStreamReadError, {kReadWord}));
}

// Input through a 4096-byte buffer.
class Reader {
  public:
    explicit Reader(TStream& stream) : stream_(stream) {}

    // Next byte, or -1 at the end of the stream.
    int get() {
        if (pos_ == len_) {
            base_ = stream_.Position();
            len_ = stream_.Read(buffer_.data(), buffer_.size());
            pos_ = 0;
            if (len_ == 0) return -1;
        }
        return buffer_[pos_++];
    }
    // Position of the next byte in the stream.
    std::uint64_t position() const { return len_ == 0 ? stream_.Position() : base_ + pos_; }

    // Skips the rest of a line (ended by CR, LF or CR LF).
    void skipLine() {
        for (;;) {
            int c = get();
            if (c < 0 || c == '\n') return;
            if (c == '\r') {
                if (peek() == '\n') get();
                return;
            }
        }
    }
    int peek() {
        int c = get();
        if (c >= 0) --pos_;
        return c;
    }
    // The next run of decimal digits: anything else before it is skipped, a
    // '#' skips the rest of its line. The byte after the digits is consumed.
    // Returns false at the end of the stream; values are capped at 2^31.
    bool number(std::uint32_t& value) {
        int c = get();
        for (;;) {
            if (c < 0) return false;
            if (c >= '0' && c <= '9') break;
            if (c == '#') skipLine();
            c = get();
        }
        std::uint64_t v = 0;
        while (c >= '0' && c <= '9') {
            v = std::min<std::uint64_t>(v * 10 + std::uint64_t(c - '0'), std::uint64_t(1) << 31);
            c = get();
        }
        if (c == '#') skipLine();
        value = std::uint32_t(v);
        return true;
    }

  private:
    TStream& stream_;
    std::array<std::uint8_t, 4096> buffer_{};
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::uint64_t base_ = 0;
};

} // namespace

bool TPPMGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[3] = {0, 0, 0};
    return PeekBytes(stream, b, sizeof b) && b[0] == 'P' && b[1] >= '1' && b[1] <= '6';
}

bool TPPMGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    Reader in(stream);
    if (in.get() != 'P') return false;
    int kind = in.get() - '0';
    if (kind < 1 || kind > 6) return false;
    // The rest of the first line from a '#' on is a comment; the numbers
    // follow.
    std::uint32_t width = 0, height = 0, maxValue = 1;
    if (!in.number(width) || !in.number(height)) return false;
    if (kind != 1 && kind != 4 && !in.number(maxValue)) return false;
    if (width == 0 || height == 0 || maxValue == 0 || maxValue > 65535) return false;

    TImageProperties& p = FImageProperties;
    p.FormatVersion = std::uint32_t(kind);
    p.Width = width;
    p.Height = height;
    p.Compression = TCompressionType::None;
    p.BitsPerSample = kind == 1 || kind == 4 ? 1 : maxValue > 255 ? 16 : 8;
    p.SamplesPerPixel = kind == 3 || kind == 6 ? 3 : 1;
    p.ColorModel = kind == 1 || kind == 4   ? TColorModel::Indexed
                   : kind == 2 || kind == 5 ? TColorModel::Grey
                                            : TColorModel::RGB;
    p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    if (kind == 1 || kind == 4) p.Flags.Include(TImageFlag::InvertedGrey);
    maxValue_ = maxValue;
    dataStart_ = in.position();
    return true;
}

std::string_view TPPMGraphic::FormatWord() const {
    return kWord;
}

std::string_view TPPMGraphic::ReadErrorWord() const {
    return kReadWord;
}

void TPPMGraphic::ReadPixels(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const unsigned kind = p.FormatVersion;
    const bool text = kind <= 3;
    const bool bilevel = kind == 1 || kind == 4;
    const std::size_t samples = p.SamplesPerPixel;
    const std::uint64_t width = p.Width, height = p.Height;

    // Source and target share depth and sample count; only RGB turns into
    // the bitmap's BGR order.
    if (bilevel)
        SetConversion(TColorModel::Indexed, TColorModel::Indexed, 1, 1, 1);
    else if (samples == 1)
        SetConversion(TColorModel::Grey, TColorModel::Grey, 8, 8, 1);
    else
        SetConversion(TColorModel::RGB, TColorModel::BGR, 8, 8, 3);
    // Black is 1 in a bitmap file: the palette runs from white.
    ApplyConverterFormat(kWord, bilevel);

    // Each sample needs at least one byte of the file (a bit for P4): a
    // file too short for its size fails before the bitmap is allocated.
    const std::uint64_t wide = !bilevel && maxValue_ > 255 ? 2 : 1;
    const std::uint64_t binaryRow = bilevel ? (width + 7) / 8 : width * samples * wide;
    const std::uint64_t remaining = stream.Size() > dataStart_ ? stream.Size() - dataStart_ : 0;
    CheckImageSize(width, height, kWord);
    if (!text && binaryRow * height > remaining) readError();
    if (text && width * height * samples > remaining) readError();
    SetImageSize(width, height, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    stream.Seek(dataStart_);
    Reader in(stream);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(binaryRow));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bilevel ? binaryRow : width * samples));
    const unsigned maxValue = maxValue_;
    auto scale = [maxValue](std::uint32_t v) {
        if (v > maxValue) v = maxValue;
        return std::uint8_t(maxValue == 255 ? v : (v * 255 + maxValue / 2) / maxValue);
    };

    for (std::uint32_t y = 0; y < height; ++y) {
        if (text && bilevel) {
            std::fill(row.begin(), row.end(), std::uint8_t(0));
            for (std::uint64_t x = 0; x < width; ++x) {
                int c;
                do {
                    c = in.get();
                    if (c == '#') in.skipLine();
                } while (c >= 0 && c != '0' && c != '1');
                if (c < 0) readError();
                if (c == '1') row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
            }
        } else if (text) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                std::uint32_t v;
                if (!in.number(v)) readError();
                row[i] = scale(v);
            }
        } else {
            for (std::size_t i = 0; i < raw.size(); ++i) {
                int c = in.get();
                if (c < 0) readError();
                raw[i] = std::uint8_t(c);
            }
            if (bilevel) {
                row = raw;
            } else if (wide == 2) {
                for (std::size_t i = 0; i < row.size(); ++i)
                    row[i] = scale((std::uint32_t(raw[2 * i]) << 8) | raw[2 * i + 1]);
            } else {
                for (std::size_t i = 0; i < row.size(); ++i)
                    row[i] = scale(raw[i]);
            }
        }
        FColorManager.ConvertLine(row.data(), 0xFF, std::size_t(width), FBitmap.scanLine(int(y)));
        RowDone(y);
    }
}

} // namespace vt
