// The pixel data of a TIFF directory: which decoder unpacks its strips or
// tiles, how the unpacked bytes are laid out, the predictor, and the check
// that the file's data can make the picture before anything is allocated.
#include "imageio/tiffblocks.h"

#include <cstring>
#include <zlib.h>

#include "imageio/imageerrors.h"

namespace vt {

namespace {

std::uint8_t ReverseByte(std::uint8_t b) {
    b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Undoes horizontal differencing over every whole row of `rowBytes` bytes
// of data: each sample adds the one `stride` samples before it. Sizes come
// from the buffer, never from the picture.
void UndoPredictor(std::vector<std::uint8_t>& data, std::size_t rowBytes, std::size_t stride,
                   std::size_t sampleBytes, bool bigEndian) {
    if (rowBytes == 0) return;
    const std::size_t samples = rowBytes / sampleBytes;
    for (std::size_t at = 0; at + rowBytes <= data.size(); at += rowBytes) {
        std::uint8_t* line = data.data() + at;
        if (sampleBytes == 1 && stride == 3) {
            std::uint8_t r = line[0], g = line[1], b = line[2];
            for (std::size_t i = 3; i + 2 < samples; i += 3) {
                line[i] = r = std::uint8_t(r + line[i]);
                line[i + 1] = g = std::uint8_t(g + line[i + 1]);
                line[i + 2] = b = std::uint8_t(b + line[i + 2]);
            }
        } else if (sampleBytes == 1) {
            for (std::size_t i = stride; i < samples; ++i)
                line[i] = std::uint8_t(line[i] + line[i - stride]);
        } else {
            const int hi = bigEndian ? 0 : 1, lo = 1 - hi;
            for (std::size_t i = stride; i < samples; ++i) {
                std::uint8_t* a = line + 2 * i;
                const std::uint8_t* b = line + 2 * (i - stride);
                const unsigned sum = unsigned(a[hi] << 8 | a[lo]) + unsigned(b[hi] << 8 | b[lo]);
                a[hi] = std::uint8_t(sum >> 8);
                a[lo] = std::uint8_t(sum);
            }
        }
    }
}

} // namespace

std::unique_ptr<TTIFFGraphic::TBlockPlan> TTIFFGraphic::PlanBlocks(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width;
    const std::uint32_t height = p.Height;
    const std::uint32_t bps = p.BitsPerSample;
    const std::uint32_t spp = p.SamplesPerPixel;
    const bool jpeg = p.Compression == TCompressionType::JPEG;
    auto invalid = [&]() { GraphicError(gesInvalidImage, {FormatWord()}); };
    // Pictures above the limit are refused before any buffer is made.
    CheckImageSize(width, height, FormatWord());
    auto plan = std::make_unique<TBlockPlan>();
    plan->lsbFirst = p.Flags.Contains(TImageFlag::LsbFirst);
    plan->tiled = p.Flags.Contains(TImageFlag::TiledLayout);
    plan->blockWidth = width;
    if (plan->tiled) {
        if (p.TileWidth == 0 || p.TileLength == 0) invalid();
        CheckImageSize(p.TileWidth, p.TileLength, FormatWord());
        plan->blockWidth = p.TileWidth;
        plan->tileLength = p.TileLength;
    }
    const std::uint32_t blockWidth = plan->blockWidth;

    // The decoder, and the most it can make of one input byte: bytes, or
    // rows for the fax codes, whose rows cost a bit or a byte whatever their
    // width.
    std::uint64_t expansion = 1;
    bool rowBound = false;
    switch (p.Compression) {
    case TCompressionType::None:
        break;
    case TCompressionType::PackBits:
        plan->decoder = std::make_unique<TPackbitsRLEDecoder>();
        expansion = TPackbitsRLEDecoder::kMaxExpansion;
        break;
    case TCompressionType::LZW:
        plan->decoder = std::make_unique<TTIFFLZWDecoder>();
        expansion = TTIFFLZWDecoder::kMaxExpansion;
        break;
    case TCompressionType::CCITT3:
        plan->decoder = std::make_unique<TCCITTFax3Decoder>(GetValue(kTagT4Options, 0), blockWidth,
                                                            false, plan->lsbFirst);
        expansion = TCCITTFax3Decoder::kMaxRowsPerByte;
        rowBound = true;
        break;
    case TCompressionType::CCITT4:
        plan->decoder = std::make_unique<TCCITTFax4Decoder>(0, blockWidth, false, plan->lsbFirst);
        expansion = TCCITTFax4Decoder::kMaxRowsPerByte;
        rowBound = true;
        break;
    case TCompressionType::CCITTMH:
    case TCompressionType::CCITTMHWordAligned:
        plan->decoder = std::make_unique<TCCITTMHDecoder>(
            0, blockWidth, p.Compression == TCompressionType::CCITTMHWordAligned, plan->lsbFirst);
        expansion = TCCITTMHDecoder::kMaxRowsPerByte;
        rowBound = true;
        break;
    case TCompressionType::LZ77: {
        auto d = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, true);
        plan->lz77 = d.get();
        plan->decoder = std::move(d);
        expansion = TLZ77Decoder::kMaxExpansion;
        break;
    }
    case TCompressionType::JPEG:
        plan->decoder = std::make_unique<TTIFFJPEGDecoder>(p, blockWidth);
        expansion = TTIFFJPEGDecoder::kMaxExpansion;
        break;
    case TCompressionType::ThunderScan:
        plan->decoder = std::make_unique<TThunderDecoder>(blockWidth);
        expansion = TThunderDecoder::kMaxExpansion;
        break;
    default:
        GraphicError(gesNotSupported, {gesCompressionScheme, "TIF/TIFF"});
    }
    if (IsCCITT(p.Compression) && (bps != 1 || spp != 1)) invalid();
    if (p.Compression == TCompressionType::ThunderScan && (bps != 4 || spp != 1)) invalid();
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
    const bool subsampled = subH * subV > 1;
    const std::uint64_t pixelBits = plan->planar ? bps : std::uint64_t(bps) * spp;
    auto rowBytesOf = [&](std::uint64_t pixels) -> std::uint64_t {
        if (jpeg) return pixels * spp;
        if (subsampled) return (pixels + subH - 1) / subH * (subH * subV + 2);
        return (pixelBits * pixels + 7) / 8;
    };
    plan->blockRowBytes = std::size_t(rowBytesOf(blockWidth));
    plan->imageRowBytes = std::size_t(rowBytesOf(width));
    // Every tile starts on a whole byte of the picture's rows, and on a
    // whole YCbCr block; the format asks for tiles of multiples of 16.
    if (plan->tiled && (blockWidth % subH != 0 || plan->tileLength % subV != 0 ||
                        (!jpeg && !subsampled && pixelBits * blockWidth % 8 != 0)))
        invalid();

