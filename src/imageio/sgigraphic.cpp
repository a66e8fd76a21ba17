#include "imageio/sgigraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"

namespace vt {

namespace {

constexpr const char* kWord = "sgi, bw or rgb(a)";
constexpr std::size_t kHeaderSize = 512;
constexpr unsigned kMagic = 474;

std::uint32_t BE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

} // namespace

// ---------------------------------------------------------------------------
// Run-length decoder

void TSGIRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                            std::size_t packedSize, std::size_t unpackedSize) {
    const std::size_t unit = wide_ ? 2 : 1;
    const std::uint8_t* in = source;
    std::uint8_t* out = dest;
    // Whole units only.
    const std::uint8_t* const inEnd = in + packedSize / unit * unit;
    std::uint8_t* const outEnd = out + unpackedSize / unit * unit;
    while (in < inEnd && out < outEnd) {
        const std::uint8_t control = in[unit - 1];
        in += unit;
        const std::size_t count = std::size_t(control & 0x7F) * unit;
        if (count == 0) break;
        if (control & 0x80) {
            const std::size_t n =
                std::min({count, std::size_t(inEnd - in), std::size_t(outEnd - out)});
            std::memcpy(out, in, n);
            out += n;
            in += std::min(count, std::size_t(inEnd - in));
        } else {
            if (in == inEnd) break;
            const std::size_t n = std::min(count, std::size_t(outEnd - out));
            if (unit == 1) {
                std::memset(out, *in, n);
            } else {
                for (std::size_t i = 0; i < n; i += 2) {
                    out[i] = in[0];
                    out[i + 1] = in[1];
                }
            }
            out += n;
            in += unit;
        }
    }
    source = in;
    dest = out;
}

// ---------------------------------------------------------------------------
// Reader

bool TSGIGraphic::ParseHeader(const std::uint8_t* b, TImageProperties& p, std::uint32_t& channels) {
    auto be16 = [b](int i) { return unsigned(b[i] << 8 | b[i + 1]); };
    if (be16(0) != kMagic) return false;
    const unsigned storage = b[2], bpc = b[3], dimension = be16(4);
    if (storage > 1 || (bpc != 1 && bpc != 2) || dimension < 1 || dimension > 3) return false;
    const std::uint32_t width = be16(6);
    const std::uint32_t height = dimension >= 2 ? be16(8) : 1;
    channels = dimension == 3 ? be16(10) : 1;
    if (width == 0 || height == 0 || channels == 0) return false;

    p.Width = width;
    p.Height = height;
    p.Flags.Include(TImageFlag::BigEndian);
    p.Compression = storage == 1 ? TCompressionType::RLE : TCompressionType::None;
    p.BitsPerSample = std::uint8_t(8 * bpc);
    p.ColorModel = channels == 3   ? TColorModel::RGB
                   : channels == 4 ? TColorModel::RGBA
                                   : TColorModel::Grey;
    p.SamplesPerPixel = std::uint8_t(channels == 3 || channels == 4 ? channels : 1);
    p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    p.AlphaPresent = channels == 4;
    return true;
}

bool TSGIGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[kHeaderSize];
    TImageProperties p;
    std::uint32_t channels;
    return PeekBytes(stream, b, kHeaderSize) && ParseHeader(b, p, channels);
}

bool TSGIGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::uint8_t b[kHeaderSize];
    if (stream.Read(b, kHeaderSize) != kHeaderSize) return false;
    return ParseHeader(b, FImageProperties, FChannels);
}

std::string_view TSGIGraphic::FormatWord() const {
    return kWord;
}

