// Internal to the TIFF reader (tiffgraphic.cpp, tiffblocks.cpp): the tags it
// reads and the plan of a directory's pixel data, strips or tiles.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imageio/decoders.h"
#include "imageio/tiffgraphic.h"

namespace vt {

// TIFF tags read by the reader.
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
    kTagTileOffsets = 324,
    kTagTileByteCounts = 325,
    kTagExtraSamples = 338,
    kTagJPEGTables = 347,
    kTagYCbCrCoefficients = 529,
    kTagYCbCrSubSampling = 530,
    kTagYCbCrPositioning = 531,
    kTagICCProfile = 34675,
};

inline bool IsCCITT(TCompressionType c) {
    return c == TCompressionType::CCITT3 || c == TCompressionType::CCITT4 ||
           c == TCompressionType::CCITTMH || c == TCompressionType::CCITTMHWordAligned;
}

// How the pixel data of a directory is stored and unpacked. The picture is
// read in bands: a band is one strip, or one row of tiles; each band is
// unpacked into a buffer of whole picture rows (rows of YCbCr blocks for
// subsampled YCbCr), one buffer per plane.
struct TTIFFGraphic::TBlockPlan {
    std::unique_ptr<TDecoder> decoder;
    TLZ77Decoder* lz77 = nullptr;
    bool lsbFirst = false;
    bool planar = false;
    std::uint32_t planes = 1;
    std::uint32_t subH = 1, subV = 1; // YCbCr blocks unpacked by the reader

    bool tiled = false;
    std::uint32_t blockWidth = 0;  // pixels of a strip's or a tile's row
    std::uint32_t tileLength = 0;  // rows of a tile
    std::uint32_t tilesAcross = 0; // tiles of a row of tiles
    std::uint32_t firstRows = 0;   // rows of the first strip
    // Strips (tiles) of one plane; the offsets and byte counts hold those of
    // every plane, plane after plane.
    std::uint32_t blocksPerPlane = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> counts;

    std::size_t blockRowBytes = 0; // bytes of one row of a strip or tile
    std::size_t imageRowBytes = 0; // bytes of one row of the picture

    // Horizontal differencing (predictor 2): undone over rows of
    // predictorRowBytes, between samples `predictorStride` samples apart.
    bool predictor = false;
    std::size_t predictorRowBytes = 0;
    std::uint32_t predictorStride = 1;
    std::uint32_t sampleBytes = 1; // 1 or 2

    std::vector<std::uint8_t> packed; // the compressed bytes of one block
    std::vector<std::uint8_t> tile;   // one unpacked tile

    // Rows of band `band`, which starts at picture row `row`.
    std::uint32_t BandRows(const TImageProperties& p, std::uint32_t band, std::uint32_t row) const {
        if (tiled) return std::min(tileLength, p.Height - row);
        const std::uint32_t rps = planar || band >= p.RowsPerStrip.size()
                                      ? (planar ? firstRows : p.RowsPerStrip.back())
                                      : p.RowsPerStrip[band];
        return std::min(rps, p.Height - row);
    }
    // Rows of YCbCr blocks (or plain rows) that `rows` picture rows take.
    std::uint32_t Units(std::uint32_t rows) const { return (rows + subV - 1) / subV; }
};

} // namespace vt