    plan->predictor =
        p.Predictor == 2 && (bps == 8 || bps == 16) &&
        (p.Compression == TCompressionType::LZW || p.Compression == TCompressionType::LZ77);
    if (plan->predictor) {
        plan->sampleBytes = bps / 8;
        plan->predictorStride = plan->planar ? 1 : spp;
        plan->predictorRowBytes = plan->blockRowBytes;
        if (subsampled) {
            // The format leaves the predictor on subsampled YCbCr undefined;
            // libtiff, which writes such files, differences the packed
            // blocks in rows of its own reckoning, three bytes apart: a
            // strip's row of blocks divided by the vertical subsampling, a
            // tile's width times three. What libtiff refuses (rows that are
            // no whole number of three bytes) is refused here too.
            const std::uint64_t unitBytes =
                plan->tiled ? std::uint64_t(plan->Units(plan->tileLength)) * plan->blockRowBytes
                            : plan->blockRowBytes;
            plan->predictorRowBytes =
                plan->tiled ? std::size_t(blockWidth) * 3 : plan->blockRowBytes / subV;
            if (unitBytes % plan->predictorRowBytes != 0 || plan->predictorRowBytes % 3 != 0)
                invalid();
        }
    }

    // Strips or tiles, and where they are.
    std::uint64_t blocksPerPlane;
    if (plan->tiled) {
        plan->tilesAcross = (width + blockWidth - 1) / blockWidth;
        const std::uint32_t tilesDown = (height + plan->tileLength - 1) / plan->tileLength;
        blocksPerPlane = std::uint64_t(plan->tilesAcross) * tilesDown;
    } else {
        plan->firstRows = p.RowsPerStrip.empty() ? height : p.RowsPerStrip[0];
        blocksPerPlane = (height + plan->firstRows - 1) / plan->firstRows;
    }
    const std::uint64_t blockCount = blocksPerPlane * plan->planes;
    if (blockCount > (1u << 28)) invalid();
    plan->blocksPerPlane = std::uint32_t(blocksPerPlane);
    // libtiff takes the tile tags and the strip tags for one another.
    auto valuesOf = [&](std::uint16_t tag, std::uint16_t other) {
        std::vector<std::uint32_t> v = GetValues(tag, std::uint32_t(blockCount));
        return v.empty() ? GetValues(other, std::uint32_t(blockCount)) : v;
    };
    plan->offsets = plan->tiled ? valuesOf(kTagTileOffsets, kTagStripOffsets)
                                : GetValues(kTagStripOffsets, std::uint32_t(blockCount));
    plan->counts = plan->tiled ? valuesOf(kTagTileByteCounts, kTagStripByteCounts)
                               : GetValues(kTagStripByteCounts, std::uint32_t(blockCount));
    if (plan->offsets.size() < blockCount) invalid();
    const std::uint64_t fileSize = stream.Size();
    if (plan->counts.size() < blockCount) {
        // Without byte counts a block may reach to the end of the file.
        plan->counts.resize(std::size_t(blockCount));
        for (std::size_t i = 0; i < blockCount; ++i) {
            const std::uint64_t start = FTIFFBase + plan->offsets[i];
            plan->counts[i] = std::uint32_t(
                start < fileSize ? std::min<std::uint64_t>(fileSize - start, UINT32_MAX) : 0);
        }
    }

