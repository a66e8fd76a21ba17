#include "imageio/rlagraphic.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"
#include "platform/files.h"

namespace vt {

namespace {

constexpr const char* kWord = "RLA";
constexpr std::size_t kHeaderSize = 740;
// The revision word as the format's description gives it (FF FE), and as
// the same value reads with its bytes swapped.
constexpr unsigned kRevision = 0xFFFE;
constexpr unsigned kRevisionSwapped = 0xFEFF;
// More channels than any writer uses; each costs a read per row.
constexpr unsigned kMaxChannels = 16;

struct Header {
    int left, right, bottom, top; // active window
    unsigned channels, matte, revision;
    unsigned colourBits, matteBits;
    float gamma;
    bool storageKnown;
};

int be16s(const std::uint8_t* p) {
    return std::int16_t(std::uint16_t(p[0] << 8 | p[1]));
}
unsigned be16(const std::uint8_t* p) {
    return unsigned(p[0] << 8 | p[1]);
}

// A text field of the header as a number; 1 when it holds none.
float gammaOf(const std::uint8_t* field, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(field);
    const char* end = text + strnlen(text, size);
    while (text < end && (*text == ' ' || *text == '\t'))
        ++text;
    float value = 1.0f;
    if (std::from_chars(text, end, value).ec != std::errc() || !(value > 0.0f)) return 1.0f;
    return value;
}

Header parseHeader(const std::uint8_t* b) {
    Header h{};
    h.left = be16s(b + 8);
    h.right = be16s(b + 10);
    h.bottom = be16s(b + 12);
    h.top = be16s(b + 14);
    h.channels = unsigned(std::max(0, be16s(b + 20)));
    h.matte = unsigned(std::max(0, be16s(b + 22)));
    h.revision = be16(b + 26);
    h.gamma = gammaOf(b + 28, 16);
    const std::string storage(reinterpret_cast<const char*>(b + 580), 3);
    h.storageKnown = SameText(storage, "rgb") || SameText(storage, "xyz");
    h.colourBits = be16(b + 658);
    h.matteBits = be16(b + 662);
    return h;
}

bool matches(const Header& h) {
    return (h.revision == kRevision || h.revision == kRevisionSwapped) && h.storageKnown &&
           h.right >= h.left && h.top != INT16_MIN && h.bottom != INT16_MIN;
}

} // namespace

void TRLADecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                         std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;
    while (in < inEnd && out < outEnd) {
        const int control = static_cast<std::int8_t>(*in++);
        if (control < 0) {
            CopyLiteral(in, inEnd, out, outEnd, std::size_t(-control));
        } else {
            if (in == inEnd) break;
            RepeatByte(out, outEnd, *in++, std::size_t(control) + 1);
        }
    }
    source = in;
    dest = out;
}

bool TRLAGraphic::AcceptsStream(TStream& stream) {
    std::vector<std::uint8_t> b(kHeaderSize);
    return PeekBytes(stream, b.data(), b.size()) && matches(parseHeader(b.data()));
}

bool TRLAGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::vector<std::uint8_t> b(kHeaderSize);
    if (stream.Read(b.data(), b.size()) != b.size()) return false;
    const Header h = parseHeader(b.data());
    if (!matches(h)) return false;

    colourChannels_ = h.channels;
    matteChannels_ = h.matte;
    colourBits_ = h.colourBits == 0 ? 8 : h.colourBits;
    matteBits_ = h.matteBits == 0 ? colourBits_ : h.matteBits;

    TImageProperties& p = FImageProperties;
    p.Flags.Include(TImageFlag::BigEndian);
    p.Width = std::uint32_t(h.right - h.left + 1);
    p.Height = std::uint32_t(std::abs(h.top - h.bottom) + 1);
    p.BottomUp = h.bottom < h.top;
    p.AlphaPresent = h.matte > 0;
    p.ColorModel = p.AlphaPresent ? TColorModel::RGBA : TColorModel::RGB;
    p.SamplesPerPixel = p.AlphaPresent ? 4 : 3;
    p.BitsPerSample = std::uint8_t(colourBits_ > 8 ? 16 : colourBits_);
    p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    p.Compression = TCompressionType::RLE;
    p.Gamma = h.gamma;
    return true;
}

std::string_view TRLAGraphic::FormatWord() const {
    return kWord;
}

