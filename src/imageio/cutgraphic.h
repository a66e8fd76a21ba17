// Dr. Halo pictures (.cut): width and height words, a reserved word, then one
// run-length coded row after another; 8-bit bitmaps. The colours come from
// the palette file of the same name with the extension ".pal" beside the
// picture, or are a grey ramp of 256 without one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

class TCUTGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TCUTGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    // Reads the palette file beside the picture, when there is one, and then
    // the picture.
    void LoadFromFile(const std::string& fileName) override;

    // Reads a Dr. Halo palette file for the loads that follow: 512-byte
    // blocks, the word at byte 12 plus 1 entries of 6 bytes from byte 40 on,
    // an entry that would cross a block's end starting the next block; the
    // low bytes of an entry's three words are red, green and blue. A file
    // too short for its entries throws gesInvalidPalette.
    void LoadPalette(TStream& stream);
    // Back to the grey ramp.
    void ClearPalette() { palette_.clear(); }
    const std::vector<TColor>& Palette() const { return palette_; }

    // The palette file of a picture: the same name with the extension
    // ".pal" in any letter case, or "" when there is none.
    static std::string PaletteFileOf(const std::string& fileName);

  private:
    std::vector<TColor> palette_;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