    // What the picture needs of the decoder, against what the file's bytes
    // can make: a small file that declares a huge picture is refused here,
    // before the bitmap or any buffer is allocated.
    std::uint64_t required = 0;
    if (plan->tiled) {
        const std::uint64_t perTile =
            rowBound ? plan->tileLength
                     : std::uint64_t(plan->Units(plan->tileLength)) * plan->blockRowBytes;
        required = perTile * blockCount;
    } else {
        std::uint32_t row = 0;
        for (std::uint32_t s = 0; s < plan->blocksPerPlane && row < height; ++s) {
            const std::uint32_t rows = plan->BandRows(p, s, row);
            required += rowBound ? rows : std::uint64_t(plan->Units(rows)) * plan->blockRowBytes;
            row += rows;
        }
        required *= plan->planes;
    }
    std::uint64_t available = 0;
    for (std::size_t i = 0; i < blockCount; ++i) {
        const std::uint64_t start = FTIFFBase + plan->offsets[i];
        if (start < fileSize)
            available += std::min<std::uint64_t>(plan->counts[i], fileSize - start);
    }
    // Blocks may share bytes; the file holds no more than its size.
    available = std::min(available, fileSize - std::min(fileSize, FTIFFBase));
    CheckDataCovers(required, available, expansion, FormatWord());
    return plan;
}

void TTIFFGraphic::DecodeBlock(TStream& stream, TBlockPlan& plan, std::size_t index,
                               std::uint32_t rows, std::vector<std::uint8_t>& out) {
    const TImageProperties& p = FImageProperties;
    out.assign(std::size_t(plan.Units(rows)) * plan.blockRowBytes, 0);

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

    if (plan.predictor)
        UndoPredictor(out, plan.predictorRowBytes, plan.predictorStride, plan.sampleBytes,
                      p.Flags.Contains(TImageFlag::BigEndian));
}

void TTIFFGraphic::DecodeBand(TStream& stream, TBlockPlan& plan, std::uint32_t band,
                              std::uint32_t plane, std::uint32_t rows,
                              std::vector<std::uint8_t>& out) {
    const std::size_t first = std::size_t(plane) * plan.blocksPerPlane;
    if (!plan.tiled) {
        DecodeBlock(stream, plan, first + band, rows, out);
        return;
    }
    // A row of tiles: each tile's rows go to their place in the picture's
    // rows, cut at its right edge.
    const std::uint32_t units = plan.Units(rows);
    out.assign(std::size_t(units) * plan.imageRowBytes, 0);
    for (std::uint32_t tx = 0; tx < plan.tilesAcross; ++tx) {
        DecodeBlock(stream, plan, first + std::size_t(band) * plan.tilesAcross + tx,
                    plan.tileLength, plan.tile);
        const std::size_t at = std::size_t(tx) * plan.blockRowBytes;
        const std::size_t bytes = std::min(plan.blockRowBytes, plan.imageRowBytes - at);
        for (std::uint32_t u = 0; u < units; ++u)
            std::memcpy(out.data() + std::size_t(u) * plan.imageRowBytes + at,
                        plan.tile.data() + std::size_t(u) * plan.blockRowBytes, bytes);
    }
}

std::vector<std::uint8_t> TTIFFGraphic::DecodeAllStrips(TStream& stream) {
    if (!ReadHeader(stream, 0)) GraphicError(gesInvalidImage, {FormatWord()});
    const TImageProperties& p = FImageProperties;
    std::unique_ptr<TBlockPlan> plan = PlanBlocks(stream);
    std::vector<std::uint8_t> all, block;
    if (plan->decoder) plan->decoder->DecodeInit();
    for (std::uint32_t plane = 0; plane < plan->planes; ++plane) {
        if (plan->tiled) {
            for (std::uint32_t t = 0; t < plan->blocksPerPlane; ++t) {
                DecodeBlock(stream, *plan, std::size_t(plane) * plan->blocksPerPlane + t,
                            plan->tileLength, block);
                all.insert(all.end(), block.begin(), block.end());
            }
            continue;
        }
        std::uint32_t row = 0;
        for (std::uint32_t s = 0; row < p.Height; ++s) {
            const std::uint32_t rows = plan->BandRows(p, s, row);
            DecodeBand(stream, *plan, s, plane, rows, block);
            all.insert(all.end(), block.begin(), block.end());
            row += rows;
        }
    }
    if (plan->decoder) plan->decoder->DecodeEnd();
    return all;
}

} // namespace vt
