#include "imageio/pnggraphic.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "imageio/decoders.h"
#include "imageio/imageerrors.h"
#include "imageio/readahead.h"

namespace vt {

namespace {

constexpr const char* kWord = "PNG";
constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

constexpr std::uint32_t chunkType(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}
// Chunk types compare without the case bit of each letter.
constexpr std::uint32_t kCaseBits = 0x20202020;
constexpr bool isType(std::uint32_t type, std::uint32_t wanted) {
    return (type | kCaseBits) == (wanted | kCaseBits);
}
constexpr std::uint32_t IHDR = chunkType("IHDR"), IDAT = chunkType("IDAT"),
                        IEND = chunkType("IEND"), PLTE = chunkType("PLTE"),
                        gAMA = chunkType("gAMA"), bKGD = chunkType("bKGD"),
                        tRNS = chunkType("tRNS"), iCCP = chunkType("iCCP");

// Largest colour profile kept; real ones are a few kilobytes to a few
// hundred.
constexpr std::size_t kMaxProfile = std::size_t(16) << 20;

// The profile of an iCCP chunk (name, zero byte, method 0, zlib data);
// empty when the chunk is damaged or the profile too large: a profile is
// worth keeping, never worth failing a load for.
std::vector<std::uint8_t> inflateProfile(const std::vector<std::uint8_t>& chunk) {
    const auto nul = std::find(chunk.begin(), chunk.end(), std::uint8_t(0));
    if (nul == chunk.end() || chunk.end() - nul < 2 || nul[1] != 0) return {};
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    z.next_in = const_cast<Bytef*>(&nul[2]);
    z.avail_in = uInt(chunk.end() - nul - 2);
    std::vector<std::uint8_t> profile;
    int result = Z_OK;
    while (result == Z_OK && profile.size() < kMaxProfile) {
        const std::size_t had = profile.size();
        profile.resize(std::min(kMaxProfile, had + 65536));
        z.next_out = profile.data() + had;
        z.avail_out = uInt(profile.size() - had);
        result = inflate(&z, Z_NO_FLUSH);
        profile.resize(profile.size() - z.avail_out);
        if (result == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END) return {};
    return profile;
}

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}
std::uint16_t be16(const std::uint8_t* p) {
    return std::uint16_t((p[0] << 8) | p[1]);
}

struct ChunkHeader {
    std::uint32_t length = 0;
    std::uint32_t type = 0;
};

ChunkHeader readChunkHeader(TStream& stream) {
    std::uint8_t b[8];
    stream.ReadBuffer(b, 8);
    return {be32(b), be32(b + 4)};
}

// Reads a chunk's data and CRC into buffer; a length beyond the stream fails
// before anything is allocated.
void readChunkData(TStream& stream, const ChunkHeader& chunk, std::vector<std::uint8_t>& buffer) {
    if (std::uint64_t(chunk.length) + 4 > stream.Remaining()) throw EReadError(gesReadError);
    buffer.resize(chunk.length);
    stream.ReadBuffer(buffer.data(), chunk.length);
    std::uint8_t crcBytes[4];
    stream.ReadBuffer(crcBytes, 4);
    std::uint8_t typeBytes[4] = {std::uint8_t(chunk.type >> 24), std::uint8_t(chunk.type >> 16),
                                 std::uint8_t(chunk.type >> 8), std::uint8_t(chunk.type)};
    uLong crc = crc32(0L, typeBytes, 4);
    crc = crc32_z(crc, buffer.data(), buffer.size());
    if (std::uint32_t(crc) != be32(crcBytes)) GraphicError(gesInvalidCRC, {kWord});
}

void skipChunk(TStream& stream, const ChunkHeader& chunk) {
    stream.Skip(std::uint64_t(chunk.length) + 4);
}

struct Header {
    std::uint32_t width, height;
    std::uint8_t bitDepth, colorType, compression, filter, interlace;
};

Header parseIHDR(const std::vector<std::uint8_t>& d) {
    return {be32(d.data()), be32(d.data() + 4), d[8], d[9], d[10], d[11], d[12]};
}

// The zlib stream of the image data.
class Inflater {
  public:
    Inflater() {
        if (inflateInit(&z_) != Z_OK) CompressionError(gesDecompression, {kWord});
    }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    z_stream z_{};
    bool ended = false;
};

struct Pass {
    std::uint32_t startColumn, startRow, columnStep, rowStep;
    std::uint8_t mask;
};
constexpr std::array<Pass, 7> kAdam7 = {{{0, 0, 8, 8, 0x80},
                                         {4, 0, 8, 8, 0x08},
                                         {0, 4, 4, 8, 0x88},
                                         {2, 0, 4, 4, 0x22},
                                         {0, 2, 2, 4, 0xAA},
                                         {1, 0, 2, 2, 0x55},
                                         {0, 1, 1, 2, 0xFF}}};

// Undoes a row's filter in place. row[0] is the filter type, row[1..len]
// the data; prior is the previous row in the same layout.
void unfilter(std::uint8_t* row, const std::uint8_t* prior, std::size_t len, std::size_t bpp) {
    std::uint8_t* cur = row + 1;
    const std::uint8_t* up = prior + 1;
    bpp = std::min(bpp, len);
    switch (row[0]) {
    case 0:
        break;
    case 1:
        for (std::size_t i = bpp; i < len; ++i)
            cur[i] = std::uint8_t(cur[i] + cur[i - bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < len; ++i)
            cur[i] = std::uint8_t(cur[i] + up[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < bpp; ++i)
            cur[i] = std::uint8_t(cur[i] + (up[i] >> 1));
        for (std::size_t i = bpp; i < len; ++i)
            cur[i] = std::uint8_t(cur[i] + ((unsigned(cur[i - bpp]) + up[i]) >> 1));
        break;
    case 4:
        for (std::size_t i = 0; i < bpp; ++i)
            cur[i] = std::uint8_t(cur[i] + up[i]);
        for (std::size_t i = bpp; i < len; ++i) {
            int a = cur[i - bpp], b = up[i], c = up[i - bpp];
            int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            cur[i] = std::uint8_t(cur[i] + pred);
        }
        break;
    default:
        CompressionError(gesDecompression, {kWord});
    }
}

} // namespace

bool TPNGGraphic::AcceptsStream(TStream& stream) {
    // The signature and at least one byte after it.
    std::uint8_t sig[9];
    return PeekBytes(stream, sig, sizeof sig) && std::memcmp(sig, kSignature, 8) == 0;
}

bool TPNGGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::uint8_t sig[8];
    if (stream.Read(sig, 8) != 8 || std::memcmp(sig, kSignature, 8) != 0) return false;
    if (stream.Remaining() < 8) return false;
    ChunkHeader chunk = readChunkHeader(stream);
    if (!isType(chunk.type, IHDR) || chunk.length != 13) return false;
    std::vector<std::uint8_t> data;
    readChunkData(stream, chunk, data);
    Header h = parseIHDR(data);
    if (h.width == 0 || h.height == 0) return false;

    TImageProperties& p = FImageProperties;
    p.Width = h.width;
    p.Height = h.height;
    p.Flags.Include(TImageFlag::BigEndian);
    p.Compression = h.compression == 0 ? TCompressionType::LZ77 : TCompressionType::None;
    p.BitsPerSample = h.bitDepth;
    switch (h.colorType) {
    case 0:
        p.ColorModel = TColorModel::Grey;
        p.SamplesPerPixel = 1;
        break;
    case 2:
        p.ColorModel = TColorModel::RGB;
        p.SamplesPerPixel = 3;
        break;
    case 3:
        p.ColorModel = TColorModel::Indexed;
        p.SamplesPerPixel = 1;
        break;
    case 4:
        p.ColorModel = TColorModel::GreyAlpha;
        p.SamplesPerPixel = 1;
        break;
    case 6:
        p.ColorModel = TColorModel::RGBA;
        p.SamplesPerPixel = 4;
        break;
    default:
        p.ColorModel = TColorModel::Unknown;
        break;
    }
    p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    p.FilterMode = h.filter;
    p.Interlaced = h.interlace != 0;
    p.AlphaPresent = h.colorType == 4 || h.colorType == 6;

    // The gamma of the file, when a gAMA chunk comes before the end.
    while (stream.Remaining() >= 12) {
        chunk = readChunkHeader(stream);
        if (isType(chunk.type, IEND)) break;
        if (isType(chunk.type, gAMA) && chunk.length >= 4 && stream.Remaining() >= 4) {
            std::uint8_t g[4];
            stream.ReadBuffer(g, 4);
            p.Gamma = float(be32(g)) / 100000.0f;
            break;
        }
        skipChunk(stream, chunk);
    }
    return true;
}

std::string_view TPNGGraphic::FormatWord() const {
    return kWord;
}

void TPNGGraphic::ReadPixels(TStream& stream) {
    stream.Skip(8);

    transparentColor_ = NoTransparentColor;
    backgroundColor_ = 0xFFFFFF;
    TConvertOptions sourceOptions{TConvertOption::SwapBytes};
    FColorManager.SetSourceOptions(sourceOptions);

    std::vector<std::uint8_t> buffer;
    ChunkHeader chunk = readChunkHeader(stream);
    readChunkData(stream, chunk, buffer);
    const Header h = parseIHDR(buffer);
    if (h.compression != 0) GraphicError(gesNotSupported, {gesCompressionScheme, kWord});

    Inflater inflater;
    std::vector<TColor> palette;
    bool havePalette = false, imageDone = false;

    // Feeds the next IDAT chunk to the inflater; false when the next
    // chunk is of another type (which is then left unread).
    auto nextData = [&]() -> bool {
        std::uint64_t at = stream.Position();
        ChunkHeader next = readChunkHeader(stream);
        if (!isType(next.type, IDAT)) {
            stream.Seek(at);
            return false;
        }
        readChunkData(stream, next, buffer);
        inflater.z_.next_in = buffer.data();
        inflater.z_.avail_in = uInt(buffer.size());
        return true;
    };
    // Inflates exactly len bytes; a stream that ends or runs dry before
    // fails.
    auto inflateRow = [&](std::uint8_t* out, std::size_t len) {
        z_stream& z = inflater.z_;
        z.next_out = out;
        z.avail_out = uInt(len);
        while (z.avail_out > 0) {
            if (inflater.ended) GraphicError(gesExtraCompressedData, {kWord});
            if (z.avail_in == 0 && !nextData()) GraphicError(gesDecompression, {kWord});
            int rc = inflate(&z, Z_SYNC_FLUSH);
            if (rc == Z_STREAM_END) {
                inflater.ended = true;
                if (z.avail_out > 0 || z.avail_in > 0)
                    GraphicError(gesExtraCompressedData, {kWord});
            } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_in == 0)) {
                GraphicError(gesDecompression, {kWord});
            }
        }
    };