void TSGIGraphic::ReadPixels(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width, height = p.Height;
    const std::uint32_t planes = p.SamplesPerPixel; // channels read
    const std::size_t sampleBytes = p.BitsPerSample / 8;
    const std::size_t planeRow = std::size_t(width) * sampleBytes;
    const bool rle = p.Compression == TCompressionType::RLE;

    const bool grey = p.ColorModel == TColorModel::Grey;
    FColorManager.SetSourceColorScheme(p.ColorModel);
    FColorManager.SetTargetColorScheme(grey          ? TColorModel::Grey
                                       : planes == 4 ? TColorModel::BGRA
                                                     : TColorModel::BGR);
    FColorManager.SetSourceBitsPerSample(p.BitsPerSample);
    FColorManager.SetTargetBitsPerSample(8);
    FColorManager.SetSourceSamplesPerPixel(std::uint8_t(planes));
    FColorManager.SetTargetSamplesPerPixel(std::uint8_t(planes));
    if (sampleBytes == 2) FColorManager.SetSourceOptions({TConvertOption::SwapBytes});
    ApplyConverterFormat(kWord);

    // Run-length files: offsets and sizes of every row of every channel,
    // channel after channel; those of the channels read are needed.
    const std::uint64_t dataStart = FBasePosition + kHeaderSize;
    stream.Seek(dataStart);
    const std::uint64_t entries = std::uint64_t(height) * planes;
    const std::uint64_t tableBytes = std::uint64_t(height) * FChannels * 4;
    std::vector<std::uint32_t> starts, lengths;
    std::uint64_t available = stream.Remaining();
    if (rle) {
        if (2 * tableBytes > available) GraphicError(gesInvalidImage, {kWord});
        available -= 2 * tableBytes;
        auto readTable = [&](std::uint64_t at, std::vector<std::uint32_t>& table) {
            std::vector<std::uint8_t> raw(std::size_t(entries) * 4);
            stream.Seek(at);
            stream.ReadBuffer(raw.data(), raw.size());
            table.resize(std::size_t(entries));
            for (std::size_t i = 0; i < table.size(); ++i)
                table[i] = BE32(raw.data() + 4 * i);
        };
        readTable(dataStart, starts);
        readTable(dataStart + tableBytes, lengths);
    }
    CheckImageSize(width, height, kWord);
    CheckDataCovers(std::uint64_t(planeRow) * height * planes, available,
                    rle ? TSGIRLEDecoder::kMaxExpansion : 1, kWord);
    SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    // A row needs at most one control per sample and an end: more of a
    // stored row is never read.
    const std::size_t packedLimit = 2 * planeRow + 2 * sampleBytes;
    std::vector<std::uint8_t> rows(planeRow * planes), packed;
    const std::uint8_t* sources[4] = {};
    for (std::uint32_t k = 0; k < planes; ++k)
        sources[k] = rows.data() + k * planeRow;
    TSGIRLEDecoder decoder(p.BitsPerSample);
    decoder.DecodeInit();
    const std::uint64_t fileSize = stream.Size();
    for (std::uint32_t i = 0; i < height; ++i) {
        // Rows are stored bottom to top.
        const std::uint32_t y = height - 1 - i;
        for (std::uint32_t k = 0; k < planes; ++k) {
            std::uint8_t* plane = rows.data() + k * planeRow;
            if (!rle) {
                stream.Seek(dataStart + (std::uint64_t(k) * height + i) * planeRow);
                stream.ReadBuffer(plane, planeRow);
                continue;
            }
            const std::size_t index = std::size_t(k) * height + i;
            const std::uint64_t start = FBasePosition + starts[index];
            const auto size = std::size_t(std::min<std::uint64_t>(lengths[index], packedLimit));
            if (start > fileSize || size > fileSize - start) throw EReadError(gesReadError);
            packed.resize(size);
            stream.Seek(start);
            stream.ReadBuffer(packed.data(), size);
            std::fill(plane, plane + planeRow, std::uint8_t(0));
            const std::uint8_t* src = packed.data();
            std::uint8_t* dst = plane;
            decoder.Decode(src, dst, size, planeRow);
        }
        FColorManager.ConvertLine(std::span(sources, planes), 0xFF, width,
                                  FBitmap.scanLine(int(y)));
        RowDone(i);
    }
    decoder.DecodeEnd();
}

} // namespace vt
