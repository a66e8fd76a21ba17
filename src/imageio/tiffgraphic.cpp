#include "imageio/tiffgraphic.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/tiffblocks.h"

namespace vt {

namespace {

// Bytes of one value of each TIFF data type (0 for unknown types).
std::uint32_t TypeSize(std::uint16_t type) {
    static constexpr std::uint32_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

TCompressionType MapCompression(std::uint32_t code) {
    switch (code) {
    case 1:
        return TCompressionType::None;
    case 2:
        return TCompressionType::CCITTMH;
    case 3:
        return TCompressionType::CCITT3;
    case 4:
        return TCompressionType::CCITT4;
    case 5:
        return TCompressionType::LZW;
    case 6:
        return TCompressionType::OJPEG;
    case 7:
        return TCompressionType::JPEG;
    case 8:
    case 32946:
        return TCompressionType::LZ77;
    case 32766:
        return TCompressionType::NeXT;
    case 32771:
        return TCompressionType::CCITTMHWordAligned;
    case 32773:
        return TCompressionType::PackBits;
    case 32809:
        return TCompressionType::ThunderScan;
    case 32895:
        return TCompressionType::IT8CTPad;
    case 32896:
        return TCompressionType::IT8LW;
    case 32897:
        return TCompressionType::IT8MP;
    case 32898:
        return TCompressionType::IT8BL;
    case 32908:
        return TCompressionType::PixarFilm;
    case 32909:
        return TCompressionType::PixarLog;
    case 32947:
        return TCompressionType::DCS;
    case 34661:
        return TCompressionType::JBIG;
    default:
        return TCompressionType::Unknown;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Directory access

std::uint16_t TTIFFGraphic::Swap16(const std::uint8_t* p) const {
    if (FImageProperties.Flags.Contains(TImageFlag::BigEndian))
        return std::uint16_t(p[0] << 8 | p[1]);
    return std::uint16_t(p[1] << 8 | p[0]);
}

std::uint32_t TTIFFGraphic::Swap32(const std::uint8_t* p) const {
    if (FImageProperties.Flags.Contains(TImageFlag::BigEndian))
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
               p[3];
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

const TTIFFGraphic::TIFDEntry* TTIFFGraphic::FindTag(std::uint16_t tag) const {
    auto it = std::lower_bound(FIFD.begin(), FIFD.end(), tag,
                               [](const TIFDEntry& e, std::uint16_t t) { return e.Tag < t; });
    return it != FIFD.end() && it->Tag == tag ? &*it : nullptr;
}

std::vector<std::uint8_t> TTIFFGraphic::GetBytes(const TIFDEntry& e, std::uint64_t maxBytes) const {
    const std::uint64_t total = std::uint64_t(TypeSize(e.DataType)) * e.Count;
    if (total <= 4)
        return std::vector<std::uint8_t>(e.Inline,
                                         e.Inline + std::min<std::uint64_t>(total, maxBytes));
    const std::uint64_t wanted = std::min(total, maxBytes);
    const std::uint64_t start = FTIFFBase + e.Offset;
    if (!FHeaderStream || start + wanted > FHeaderStream->Size()) return {};
    std::vector<std::uint8_t> bytes(wanted);
    FHeaderStream->Seek(start);
    FHeaderStream->ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

std::vector<std::uint32_t> TTIFFGraphic::GetValues(std::uint16_t tag,
                                                   std::uint32_t maxCount) const {
    const TIFDEntry* e = FindTag(tag);
    if (!e) return {};
    const std::uint32_t size = TypeSize(e->DataType);
    if (size == 0) return {};
    const std::uint32_t count = std::min(e->Count, maxCount);
    const std::vector<std::uint8_t> bytes = GetBytes(*e, std::uint64_t(count) * size);
    std::vector<std::uint32_t> values;
    values.reserve(bytes.size() / size);
    for (std::size_t i = 0; i + size <= bytes.size(); i += size) {
        const std::uint8_t* p = bytes.data() + i;
        switch (e->DataType) {
        case 3:
        case 8:
            values.push_back(Swap16(p));
            break;
        case 4:
        case 9:
        case 13:
            values.push_back(Swap32(p));
            break;
        case 5:
        case 10: {
            const std::uint32_t d = Swap32(p + 4);
            values.push_back(d ? Swap32(p) / d : 0);
            break;
        }
        case 11: {
            const std::uint32_t bits = Swap32(p);
            float f;
            std::memcpy(&f, &bits, 4);
            values.push_back(f > 0 && f < 4294967295.0f ? std::uint32_t(f) : 0);
            break;
        }
        case 12:
            values.push_back(0);
            break;
        default:
            values.push_back(*p);
            break;
        }
    }
    return values;
}

std::uint32_t TTIFFGraphic::GetValue(std::uint16_t tag, std::uint32_t def) const {
    const std::vector<std::uint32_t> v = GetValues(tag, 1);
    return v.empty() ? def : v[0];
}

std::vector<double> TTIFFGraphic::GetFloats(std::uint16_t tag, std::uint32_t maxCount) const {
    const TIFDEntry* e = FindTag(tag);
    if (!e) return {};
    const std::uint32_t size = TypeSize(e->DataType);
    if (size == 0) return {};
    const std::uint32_t count = std::min(e->Count, maxCount);
    const std::vector<std::uint8_t> bytes = GetBytes(*e, std::uint64_t(count) * size);
    std::vector<double> values;
    for (std::size_t i = 0; i + size <= bytes.size(); i += size) {
        const std::uint8_t* p = bytes.data() + i;
        if (e->DataType == 5 || e->DataType == 10) {
            const std::uint32_t d = Swap32(p + 4);
            const double n = e->DataType == 10 ? double(std::int32_t(Swap32(p))) : Swap32(p);
            const double dd = e->DataType == 10 ? double(std::int32_t(d)) : d;
            values.push_back(dd != 0 ? n / dd : 0.0);
        } else if (e->DataType == 11) {
            const std::uint32_t bits = Swap32(p);
            float f;
            std::memcpy(&f, &bits, 4);
            values.push_back(f);
        } else if (e->DataType == 12) {
            std::uint8_t b[8];
            for (int k = 0; k < 8; ++k)
                b[k] = FImageProperties.Flags.Contains(TImageFlag::BigEndian) ? p[7 - k] : p[k];
            double d;
            std::memcpy(&d, b, 8);
            values.push_back(d);
        } else {
            values.push_back(GetValues(tag, count)[i / size]);
        }
    }
    return values;
}

// ---------------------------------------------------------------------------
// Header

bool TTIFFGraphic::AcceptsStream(TStream& stream) {
    // The header and at least one byte after it.
    std::uint8_t h[9];
    if (!PeekBytes(stream, h, sizeof h)) return false;
    const std::uint64_t pos = stream.Position();
    bool big;
    if (h[0] == 'I' && h[1] == 'I')
        big = false;
    else if (h[0] == 'M' && h[1] == 'M')
        big = true;
    else
        return false;
    const std::uint32_t magic = big ? (h[2] << 8 | h[3]) : (h[3] << 8 | h[2]);
    const std::uint32_t ifd = big ? (std::uint32_t(h[4]) << 24 | std::uint32_t(h[5]) << 16 |
                                     std::uint32_t(h[6]) << 8 | h[7])
                                  : (std::uint32_t(h[7]) << 24 | std::uint32_t(h[6]) << 16 |
                                     std::uint32_t(h[5]) << 8 | h[4]);
    return magic == 42 && ifd < stream.Size() - pos;
}

bool TTIFFGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    FImageProperties.Reset();
    FIFD.clear();
    FHeaderStream = &stream;
    FTIFFBase = stream.Position();
    TImageProperties& p = FImageProperties;
    const std::uint64_t size = stream.Size();

    std::uint8_t h[8];
    if (stream.Read(h, 8) != 8) return false;
    if (h[0] == 'M' && h[1] == 'M')
        p.Flags.Include(TImageFlag::BigEndian);
    else if (h[0] != 'I' || h[1] != 'I')
        return false;
    if (Swap16(h + 2) != 42) return false;
    p.FormatVersion = 42;
    p.FirstIFD = Swap32(h + 4);

    // Follow the chain to the wanted directory.
    std::uint32_t ifd = p.FirstIFD;
    for (unsigned i = 0;; ++i) {
        if (ifd < 8 || FTIFFBase + ifd + 2 > size) return false;
        stream.Seek(FTIFFBase + ifd);
        std::uint8_t c[2];
        stream.ReadBuffer(c, 2);
        const std::uint32_t count = Swap16(c);
        if (FTIFFBase + ifd + 2 + 12ull * count > size) return false;
        if (i == imageIndex) {
            std::vector<std::uint8_t> raw(12ull * count);
            stream.ReadBuffer(raw.data(), raw.size());
            FIFD.resize(count);
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint8_t* e = raw.data() + 12 * k;
                TIFDEntry& d = FIFD[k];
                d.Tag = Swap16(e);
                d.DataType = Swap16(e + 2);
                d.Count = Swap32(e + 4);
                d.Offset = Swap32(e + 8);
                std::memcpy(d.Inline, e + 8, 4);
            }
            break;
        }
        stream.Seek(FTIFFBase + ifd + 2 + 12ull * count);
        std::uint8_t n[4];
        if (stream.Read(n, 4) != 4) return false;
        ifd = Swap32(n);
    }
    std::stable_sort(FIFD.begin(), FIFD.end(),
                     [](const TIFDEntry& a, const TIFDEntry& b) { return a.Tag < b.Tag; });

    p.Width = GetValue(kTagWidth, 0);
    p.Height = GetValue(kTagHeight, 0);
    if (p.Width == 0 || p.Height == 0) return false;
    const std::uint32_t bits = GetValue(kTagBitsPerSample, 1);
    const std::uint32_t samples = GetValue(kTagSamplesPerPixel, 1);
    if (bits == 0 || bits > 64 || samples == 0 || samples > 32) return false;
    p.BitsPerSample = std::uint8_t(bits);
    p.SamplesPerPixel = std::uint8_t(samples);
    p.BitsPerPixel = std::uint8_t(std::min<std::uint32_t>(bits * samples, 255));

    for (std::uint32_t r : GetValues(kTagRowsPerStrip, 1 << 20))
        p.RowsPerStrip.push_back(r == 0 || r > p.Height ? p.Height : r);
    if (p.RowsPerStrip.empty()) p.RowsPerStrip.push_back(p.Height);

    const std::uint32_t compression = GetValue(kTagCompression, 1);
    p.Compression = MapCompression(compression);

    const std::uint32_t defaultPhotometric = IsCCITT(p.Compression) ? 0 : samples >= 3 ? 2 : 1;
    FPhotometric = GetValue(kTagPhotometric, defaultPhotometric);
    switch (FPhotometric) {
    case 0:
    case 1:
        p.ColorModel = samples >= 2 ? TColorModel::GreyAlpha : TColorModel::Grey;
        if (FPhotometric == 0) p.Flags.Include(TImageFlag::InvertedGrey);
        break;
    case 2:
        p.ColorModel = samples >= 4 ? TColorModel::RGBA : TColorModel::RGB;
        break;
    case 3:
        p.ColorModel = TColorModel::Indexed;
        break;
    case 5:
        p.ColorModel = TColorModel::CMYK;
        break;
    case 6:
        p.ColorModel = TColorModel::YCbCr;
        break;
    case 8:
        p.ColorModel = TColorModel::CIELab;
        break;
    default:
        p.ColorModel = TColorModel::Unknown;
        break;
    }

    if (FindTag(kTagTileWidth) && FindTag(kTagTileLength)) {
        p.Flags.Include(TImageFlag::TiledLayout);
        p.TileWidth = GetValue(kTagTileWidth, 0);
        p.TileLength = GetValue(kTagTileLength, 0);
    }
    const std::vector<std::uint32_t> extra = GetValues(kTagExtraSamples, 32);
    p.AlphaPresent =
        !extra.empty() && std::all_of(extra.begin(), extra.end(), [](auto v) { return v <= 2; });

    const double unit = GetValue(kTagResolutionUnit, 2) == 3 ? 2.54 : 1.0;
    const std::vector<double> xres = GetFloats(kTagXResolution, 1);
    const std::vector<double> yres = GetFloats(kTagYResolution, 1);
    p.XResolution = xres.empty() ? 0.0f : float(xres[0] * unit);
    p.YResolution = yres.empty() ? 0.0f : float(yres[0] * unit);

    p.PlanarConfig = GetValue(kTagPlanarConfig, 1);
    p.Predictor = GetValue(kTagPredictor, 1);
    if (GetValue(kTagFillOrder, 1) == 2) p.Flags.Include(TImageFlag::LsbFirst);

    if (p.ColorModel == TColorModel::YCbCr) {
        const std::vector<std::uint32_t> sub = GetValues(kTagYCbCrSubSampling, 2);
        p.YCbCrSubSampling = {2, 2};
        if (sub.size() == 2)
            p.YCbCrSubSampling = {std::uint8_t(std::min<std::uint32_t>(sub[0], 255)),
                                  std::uint8_t(std::min<std::uint32_t>(sub[1], 255))};
        p.YCbCrPositioning = GetValue(kTagYCbCrPositioning, 1);
        const std::vector<double> coeff = GetFloats(kTagYCbCrCoefficients, 3);
        p.LumaCoefficients = {0.299f, 0.587f, 0.114f};
        if (coeff.size() == 3 && coeff[1] > 0)
            p.LumaCoefficients = {float(coeff[0]), float(coeff[1]), float(coeff[2])};
    }
    if (const TIFDEntry* tables = FindTag(kTagJPEGTables))
        p.JPEGTables = GetBytes(*tables, std::uint64_t(1) << 24);
    return true;
}

// ---------------------------------------------------------------------------
// Pixels

void TTIFFGraphic::ReadPixels(TStream&) {
    // The colour profile of the photograph, kept for its stored copy.
    if (const TIFDEntry* icc = FindTag(kTagICCProfile); icc && icc->Count <= (16u << 20))
        FMetadata.iccProfile = GetBytes(*icc, icc->Count);
    LoadPixels();
}

TTIFFGraphic::TTIFFGraphic() = default;
TTIFFGraphic::~TTIFFGraphic() = default;

void TTIFFGraphic::LoadPixels() {
    const TImageProperties& p = FImageProperties;
    TStream& stream = *FStream;
    const std::uint32_t width = p.Width;
    const std::uint32_t height = p.Height;
    const std::uint32_t bps = p.BitsPerSample;
    const std::uint32_t spp = p.SamplesPerPixel;
    const bool jpeg = p.Compression == TCompressionType::JPEG;

    std::unique_ptr<TBlockPlan> plan = PlanBlocks(stream);

    // Colour converter: source as stored, target as the bitmap needs it.
    TColorModel source = p.ColorModel;
    TColorModel target;
    std::uint8_t targetBits = 8;
    std::uint8_t targetSamples = 3;
    switch (source) {
    case TColorModel::Indexed:
        target = TColorModel::Indexed;
        targetBits = std::uint8_t(bps);
        targetSamples = 1;
        if (bps > 8) GraphicError(gesInvalidColorFormat, {"TIF/TIFF"});
        break;
    case TColorModel::Grey:
    case TColorModel::GreyAlpha:
        target = TColorModel::Grey;
        targetBits = std::uint8_t(bps == 16 ? 8 : bps);
        targetSamples = 1;
        break;
    case TColorModel::RGB:
    case TColorModel::CMYK:
    case TColorModel::CIELab:
    case TColorModel::YCbCr:
        target = TColorModel::BGR;
        break;
    case TColorModel::RGBA:
        target = TColorModel::BGRA;
        targetSamples = 4;
        break;
    default:
        throw EColorConversionError(gesConversionUnsupported);
    }
    if (spp > 4 || (target == TColorModel::Grey && spp > 2) ||
        ((source == TColorModel::RGB || source == TColorModel::CIELab ||
          source == TColorModel::YCbCr) &&
         spp != 3) ||
        (source == TColorModel::CMYK && spp != 4))
        throw EColorConversionError(gesInvalidPixelDepth);
    std::uint8_t sourceBits = std::uint8_t(bps);
    // A palette index with an extra sample (alpha, as office programs
    // write it): the index is read as grey with alpha is, the extra sample
    // skipped.
    if (source == TColorModel::Indexed && spp == 2 && bps == 8) source = TColorModel::GreyAlpha;
    if (jpeg) // libjpeg delivers blue, green, red (or grey, or CMYK)
        source = spp == 3 ? TColorModel::BGR : source;
    if (source == TColorModel::YCbCr) FColorManager.SetYCbCrSetup(p.LumaCoefficients, 1, 1);
    FColorManager.SetSourceColorScheme(source);
    FColorManager.SetSourceBitsPerSample(sourceBits);
    FColorManager.SetSourceSamplesPerPixel(std::uint8_t(spp));
    FColorManager.SetTargetColorScheme(target);
    FColorManager.SetTargetBitsPerSample(targetBits);
    FColorManager.SetTargetSamplesPerPixel(targetSamples);
    TConvertOptions sourceOptions;
    if (p.Flags.Contains(TImageFlag::BigEndian) && bps == 16)
        sourceOptions.Include(TConvertOption::SwapBytes);
    if (source == TColorModel::RGBA || source == TColorModel::GreyAlpha)
        sourceOptions.Include(TConvertOption::AlphaPresent);
    if (source == TColorModel::CIELab) sourceOptions.Include(TConvertOption::LabByteRange);
    FColorManager.SetSourceOptions(sourceOptions);

    ApplyConverterFormat(FormatWord(),
                         target == TColorModel::Grey && p.Flags.Contains(TImageFlag::InvertedGrey));
    if (target == TColorModel::Indexed) {
        // Colour map: three planes of 16-bit values, 2^bits entries each.
        // Older writers stored 8-bit values; those are taken as they are.
        const std::uint32_t entries = 1u << bps;
        const std::vector<std::uint32_t> map = GetValues(kTagColorMap, 3 * entries);
        if (map.size() < 3 * entries) GraphicError(gesInvalidPalette, {"TIF/TIFF"});
        const bool sixteen = std::any_of(map.begin(), map.end(), [](auto v) { return v > 255; });
        auto c = [&](std::uint32_t v) { return int(sixteen ? v >> 8 : v); };
        std::vector<TColor> palette(entries);
        for (std::uint32_t i = 0; i < entries; ++i)
            palette[i] = RGBColor(c(map[i]), c(map[entries + i]), c(map[2 * entries + i]));
        FBitmap.setPalette(std::move(palette));
    }
    SetImageSize(width, height, FormatWord());
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    std::vector<std::vector<std::uint8_t>> bands(plan->planes);
    std::vector<std::uint8_t> fullRow;
    const std::uint32_t subH = plan->subH, subV = plan->subV;
    if (subH * subV > 1) fullRow.resize(std::size_t(width) * 3);
    std::vector<const std::uint8_t*> sources(plan->planes);

    if (plan->decoder) plan->decoder->DecodeInit();
    std::uint32_t row = 0;
    for (std::uint32_t band = 0; row < height; ++band) {
        const std::uint32_t rows = plan->BandRows(p, band, row);
        for (std::uint32_t plane = 0; plane < plan->planes; ++plane)
            DecodeBand(stream, *plan, band, plane, rows, bands[plane]);
        for (std::uint32_t r = 0; r < rows; ++r, ++row) {
            std::uint8_t* line = FBitmap.scanLine(int(row));
            if (subH * subV > 1) {
                // Blocks of subH x subV luma samples followed by Cb and Cr.
                const std::uint8_t* unit =
                    bands[0].data() + std::size_t(r / subV) * plan->imageRowBytes;
                const std::uint32_t j = r % subV;
                const std::uint32_t blockSize = subH * subV + 2;
                for (std::uint32_t x = 0; x < width; ++x) {
                    const std::uint8_t* block = unit + std::size_t(x / subH) * blockSize;
                    fullRow[3 * x] = block[j * subH + x % subH];
                    fullRow[3 * x + 1] = block[subH * subV];
                    fullRow[3 * x + 2] = block[subH * subV + 1];
                }
                FColorManager.ConvertLine(fullRow.data(), 0xFF, width, line);
            } else {
                for (std::uint32_t k = 0; k < plan->planes; ++k)
                    sources[k] = bands[k].data() + std::size_t(r) * plan->imageRowBytes;
                FColorManager.ConvertLine(sources, 0xFF, width, line);
            }
            RowDone(row);
        }
    }
    if (plan->decoder) plan->decoder->DecodeEnd();
}

// ---------------------------------------------------------------------------
// EPS

namespace {
constexpr std::uint8_t kEPSMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr std::size_t kEPSHeaderSize = 30;
} // namespace

bool TEPSGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t h[kEPSHeaderSize];
    return PeekBytes(stream, h, sizeof h) && std::memcmp(h, kEPSMagic, 4) == 0;
}

bool TEPSGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    FImageProperties.Reset();
    const std::uint64_t pos = stream.Position();
    std::uint8_t h[kEPSHeaderSize];
    if (stream.Read(h, kEPSHeaderSize) != kEPSHeaderSize || std::memcmp(h, kEPSMagic, 4) != 0)
        return false;
    auto le32 = [&](std::size_t i) {
        return std::uint32_t(h[i]) | std::uint32_t(h[i + 1]) << 8 | std::uint32_t(h[i + 2]) << 16 |
               std::uint32_t(h[i + 3]) << 24;
    };
    const std::uint32_t tiffStart = le32(20);
    const std::uint32_t tiffLength = le32(24);
    if (tiffStart < kEPSHeaderSize || tiffLength == 0 || pos + tiffStart >= stream.Size())
        return false;
    stream.Seek(pos + tiffStart);
    return TTIFFGraphic::ReadHeader(stream, imageIndex);
}

} // namespace vt
