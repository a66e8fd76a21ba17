// libFuzzer target for the Dr. Halo reader together with its palette file,
// which LoadPicture finds beside the picture on disk. The input is the
// palette file's length (2 bytes, little-endian), the palette file and then
// the picture; both are read from memory as the reader's LoadFromFile reads
// the pair.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imageio/cutgraphic.h"
#include "imageio/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t paletteSize = std::size_t(data[0] | data[1] << 8);
    if (paletteSize > size - 2) paletteSize = size - 2;
    const std::uint8_t* palette = data + 2;
    const std::uint8_t* picture = palette + paletteSize;
    try {
        vt::TCUTGraphic graphic;
        vt::TMemoryStream paletteStream(palette, paletteSize);
        graphic.LoadPalette(paletteStream);
        vt::TMemoryStream pictureStream(picture, size - 2 - paletteSize);
        graphic.LoadFromStream(pictureStream);
        const vt::Bitmap& b = graphic.GetBitmap();
        if (!b.empty()) (void)b.convertedTo24();
    } catch (const std::exception&) {
        // Every failure must be an exception with a message; that is fine.
    }
    return 0;
}
