#include "imageio/cutgraphic.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"
#include "platform/files.h"

namespace vt {

namespace {

constexpr const char* kWord = "CUT";
constexpr std::size_t kHeaderSize = 6;
// Palette files: 512-byte blocks, entries from byte 40 of the first block.
constexpr std::size_t kPaletteBlock = 512;
constexpr std::size_t kPaletteEntries = 40;
constexpr std::size_t kPaletteEntry = 6;
constexpr std::size_t kMaxColours = 256;

} // namespace

void TCUTRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                            std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;
    rowEnded_ = false;
    in += std::min<std::size_t>(2, packedSize); // the row's length
    while (in < inEnd) {
        const unsigned control = *in++;
        if (control == 0) {
            rowEnded_ = true;
            break;
        }
        if (control & 0x80) {
            if (in == inEnd) break;
            RepeatByte(out, outEnd, *in++, control & 0x7F);
        } else {
            // Read to the row's end code even when the output is full.
            CopyLiteral(in, inEnd, out, outEnd, control);
        }
    }
    source = in;
    dest = out;
}

bool TCUTGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[kHeaderSize];
    return PeekBytes(stream, b, kHeaderSize) && (b[0] | b[1]) != 0 && (b[2] | b[3]) != 0;
}

bool TCUTGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    const std::uint32_t width = stream.ReadLE16();
    const std::uint32_t height = stream.ReadLE16();
    stream.ReadLE16(); // reserved
    // The format has no signature; a picture without pixels is no picture.
    if (width == 0 || height == 0) return false;
    TImageProperties& p = FImageProperties;
    p.Width = width;
    p.Height = height;
    p.ColorModel = TColorModel::Indexed;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.BitsPerPixel = 8;
    p.Compression = TCompressionType::RLE;
    return true;
}

std::string TCUTGraphic::PaletteFileOf(const std::string& fileName) {
    const std::string ext = ExtractFileExt(fileName);
    const std::string base = fileName.substr(0, fileName.size() - ext.size());
    const std::string exact = base + ".pal";
    if (FileExists(exact)) return exact;
    // The platform's file names are case-sensitive; a picture copied from a
    // DOS disk often comes with "X.PAL".
    const std::string dir = ExtractFilePath(fileName);
    const std::string wanted = ExtractFileName(base) + ".pal";
    for (const std::string& name : FindFiles(dir.empty() ? "." : dir, "*.pal"))
        if (SameText(name, wanted)) return dir + name;
    return {};
}

void TCUTGraphic::LoadFromFile(const std::string& fileName) {
    palette_.clear();
    const std::string paletteFile = PaletteFileOf(fileName);
    if (!paletteFile.empty()) {
        TFileStream palette(paletteFile);
        LoadPalette(palette);
    }
    TFormatGraphic::LoadFromFile(fileName);
}

void TCUTGraphic::LoadPalette(TStream& stream) {
    palette_.clear();
    // 256 entries end within the fourth block.
    std::array<std::uint8_t, 4 * kPaletteBlock> data{};
    const std::size_t size = stream.Read(data.data(), data.size());
    if (size < kPaletteEntries) GraphicError(gesInvalidPalette, {kWord});
    const std::size_t count =
        std::min<std::size_t>(std::size_t(data[12] | data[13] << 8) + 1, kMaxColours);
    std::vector<TColor> colours;
    colours.reserve(count);
    std::size_t at = kPaletteEntries;
    for (std::size_t i = 0; i < count; ++i) {
        if (kPaletteBlock - at % kPaletteBlock < kPaletteEntry)
            at = (at / kPaletteBlock + 1) * kPaletteBlock;
        if (at + kPaletteEntry > size) GraphicError(gesInvalidPalette, {kWord});
        colours.push_back(RGBColor(data[at], data[at + 2], data[at + 4]));
        at += kPaletteEntry;
    }
    palette_ = std::move(colours);
}

std::string_view TCUTGraphic::FormatWord() const {
    return kWord;
}

void TCUTGraphic::ReadPixels(TStream& stream) {
    stream.Skip(kHeaderSize);
    const std::uint32_t width = FImageProperties.Width, height = FImageProperties.Height;

    SetConversion(TColorModel::Indexed, TColorModel::Indexed, 8, 8, 1);
    ApplyConverterFormat(kWord); // a grey ramp
    if (!palette_.empty()) {
        std::vector<TColor> colours = palette_;
        colours.resize(kMaxColours, RGBColor(0, 0, 0));
        FBitmap.setPalette(std::move(colours));
    }

    CheckImageSize(width, height, kWord);
    CheckDataCovers(std::uint64_t(width) * height, stream.Remaining(),
                    TCUTRLEDecoder::kMaxExpansion, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Loading data...");
    std::vector<std::uint8_t> data(std::size_t(stream.Remaining()));
    stream.ReadBuffer(data.data(), data.size());
    SetImageSize(width, height, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    TCUTRLEDecoder decoder;
    std::vector<std::uint8_t> row(width);
    const std::uint8_t* source = data.data();
    const std::uint8_t* const end = data.data() + data.size();
    for (std::uint32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), std::uint8_t(0));
        std::uint8_t* dest = row.data();
        decoder.Decode(source, dest, std::size_t(end - source), row.size());
        // A row that the file's end cut short: the file is truncated.
        if (!decoder.RowEnded() && dest != row.data() + row.size()) throw EReadError(gesReadError);
        FColorManager.ConvertLine(row.data(), 0xFF, width, FBitmap.scanLine(int(y)));
        RowDone(y);
    }
}

} // namespace vt
