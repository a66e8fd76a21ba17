#include "imageio/autodeskgraphic.h"

#include <algorithm>
#include <array>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"

namespace vt {

namespace {

constexpr const char* kWord = "Autodesk";
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kPaletteSize = 3 * 256;
constexpr unsigned kMagic = 0x9119;

struct Header {
    unsigned magic, width, height, depth, compression;
};

Header parseHeader(const std::uint8_t* b) {
    auto le16 = [b](int at) { return unsigned(b[at]) | unsigned(b[at + 1]) << 8; };
    // magic, width, height, x and y position, depth, compression, image
    // size and 16 reserved bytes
    return {le16(0), le16(2), le16(4), b[10], b[11]};
}

// The header this reader can read: 8 bits per pixel, uncompressed, and a
// picture of at least one pixel.
bool usable(const Header& h) {
    return h.magic == kMagic && h.depth == 8 && h.compression == 0 && h.width > 0 && h.height > 0;
}

} // namespace

bool TAutodeskGraphic::AcceptsStream(TStream& stream) {
    std::array<std::uint8_t, kHeaderSize> b{};
    return PeekBytes(stream, b.data(), b.size()) && usable(parseHeader(b.data()));
}

bool TAutodeskGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::array<std::uint8_t, kHeaderSize> b{};
    if (stream.Read(b.data(), b.size()) != b.size()) return false;
    const Header h = parseHeader(b.data());
    if (!usable(h)) return false;
    TImageProperties& p = FImageProperties;
    p.Width = h.width;
    p.Height = h.height;
    p.ColorModel = TColorModel::Indexed;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.BitsPerPixel = 8;
    p.Compression = TCompressionType::None;
    return true;
}

std::string_view TAutodeskGraphic::FormatWord() const {
    return kWord;
}

void TAutodeskGraphic::ReadPixels(TStream& stream) {
    stream.Skip(kHeaderSize);
    const std::uint32_t width = FImageProperties.Width, height = FImageProperties.Height;

    SetConversion(TColorModel::Indexed, TColorModel::Indexed, 8, 8, 1);
    ApplyConverterFormat(kWord);

    CheckImageSize(width, height, kWord);
    CheckDataCovers(kPaletteSize + std::uint64_t(width) * height, stream.Remaining(), 1, kWord);

    std::array<std::uint8_t, kPaletteSize> palette{};
    stream.ReadBuffer(palette.data(), palette.size());
    // Components of 0..63; larger values of a damaged file stay white.
    for (std::uint8_t& c : palette)
        c = std::uint8_t(std::min(unsigned(c) * 4, 255u));
    const std::uint8_t* entries = palette.data();
    FBitmap.setPalette(
        FColorManager.MakeFilePalette(std::span(&entries, 1), TPaletteLayout::RGB, 256));
    SetImageSize(width, height, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    std::vector<std::uint8_t> row(width);
    for (std::uint32_t y = 0; y < height; ++y) {
        stream.ReadBuffer(row.data(), row.size());
        FColorManager.ConvertLine(row.data(), 0xFF, width, FBitmap.scanLine(int(y)));
        RowDone(y);
    }
}

} // namespace vt