    auto decodeImage = [&]() {
        Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
        const unsigned depth = h.bitDepth;
        unsigned samples = 0, distance = 0;
        TColorModel source = TColorModel::Unknown, target = TColorModel::Unknown;
        unsigned targetBits = 8, targetSamples = 1;
        switch (h.colorType) {
        case 0:
            if (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16) {
                source = target = TColorModel::Grey;
                samples = 1;
                targetBits = depth == 16 ? 8 : depth == 2 ? 4 : depth;
                distance = (depth + 7) / 8;
            }
            break;
        case 2:
            if (depth == 8 || depth == 16) {
                source = TColorModel::RGB, target = TColorModel::BGR;
                samples = 3, targetSamples = 3;
                distance = depth * 3 / 8;
            }
            break;
        case 3:
            if (depth == 1 || depth == 2 || depth == 4 || depth == 8) {
                source = target = TColorModel::Indexed;
                samples = 1;
                targetBits = depth == 2 ? 4 : depth;
                distance = 1;
            }
            break;
        case 4:
            if (depth == 8 || depth == 16) {
                source = TColorModel::GreyAlpha, target = TColorModel::Indexed;
                samples = 2;
                distance = depth * 2 / 8;
            }
            break;
        case 6:
            if (depth == 8 || depth == 16) {
                source = TColorModel::RGBA, target = TColorModel::BGRA;
                samples = 4, targetSamples = 4;
                distance = depth * 4 / 8;
            }
            break;
        default:
            break;
        }
        if (samples == 0) GraphicError(gesInvalidColorFormat, {kWord});
        if (h.colorType == 3 && !havePalette) GraphicError(gesInvalidPalette, {kWord});

        FColorManager.SetSourceColorScheme(source);
        FColorManager.SetSourceBitsPerSample(std::uint8_t(depth));
        FColorManager.SetSourceSamplesPerPixel(std::uint8_t(samples));
        FColorManager.SetTargetColorScheme(target);
        FColorManager.SetTargetBitsPerSample(std::uint8_t(targetBits));
        FColorManager.SetTargetSamplesPerPixel(std::uint8_t(targetSamples));

        const std::uint64_t width = h.width, height = h.height;
        // Bytes of a row holding n pixels, without the filter byte.
        auto rowBytes = [&](std::uint64_t n) { return (n * depth + 7) / 8 * samples; };
        std::uint64_t needed = 0;
        if (h.interlace == 0) {
            needed = (rowBytes(width) + 1) * height;
        } else {
            for (const Pass& p : kAdam7) {
                if (p.startColumn >= width || p.startRow >= height) continue;
                std::uint64_t cols = (width + p.columnStep - p.startColumn - 1) / p.columnStep;
                std::uint64_t rows = (height + p.rowStep - p.startRow - 1) / p.rowStep;
                needed += (rowBytes(cols) + 1) * rows;
            }
        }
        // Check the size, and that the rest of the file can inflate to
        // the rows, before the bitmap is allocated.
        CheckImageSize(width, height, kWord);
        const std::uint64_t available = std::uint64_t(inflater.z_.avail_in) + stream.Remaining();
        CheckDataCovers(needed, available, TLZ77Decoder::kMaxExpansion, kWord);

        ApplyConverterFormat(kWord);
        if (h.colorType == 3) {
            palette.resize(std::size_t(1) << std::min(targetBits, 8u), RGBColor(0, 0, 0));
            FBitmap.setPalette(palette);
        }
        SetImageSize(width, height, kWord);

        const std::size_t fullRow = std::size_t(rowBytes(width)) + 1;
        std::vector<std::uint8_t> rowA(fullRow, 0), rowB(fullRow, 0);
        std::uint8_t* cur = rowA.data();
        std::uint8_t* prev = rowB.data();

        if (h.interlace == 0) {
            for (std::uint32_t y = 0; y < h.height; ++y) {
                inflateRow(cur, fullRow);
                unfilter(cur, prev, fullRow - 1, distance);
                FColorManager.ConvertLine(cur + 1, 0xFF, width, FBitmap.scanLine(int(y)));
                std::swap(cur, prev);
                RowDone(y);
            }
        } else {
            for (std::size_t pass = 0; pass < kAdam7.size(); ++pass) {
                const Pass& p = kAdam7[pass];
                if (p.startColumn >= width) continue;
                std::uint64_t cols = (width + p.columnStep - p.startColumn - 1) / p.columnStep;
                std::size_t len = std::size_t(rowBytes(cols)) + 1;
                std::fill(prev, prev + len, std::uint8_t(0));
                for (std::uint64_t y = p.startRow; y < height; y += p.rowStep) {
                    inflateRow(cur, len);
                    unfilter(cur, prev, len - 1, distance);
                    FColorManager.ConvertLine(cur + 1, p.mask, width, FBitmap.scanLine(int(y)));
                    std::swap(cur, prev);
                    if (pass == kAdam7.size() - 1) RowDone(std::uint32_t(y));
                }
            }
        }
        imageDone = true;
    };

