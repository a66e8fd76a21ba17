// Graphics of the platform's own formats: Windows bitmaps (BMP, DIB, RLE),
// icons and metafiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

// Windows bitmap files in every variant the platform BMP reader knows.
class TBitmapGraphic : public TGraphic {
  public:
    static constexpr const char* ClassName = "TBitmap";
    void LoadFromStream(TStream& stream) override;
};

// Windows icon files (.ico): the largest image of the file, with the most
// colours among equal sizes. Pixels that the icon's mask leaves transparent
// become white; 32-bit images keep their alpha in a 32-bit bitmap.
class TIconGraphic : public TGraphic {
  public:
    static constexpr const char* ClassName = "TIcon";
    void LoadFromStream(TStream& stream) override;
};

// Windows metafiles cannot be drawn on this platform: loading one fails with
// a message that says so.
class TMetafileGraphic : public TGraphic {
  public:
    static constexpr const char* ClassName = "TMetafile";
    void LoadFromStream(TStream& stream) override;
};

// Reads the rest of a stream into memory, refusing more than limit bytes
// with EInvalidGraphic filled with formatWord.
std::vector<std::uint8_t> ReadRemaining(TStream& stream, std::uint64_t limit,
                                        std::string_view formatWord);

} // namespace vt