void TRLAGraphic::ReadPixels(TStream& stream) {
    stream.Skip(kHeaderSize);
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width, height = p.Height;
    const bool alpha = p.AlphaPresent;
    if (colourChannels_ < 3 || colourChannels_ + matteChannels_ > kMaxChannels ||
        colourBits_ > 16 || (alpha && matteBits_ > 16))
        GraphicError(gesInvalidColorFormat, {kWord});

    // Samples of more than 8 bits are handed on as 16-bit values.
    const std::size_t sampleBytes = colourBits_ > 8 ? 2 : 1;
    SetConversion(alpha ? TColorModel::RGBA : TColorModel::RGB,
                  alpha ? TColorModel::BGRA : TColorModel::BGR, std::uint8_t(8 * sampleBytes), 8,
                  alpha ? 4 : 3);
    FColorManager.SetSourceOptions({TConvertOption::SwapBytes});
    if (std::fabs(p.Gamma - 1.0f) > 1e-4f) {
        FColorManager.SetGammaValues(2.2f, p.Gamma);
        FColorManager.SetTargetOptions({TConvertOption::ApplyGamma});
        FImageProperties.Flags.Include(TImageFlag::GammaApplied);
    }
    ApplyConverterFormat(kWord);

    const std::size_t planes = alpha ? 4 : 3;
    CheckImageSize(width, height, kWord);
    CheckDataCovers(std::uint64_t(height) * 4, stream.Remaining(), 1, kWord);
    CheckDataCovers(std::uint64_t(width) * height * planes * sampleBytes, stream.Remaining(),
                    TRLADecoder::kMaxExpansion, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Loading data...");
    std::vector<std::uint8_t> table(std::size_t(height) * 4);
    stream.ReadBuffer(table.data(), table.size());
    SetImageSize(width, height, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    const std::size_t planeBytes = std::size_t(width) * sampleBytes;
    std::vector<std::uint8_t> plane(planes * planeBytes);
    std::vector<std::uint8_t> packed(0xFFFF);
    std::vector<std::uint8_t> matte;
    TRLADecoder decoder;

    // Decodes the next channel of the row into target. A channel needs
    // at most two bytes a sample (runs of one); bytes declared beyond
    // that are skipped unread, so that rows that all point at the same
    // long channel cost what their width needs.
    auto readChannel = [&](std::uint8_t* target, std::size_t bytes) {
        const std::size_t declared = stream.ReadBE16();
        if (declared > stream.Remaining()) throw EReadError(gesReadError);
        const std::size_t length = std::min(declared, 2 * bytes);
        stream.ReadBuffer(packed.data(), length);
        stream.Skip(declared - length);
        std::fill(target, target + bytes, std::uint8_t(0));
        const std::uint8_t* source = packed.data();
        decoder.Decode(source, target, length, bytes);
    };
    // Samples of 9 to 15 bits stretched to the 16-bit range.
    auto widen = [width](std::uint8_t* samples, unsigned bits) {
        if (bits <= 8 || bits >= 16) return;
        const std::uint32_t max = (1u << bits) - 1;
        for (std::size_t x = 0; x < width; ++x) {
            std::uint8_t* s = samples + 2 * x;
            const std::uint32_t v = std::min<std::uint32_t>(std::uint32_t(s[0] << 8 | s[1]), max);
            const std::uint32_t w = v * 65535 / max;
            s[0] = std::uint8_t(w >> 8);
            s[1] = std::uint8_t(w);
        }
    };

    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < height; ++i) {
        const std::uint32_t offset = std::uint32_t(table[4 * i]) << 24 |
                                     std::uint32_t(table[4 * i + 1]) << 16 |
                                     std::uint32_t(table[4 * i + 2]) << 8 | table[4 * i + 3];
        // A row stored at the offset of the row before it is that row again:
        // its samples are still in the planes.
        const bool again = i > 0 && offset == previous;
        previous = offset;
        if (!again) {
            stream.Seek(FBasePosition + offset);
            for (unsigned c = 0; c < colourChannels_; ++c) {
                if (c < 3) {
                    readChannel(&plane[c * planeBytes], planeBytes);
                    widen(&plane[c * planeBytes], colourBits_);
                } else {
                    stream.Skip(stream.ReadBE16());
                }
            }
            if (alpha) {
                const std::size_t matteBytes = std::size_t(width) * (matteBits_ > 8 ? 2 : 1);
                matte.resize(matteBytes);
                readChannel(matte.data(), matteBytes);
                widen(matte.data(), matteBits_);
                std::uint8_t* a = &plane[3 * planeBytes];
                // The matte channel in the colour channels' sample size.
                if (matteBytes == planeBytes)
                    std::copy(matte.begin(), matte.end(), a);
                else if (sampleBytes == 2)
                    for (std::size_t x = 0; x < width; ++x)
                        a[2 * x] = a[2 * x + 1] = matte[x];
                else
                    for (std::size_t x = 0; x < width; ++x)
                        a[x] = matte[2 * x];
            }
        }
        const std::array<const std::uint8_t*, 4> sources = {
            &plane[0], &plane[planeBytes], &plane[2 * planeBytes],
            alpha ? &plane[3 * planeBytes] : nullptr};
        const std::uint32_t y = p.BottomUp ? height - 1 - i : i;
        FColorManager.ConvertLine(std::span(sources.data(), planes), 0xFF, width,
                                  FBitmap.scanLine(int(y)));
        RowDone(i);
    }
}

} // namespace vt