    for (;;) {
        chunk = readChunkHeader(stream);
        if (isType(chunk.type, IEND)) {
            readChunkData(stream, chunk, buffer);
            break;
        }
        if (isType(chunk.type, IDAT)) {
            readChunkData(stream, chunk, buffer);
            if (imageDone) continue;
            inflater.z_.next_in = buffer.data();
            inflater.z_.avail_in = uInt(buffer.size());
            decodeImage();
        } else if (isType(chunk.type, PLTE)) {
            readChunkData(stream, chunk, buffer);
            if (buffer.size() % 3 != 0 || buffer.size() > 3 * 256)
                GraphicError(gesInvalidPalette, {kWord});
            if (h.colorType == 3) {
                FColorManager.SetSourceBitsPerSample(h.bitDepth);
                FColorManager.SetTargetBitsPerSample(h.bitDepth == 2 ? 4 : h.bitDepth);
                const std::uint8_t* data = buffer.data();
                palette = FColorManager.MakeFilePalette(std::span(&data, 1), TPaletteLayout::RGB,
                                                        buffer.size() / 3);
                havePalette = true;
            }
        } else if (isType(chunk.type, iCCP)) {
            readChunkData(stream, chunk, buffer);
            FMetadata.iccProfile = inflateProfile(buffer);
        } else if (isType(chunk.type, gAMA)) {
            readChunkData(stream, chunk, buffer);
            if (buffer.size() >= 4) {
                FImageProperties.Gamma = float(be32(buffer.data())) / 100000.0f;
                FColorManager.SetGammaValues(2.2f, FImageProperties.Gamma);
                TConvertOptions target = FColorManager.TargetOptions();
                target.Include(TConvertOption::ApplyGamma);
                FColorManager.SetTargetOptions(target);
                FImageProperties.Flags.Include(TImageFlag::GammaApplied);
            }
        } else if (isType(chunk.type, bKGD)) {
            readChunkData(stream, chunk, buffer);
            const std::uint8_t* d = buffer.data();
            if ((h.colorType == 2 || h.colorType == 6) && buffer.size() >= 6) {
                auto comp = [&](int i) {
                    return h.bitDepth == 16 ? be16(d + 2 * i) * 255 / 65535 : d[2 * i + 1];
                };
                backgroundColor_ = std::uint32_t(RGBColor(comp(0), comp(1), comp(2)));
            } else if ((h.colorType == 0 || h.colorType == 4) && buffer.size() >= 2) {
                unsigned v = be16(d);
                if (h.bitDepth == 16)
                    v = v * 255 / 65535;
                else if (h.bitDepth == 2)
                    v = (v & 3) * 5;
                backgroundColor_ = v;
            } else if (h.colorType == 3 && buffer.size() >= 1) {
                backgroundColor_ = d[0];
            }
        } else if (isType(chunk.type, tRNS)) {
            readChunkData(stream, chunk, buffer);
            const std::uint8_t* d = buffer.data();
            if (h.colorType == 0 && buffer.size() >= 2) {
                unsigned v = be16(d);
                if (h.bitDepth == 16)
                    v = v * 255 / 65535;
                else if (h.bitDepth == 2)
                    v = (v & 3) * 5;
                v &= 0xFF;
                transparentColor_ = std::uint32_t(RGBColor(int(v), int(v), int(v)));
            } else if (h.colorType == 2 && buffer.size() >= 6) {
                auto comp = [&](int i) {
                    return h.bitDepth == 16 ? be16(d + 2 * i) * 255 / 65535 : d[2 * i + 1];
                };
                transparentColor_ = std::uint32_t(RGBColor(comp(0), comp(1), comp(2)));
            }
        } else {
            if (((chunk.type >> 24) & 0x20) == 0) GraphicError(gesUnknownCriticalChunk);
            skipChunk(stream, chunk);
        }
    }
    // A file whose image data never came, or ended early, holds no
    // picture.
    if (!imageDone) GraphicError(gesInvalidImage, {kWord});
}

} // namespace vt
