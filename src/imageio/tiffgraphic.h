// TIFF files (also "fax" files, which are TIFF with CCITT compression) and
// binary EPS files with a TIFF preview.
//
// Read: strips and tiles of every compression with a decoder in decoders.h
// (none, PackBits, LZW, deflate, CCITT modified Huffman and its word-aligned
// form, group 3 one- and two-dimensional, group 4, JPEG, ThunderScan),
// planar configurations 1 and 2, predictor 2, both fill orders, 1 to 16-bit
// samples of grey (either polarity), palette, RGB, RGBA, CMYK, CIE L*a*b*
// and YCbCr (also subsampled). Every fault of the content throws; pictures
// above MaxPixels, and pictures larger than the file's data can make, are
// refused before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

class TTIFFGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TTIFFGraphic";
    TTIFFGraphic();
    ~TTIFFGraphic() override;

    // "II" or "MM", 42 in that byte order, and a first directory offset
    // inside the stream.
    bool AcceptsStream(TStream& stream) override;
    // Reads directory imageIndex (0 = the first) of the TIFF that starts at
    // the stream position.
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

    // The unpacked bytes of every strip (every tile, of a tiled picture) of
    // the first directory, in file order (those of each plane together),
    // before colour conversion: what the decoders, the fill order and the
    // predictor make of them; whole tiles, also at the picture's edges. For
    // tools and tests.
    std::vector<std::uint8_t> DecodeAllStrips(TStream& stream);

    // One entry of an image file directory, byte order already resolved.
    struct TIFDEntry {
        std::uint16_t Tag = 0;
        std::uint16_t DataType = 0;
        std::uint32_t Count = 0;
        std::uint32_t Offset = 0; // the value's offset (when not inline)
        std::uint8_t Inline[4]{}; // the raw value bytes when they fit
    };

  protected:
    std::string_view FormatWord() const override { return "TIF/TIFF"; }
    void ReadPixels(TStream& stream) override;

  private:
    const TIFDEntry* FindTag(std::uint16_t tag) const;
    // Values of a tag as unsigned numbers (rationals as their integer
    // quotient); at most maxCount are read.
    std::vector<std::uint32_t> GetValues(std::uint16_t tag, std::uint32_t maxCount) const;
    std::uint32_t GetValue(std::uint16_t tag, std::uint32_t def) const;
    std::vector<double> GetFloats(std::uint16_t tag, std::uint32_t maxCount) const;
    std::vector<std::uint8_t> GetBytes(const TIFDEntry& e, std::uint64_t maxBytes) const;
    std::uint16_t Swap16(const std::uint8_t* p) const;
    std::uint32_t Swap32(const std::uint8_t* p) const;

    // Strips or tiles, their decoder and layout (tiffblocks.h); refuses
    // pictures that the file's data cannot make.
    struct TBlockPlan;
    std::unique_ptr<TBlockPlan> PlanBlocks(TStream& stream);
    // Unpacks strip or tile `index` (counted over every plane), of `rows`
    // rows, into out.
    void DecodeBlock(TStream& stream, TBlockPlan& plan, std::size_t index, std::uint32_t rows,
                     std::vector<std::uint8_t>& out);
    // Unpacks band `band` (a strip, or a row of tiles) of a plane, `rows`
    // picture rows, into out as whole picture rows.
    void DecodeBand(TStream& stream, TBlockPlan& plan, std::uint32_t band, std::uint32_t plane,
                    std::uint32_t rows, std::vector<std::uint8_t>& out);
    void LoadPixels();

    TStream* FHeaderStream = nullptr; // stream of the last ReadHeader
    std::uint64_t FTIFFBase = 0;      // where the TIFF starts in it
    std::vector<TIFDEntry> FIFD;      // sorted by tag
    std::uint32_t FPhotometric = 0;
};

// Binary EPS (header C5 D0 D3 C6): the TIFF preview it carries is read.
class TEPSGraphic : public TTIFFGraphic {
  public:
    static constexpr const char* ClassName = "TEPSGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  protected:
    std::string_view FormatWord() const override { return "EPS"; }
};

} // namespace vt
