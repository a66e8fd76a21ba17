#include "imageio/pcdgraphic.h"

#include <array>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"

namespace vt {

namespace {

constexpr const char* kWord = "PCD";
constexpr std::size_t kSector = 2048;
constexpr std::size_t kHeaderSize = 3 * kSector;
// Byte of the header whose low two bits give the orientation of the picture.
constexpr std::size_t kRotationByte = 0x0E02;
// First sector of the resolutions 192 x 128, 384 x 256 and 768 x 512 in an
// image pac; an overview file's image starts at sector 5.
constexpr std::array<std::uint64_t, 3> kImageSector = {4, 23, 96};
constexpr std::uint64_t kOverviewSector = 5;

bool isOverview(const std::uint8_t* header) {
    return std::memcmp(header, "PCD_OPA", 7) == 0;
}
bool isImagePac(const std::uint8_t* header) {
    return std::memcmp(header + kSector, "PCD", 3) == 0;
}

} // namespace

void UpsampleChroma(const std::uint8_t* source, std::size_t width, std::size_t height,
                    std::uint8_t* target) {
    if (width == 0 || height == 0) return;
    const std::size_t tw = 2 * width;
    // Every old row on the even rows of the target, doubled across.
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* s = source + y * width;
        std::uint8_t* t = target + 2 * y * tw;
        for (std::size_t x = 0; x + 1 < width; ++x) {
            t[2 * x] = s[x];
            t[2 * x + 1] = std::uint8_t((s[x] + s[x + 1] + 1) >> 1);
        }
        t[tw - 2] = t[tw - 1] = s[width - 1];
    }
    // Odd rows between two even ones: the mean of the old samples around.
    for (std::size_t y = 0; y + 1 < height; ++y) {
        const std::uint8_t* a = source + y * width;
        const std::uint8_t* b = a + width;
        std::uint8_t* t = target + (2 * y + 1) * tw;
        for (std::size_t x = 0; x + 1 < width; ++x) {
            t[2 * x] = std::uint8_t((a[x] + b[x] + 1) >> 1);
            t[2 * x + 1] = std::uint8_t((a[x] + a[x + 1] + b[x] + b[x + 1] + 2) >> 2);
        }
        t[tw - 2] = t[tw - 1] = std::uint8_t((a[width - 1] + b[width - 1] + 1) >> 1);
    }
    std::memcpy(target + (2 * height - 1) * tw, target + (2 * height - 2) * tw, tw);
}

bool TPCDGraphic::AcceptsStream(TStream& stream) {
    if (stream.Remaining() < kHeaderSize) return false;
    std::vector<std::uint8_t> header(kHeaderSize);
    return PeekBytes(stream, header.data(), header.size()) &&
           (isOverview(header.data()) || isImagePac(header.data()));
}

bool TPCDGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    if (imageIndex >= kImageSector.size()) return false;
    std::vector<std::uint8_t> header(kHeaderSize);
    if (stream.Read(header.data(), header.size()) != header.size()) return false;
    TImageProperties& p = FImageProperties;
    if (isOverview(header.data())) {
        p.Overview = true;
        p.ImageCount = std::uint32_t(header[10]) << 8 | header[11];
        imageStart_ = kOverviewSector * kSector;
    } else if (isImagePac(header.data())) {
        p.Rotate = header[kRotationByte] & 3;
        p.ImageCount = 1;
        imageStart_ = kImageSector[imageIndex] * kSector;
    } else {
        return false;
    }
    p.Width = 192u << imageIndex;
    p.Height = 128u << imageIndex;
    p.ColorModel = TColorModel::PhotoYCC;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.BitsPerPixel = 24;
    p.Compression = TCompressionType::None;
    return true;
}

std::string_view TPCDGraphic::FormatWord() const {
    return kWord;
}

void TPCDGraphic::ReadPixels(TStream& stream) {
    const std::size_t width = FImageProperties.Width, height = FImageProperties.Height;
    // Rotation bits 1 and 3 mark portrait pictures; 2 is left as it is.
    const unsigned rotate = FImageProperties.Rotate;
    const bool portrait = rotate == 1 || rotate == 3;

    SetConversion(TColorModel::PhotoYCC, TColorModel::BGR, 8, 8, 3);
    const std::array<float, 3> weights = {0.2125f, 0.7154f, 0.0721f};
    FColorManager.SetYCbCrSetup(weights, 2, 2);
    ApplyConverterFormat(kWord);

    // Two luminance rows, then half a row of each chroma.
    const std::size_t chromaWidth = width / 2, chromaHeight = height / 2;
    const std::size_t pairBytes = 2 * width + 2 * chromaWidth;
    stream.Seek(FBasePosition + imageStart_);
    CheckImageSize(width, height, kWord);
    CheckDataCovers(std::uint64_t(pairBytes) * chromaHeight, stream.Remaining(), 1, kWord);

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Loading data...");
    std::vector<std::uint8_t> luma(width * height);
    std::vector<std::uint8_t> c1(chromaWidth * chromaHeight), c2(c1.size());
    std::vector<std::uint8_t> pair(pairBytes);
    for (std::size_t y = 0; y < chromaHeight; ++y) {
        stream.ReadBuffer(pair.data(), pair.size());
        std::memcpy(&luma[2 * y * width], pair.data(), 2 * width);
        std::memcpy(&c1[y * chromaWidth], &pair[2 * width], chromaWidth);
        std::memcpy(&c2[y * chromaWidth], &pair[2 * width + chromaWidth], chromaWidth);
    }

    Progress(TProgressStage::Running, 0, false, FProgressRect, "Upsampling...");
    std::vector<std::uint8_t> cb(width * height), cr(width * height);
    UpsampleChroma(c1.data(), chromaWidth, chromaHeight, cb.data());
    UpsampleChroma(c2.data(), chromaWidth, chromaHeight, cr.data());

    if (portrait)
        SetImageSize(height, width, kWord);
    else
        SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    std::vector<std::uint8_t> row(3 * width);
    for (std::size_t y = 0; y < height; ++y) {
        const std::array<const std::uint8_t*, 3> planes = {&luma[y * width], &cb[y * width],
                                                           &cr[y * width]};
        if (!portrait) {
            FColorManager.ConvertLine(planes, 0xFF, width, FBitmap.scanLine(int(y)));
        } else {
            FColorManager.ConvertLine(planes, 0xFF, width, row.data());
            // Rotation 1 turns the picture a quarter anticlockwise, 3 a
            // quarter clockwise.
            for (std::size_t x = 0; x < width; ++x) {
                const std::size_t tx = rotate == 1 ? y : height - 1 - y;
                const std::size_t ty = rotate == 1 ? width - 1 - x : x;
                std::memcpy(FBitmap.scanLine(int(ty)) + 3 * tx, &row[3 * x], 3);
            }
        }
        RowDone(std::uint32_t(y));
    }
}

} // namespace vt
