#include "imageio/tiffgraphic.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <zlib.h>

#include "imageio/decoders.h"
#include "imageio/imageerrors.h"

namespace vt {

namespace {

// TIFF tags read here.
enum : std::uint16_t {
    kTagWidth = 256,
    kTagHeight = 257,
    kTagBitsPerSample = 258,
    kTagCompression = 259,
    kTagPhotometric = 262,
    kTagFillOrder = 266,
    kTagStripOffsets = 273,
    kTagSamplesPerPixel = 277,
    kTagRowsPerStrip = 278,
    kTagStripByteCounts = 279,
    kTagXResolution = 282,
    kTagYResolution = 283,
    kTagPlanarConfig = 284,
    kTagT4Options = 292,
    kTagResolutionUnit = 296,
    kTagPredictor = 317,
    kTagColorMap = 320,
    kTagTileWidth = 322,
    kTagTileLength = 323,
    kTagExtraSamples = 338,
    kTagJPEGTables = 347,
    kTagYCbCrCoefficients = 529,
    kTagYCbCrSubSampling = 530,
    kTagYCbCrPositioning = 531,
    kTagICCProfile = 34675,
};

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

std::uint8_t ReverseByte(std::uint8_t b) {
    b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

bool IsCCITT(TCompressionType c) {
    return c == TCompressionType::CCITT3 || c == TCompressionType::CCITT4 ||
           c == TCompressionType::CCITTMH || c == TCompressionType::CCITTMHWordAligned;
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
    const std::uint64_t pos = stream.Position();
    if (stream.Remaining() < 9) return false;
    std::uint8_t h[8];
    const bool read = stream.Read(h, 8) == 8;
    stream.Seek(pos);
    if (!read) return false;
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

void TTIFFGraphic::LoadFromStream(TStream& stream) {
    TLoadScope scope(*this, stream);
    CheckHeader(FormatWord());
    // The colour profile of the photograph, kept for its stored copy.
    if (const TIFDEntry* icc = FindTag(kTagICCProfile); icc && icc->Count <= (16u << 20))
        FMetadata.iccProfile = GetBytes(*icc, icc->Count);
    StartProgress();
    // Tiled images are not decoded: the result is an empty bitmap.
    if (FImageProperties.Flags.Contains(TImageFlag::TiledLayout)) return;
    LoadStrips();
}

// What is needed to unpack the strips of a directory.
struct TTIFFGraphic::TStripPlan {
    std::unique_ptr<TDecoder> decoder;
    TLZ77Decoder* lz77 = nullptr;
    bool lsbFirst = false;
    bool predictor = false;
    bool planar = false;
    std::uint32_t planes = 1;
    std::uint32_t subH = 1, subV = 1; // YCbCr blocks unpacked by the reader
    std::size_t rowBytes = 0;         // bytes of one row (of one block row)
    std::uint32_t firstRows = 0;
    std::uint32_t stripsPerPlane = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> counts;
    std::vector<std::uint8_t> packed;

    // Rows of strip (within its plane) that starts at image row.
    std::uint32_t RowsOf(const TImageProperties& p, std::uint32_t strip, std::uint32_t row) const {
        const std::uint32_t rps = planar || strip >= p.RowsPerStrip.size()
                                      ? (planar ? firstRows : p.RowsPerStrip.back())
                                      : p.RowsPerStrip[strip];
        return std::min(rps, p.Height - row);
    }
};

TTIFFGraphic::TTIFFGraphic() = default;
TTIFFGraphic::~TTIFFGraphic() = default;

std::unique_ptr<TTIFFGraphic::TStripPlan> TTIFFGraphic::PlanStrips(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width;
    const std::uint32_t height = p.Height;
    const std::uint32_t bps = p.BitsPerSample;
    const std::uint32_t spp = p.SamplesPerPixel;
    const bool jpeg = p.Compression == TCompressionType::JPEG;
    // Pictures above the limit are refused before any buffer is made.
    CheckImageSize(width, height, FormatWord());
    auto plan = std::make_unique<TStripPlan>();
    plan->lsbFirst = p.Flags.Contains(TImageFlag::LsbFirst);

    switch (p.Compression) {
    case TCompressionType::None:
        break;
    case TCompressionType::PackBits:
        plan->decoder = std::make_unique<TPackbitsRLEDecoder>();
        break;
    case TCompressionType::LZW:
        plan->decoder = std::make_unique<TTIFFLZWDecoder>();
        break;
    case TCompressionType::CCITT3:
        plan->decoder = std::make_unique<TCCITTFax3Decoder>(GetValue(kTagT4Options, 0), width,
                                                            false, plan->lsbFirst);
        break;
    case TCompressionType::CCITT4:
        plan->decoder = std::make_unique<TCCITTFax4Decoder>(0, width, false, plan->lsbFirst);
        break;
    case TCompressionType::CCITTMH:
        plan->decoder = std::make_unique<TCCITTMHDecoder>(0, width, false, plan->lsbFirst);
        break;
    case TCompressionType::CCITTMHWordAligned:
        plan->decoder = std::make_unique<TCCITTMHDecoder>(0, width, true, plan->lsbFirst);
        break;
    case TCompressionType::LZ77: {
        auto d = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, true);
        plan->lz77 = d.get();
        plan->decoder = std::move(d);
        break;
    }
    case TCompressionType::JPEG:
        plan->decoder = std::make_unique<TTIFFJPEGDecoder>(p);
        break;
    case TCompressionType::ThunderScan:
        plan->decoder = std::make_unique<TThunderDecoder>(width);
        break;
    default:
        GraphicError(gesNotSupported, {gesCompressionScheme, "TIF/TIFF"});
    }
    if (IsCCITT(p.Compression) && (bps != 1 || spp != 1))
        GraphicError(gesInvalidImage, {FormatWord()});
    if (p.Compression == TCompressionType::ThunderScan && (bps != 4 || spp != 1))
        GraphicError(gesInvalidImage, {FormatWord()});
    if (bps != 1 && bps != 2 && bps != 4 && bps != 8 && bps != 16)
        throw EColorConversionError(gesInvalidSampleDepth);

    plan->planar = p.PlanarConfig == 2 && spp > 1;
    plan->planes = plan->planar ? spp : 1;
    if (jpeg && (plan->planar || bps != 8))
        GraphicError(gesNotSupported, {gesCompressionScheme, "TIF/TIFF"});
    if (p.ColorModel == TColorModel::YCbCr && !jpeg) {
        if (spp != 3 || bps != 8 || plan->planar) throw EColorConversionError(gesInvalidPixelDepth);
        plan->subH = p.YCbCrSubSampling.size() == 2 ? p.YCbCrSubSampling[0] : 2;
        plan->subV = p.YCbCrSubSampling.size() == 2 ? p.YCbCrSubSampling[1] : 2;
        auto valid = [](std::uint32_t v) { return v == 1 || v == 2 || v == 4; };
        if (!valid(plan->subH) || !valid(plan->subV))
            throw EColorConversionError(gesInvalidSubSampling);
    }
    const std::uint32_t subH = plan->subH, subV = plan->subV;
    plan->rowBytes =
        jpeg ? std::size_t(width) * spp
        : subH * subV > 1
            ? std::size_t((std::uint64_t(width) + subH - 1) / subH * (subH * subV + 2))
            : std::size_t((std::uint64_t(plan->planar ? bps : bps * spp) * width + 7) / 8);
    plan->predictor = p.Predictor == 2 && (p.Compression == TCompressionType::LZW ||
                                           p.Compression == TCompressionType::LZ77);

    plan->firstRows = p.RowsPerStrip.empty() ? height : p.RowsPerStrip[0];
    plan->stripsPerPlane = (height + plan->firstRows - 1) / plan->firstRows;
    const std::uint64_t stripCount = std::uint64_t(plan->stripsPerPlane) * plan->planes;
    if (stripCount > (1u << 28)) GraphicError(gesInvalidImage, {FormatWord()});
    plan->offsets = GetValues(kTagStripOffsets, std::uint32_t(stripCount));
    plan->counts = GetValues(kTagStripByteCounts, std::uint32_t(stripCount));
    if (plan->offsets.size() < stripCount) GraphicError(gesInvalidImage, {FormatWord()});
    if (plan->counts.size() < stripCount) {
        // Without byte counts a strip may reach to the end of the file.
        const std::uint64_t fileSize = stream.Size();
        plan->counts.resize(stripCount);
        for (std::size_t i = 0; i < stripCount; ++i) {
            const std::uint64_t start = FTIFFBase + plan->offsets[i];
            plan->counts[i] = std::uint32_t(
                start < fileSize ? std::min<std::uint64_t>(fileSize - start, UINT32_MAX) : 0);
        }
    }
    return plan;
}

void TTIFFGraphic::DecodeStrip(TStream& stream, TStripPlan& plan, std::uint32_t strip,
                               std::uint32_t plane, std::uint32_t rows,
                               std::vector<std::uint8_t>& out) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t units = (rows + plan.subV - 1) / plan.subV;
    out.assign(std::size_t(units) * plan.rowBytes, 0);

    const std::size_t index = std::size_t(plane) * plan.stripsPerPlane + strip;
    if (index >= plan.offsets.size()) GraphicError(gesInvalidImage, {FormatWord()});
    const std::uint64_t start = FTIFFBase + plan.offsets[index];
    const std::uint64_t count = plan.counts[index];
    if (start + count > stream.Size()) throw EReadError(gesReadError);
    std::vector<std::uint8_t>& packed = plan.packed;
    packed.resize(std::size_t(count));
    stream.Seek(start);
    stream.ReadBuffer(packed.data(), packed.size());
    if (plan.lsbFirst && !IsCCITT(p.Compression))
        for (std::uint8_t& b : packed)
            b = ReverseByte(b);

    if (!plan.decoder) {
        if (!packed.empty())
            std::memcpy(out.data(), packed.data(), std::min(packed.size(), out.size()));
    } else {
        const std::uint8_t* src = packed.data();
        std::uint8_t* dst = out.data();
        plan.decoder->Decode(src, dst, packed.size(), out.size());
        if (plan.lz77 && ((plan.lz77->ZLibResult() < 0 && plan.lz77->ZLibResult() != Z_BUF_ERROR) ||
                          plan.lz77->AvailableOutput() > 0))
            CompressionError("LZ77 decompression error.");
    }

    if (plan.predictor) {
        const bool bigEndian = p.Flags.Contains(TImageFlag::BigEndian);
        const std::size_t stride = plan.planar ? 1 : p.SamplesPerPixel;
        const std::size_t samples = std::size_t(p.Width) * stride;
        for (std::uint32_t r = 0; r < rows; ++r) {
            std::uint8_t* line = out.data() + std::size_t(r) * plan.rowBytes;
            if (p.BitsPerSample == 8 && stride == 3) {
                std::uint8_t r = line[0], g = line[1], b = line[2];
                for (std::size_t i = 3; i < samples; i += 3) {
                    line[i] = r = std::uint8_t(r + line[i]);
                    line[i + 1] = g = std::uint8_t(g + line[i + 1]);
                    line[i + 2] = b = std::uint8_t(b + line[i + 2]);
                }
            } else if (p.BitsPerSample == 8) {
                for (std::size_t i = stride; i < samples; ++i)
                    line[i] = std::uint8_t(line[i] + line[i - stride]);
            } else if (p.BitsPerSample == 16) {
                const int hi = bigEndian ? 0 : 1, lo = 1 - hi;
                for (std::size_t i = stride; i < samples; ++i) {
                    std::uint8_t* a = line + 2 * i;
                    const std::uint8_t* b = line + 2 * (i - stride);
                    const unsigned sum =
                        unsigned(a[hi] << 8 | a[lo]) + unsigned(b[hi] << 8 | b[lo]);
                    a[hi] = std::uint8_t(sum >> 8);
                    a[lo] = std::uint8_t(sum);
                }
            }
        }
    }
}

std::vector<std::uint8_t> TTIFFGraphic::DecodeAllStrips(TStream& stream) {
    if (!ReadHeader(stream, 0)) GraphicError(gesInvalidImage, {FormatWord()});
    if (FImageProperties.Flags.Contains(TImageFlag::TiledLayout)) return {};
    std::unique_ptr<TStripPlan> plan = PlanStrips(stream);
    std::vector<std::uint8_t> all, strip;
    all.reserve(std::size_t(plan->planes) * (FImageProperties.Height + plan->subV - 1) /
                plan->subV * plan->rowBytes);
    if (plan->decoder) plan->decoder->DecodeInit();
    for (std::uint32_t plane = 0; plane < plan->planes; ++plane) {
        std::uint32_t row = 0;
        for (std::uint32_t s = 0; row < FImageProperties.Height; ++s) {
            const std::uint32_t rows = plan->RowsOf(FImageProperties, s, row);
            DecodeStrip(stream, *plan, s, plane, rows, strip);
            all.insert(all.end(), strip.begin(), strip.end());
            row += rows;
        }
    }
    if (plan->decoder) plan->decoder->DecodeEnd();
    return all;
}

void TTIFFGraphic::LoadStrips() {
    const TImageProperties& p = FImageProperties;
    TStream& stream = *FStream;
    const std::uint32_t width = p.Width;
    const std::uint32_t height = p.Height;
    const std::uint32_t bps = p.BitsPerSample;
    const std::uint32_t spp = p.SamplesPerPixel;
    const bool jpeg = p.Compression == TCompressionType::JPEG;

    std::unique_ptr<TStripPlan> plan = PlanStrips(stream);

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

    std::vector<std::vector<std::uint8_t>> strips(plan->planes);
    std::vector<std::uint8_t> fullRow;
    const std::uint32_t subH = plan->subH, subV = plan->subV;
    if (subH * subV > 1) fullRow.resize(std::size_t(width) * 3);
    std::vector<const std::uint8_t*> sources(plan->planes);

    if (plan->decoder) plan->decoder->DecodeInit();
    std::uint32_t row = 0;
    for (std::uint32_t strip = 0; row < height; ++strip) {
        const std::uint32_t rows = plan->RowsOf(p, strip, row);
        for (std::uint32_t plane = 0; plane < plan->planes; ++plane)
            DecodeStrip(stream, *plan, strip, plane, rows, strips[plane]);
        for (std::uint32_t r = 0; r < rows; ++r, ++row) {
            std::uint8_t* line = FBitmap.scanLine(int(row));
            if (subH * subV > 1) {
                // Blocks of subH x subV luma samples followed by Cb and Cr.
                const std::uint8_t* unit =
                    strips[0].data() + std::size_t(r / subV) * plan->rowBytes;
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
                    sources[k] = strips[k].data() + std::size_t(r) * plan->rowBytes;
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
    const std::uint64_t pos = stream.Position();
    if (stream.Remaining() < kEPSHeaderSize) return false;
    std::uint8_t h[4];
    const bool read = stream.Read(h, 4) == 4;
    stream.Seek(pos);
    return read && std::memcmp(h, kEPSMagic, 4) == 0;
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
