#include "imageio/formatgraphic.h"

#include <string>
#include <utility>

#include "imageio/imageerrors.h"

namespace vt {

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName);
    LoadFromStream(stream);
}

void TGraphic::Progress(TProgressStage stage, int percent, bool redraw, const TRect& rect,
                        const std::string& message) {
    if (OnProgress) OnProgress(stage, percent, redraw, rect, message);
}

TFormatGraphic::TFormatGraphic() = default;
TFormatGraphic::~TFormatGraphic() = default;

bool TFormatGraphic::AcceptsFile(const std::string& fileName) {
    try {
        TFileStream stream(fileName);
        return AcceptsStream(stream);
    } catch (const EFOpenError&) {
        return false;
    }
}

bool TFormatGraphic::AcceptsStream(TStream&) {
    return false;
}

bool TFormatGraphic::ReadHeader(TStream&, unsigned) {
    FImageProperties.Reset();
    return false;
}

void TFormatGraphic::LoadFromStream(TStream& stream) {
    try {
        TLoadScope scope(*this, stream);
        CheckHeader(FormatWord(), HeaderIndex());
        StartProgress();
        ReadPixels(stream);
    } catch (const EReadError& e) {
        // The stream's own message names no format; a reader's does.
        if (std::string_view(e.what()) != gesReadError) throw;
        throw EReadError(FormatMessage(gesStreamReadError, {ReadErrorWord()}));
    }
}

void TFormatGraphic::BeginLoad(TStream& stream) {
    FBitmap = Bitmap();
    FMetadata.clear();
    FStream = &stream;
    FBasePosition = stream.Position();
}

void TFormatGraphic::CheckHeader(std::string_view formatWord, unsigned imageIndex) {
    if (!ReadHeader(*FStream, imageIndex)) GraphicError(gesInvalidImage, {formatWord});
}

void TFormatGraphic::StartProgress() {
    FStream->Seek(FBasePosition);
    FProgressRect = TRect{0, 0, int(FImageProperties.Width), 1};
    Progress(TProgressStage::Starting, 0, false, FProgressRect, "Preparing...");
}

void TFormatGraphic::ApplyConverterFormat(std::string_view formatWord, bool invertedGrey) {
    auto pf = FColorManager.PixelFormatFor();
    if (!pf) GraphicError(gesInvalidColorFormat, {formatWord});
    Bitmap fresh(0, 0, *pf);
    if (IsPaletteFormat(*pf)) fresh.setPalette(FColorManager.MakeGreyPalette(invertedGrey));
    FBitmap = std::move(fresh);
}

void TFormatGraphic::SetConversion(TColorModel source, TColorModel target, std::uint8_t sourceBits,
                                   std::uint8_t targetBits, std::uint8_t samplesPerPixel) {
    FColorManager.SetSourceColorScheme(source);
    FColorManager.SetTargetColorScheme(target);
    FColorManager.SetSourceBitsPerSample(sourceBits);
    FColorManager.SetTargetBitsPerSample(targetBits);
    FColorManager.SetSourceSamplesPerPixel(samplesPerPixel);
    FColorManager.SetTargetSamplesPerPixel(samplesPerPixel);
}

void TFormatGraphic::CheckImageSize(std::uint64_t width, std::uint64_t height,
                                    std::string_view formatWord) const {
    if (width > MaxPixels || height > MaxPixels || width * height > MaxPixels) {
        std::string limit = std::to_string(MaxPixels);
        GraphicError(gesNotSupported, {FormatMessage(gesImageTooLarge, {limit}), formatWord});
    }
}

void TFormatGraphic::CheckDataCovers(std::uint64_t required, std::uint64_t available,
                                     std::uint64_t maxExpansion,
                                     std::string_view formatWord) const {
    if (!DataCanCover(required, available, maxExpansion))
        GraphicError(gesInvalidImage, {formatWord});
}

void TFormatGraphic::SetImageSize(std::uint64_t width, std::uint64_t height,
                                  std::string_view formatWord) {
    CheckImageSize(width, height, formatWord);
    FBitmap.setSize(int(width), int(height));
}

void TFormatGraphic::RowDone(std::uint32_t y) {
    int h = FBitmap.height();
    int percent = h > 0 ? int(std::uint64_t(y) * 100 / std::uint64_t(h)) : 100;
    Progress(TProgressStage::Running, percent, false, FProgressRect, "");
    FProgressRect.Top += 1;
    FProgressRect.Bottom += 1;
}

void TFormatGraphic::EndLoad() {
    // Runs from TLoadScope's destructor: a throwing listener must not end
    // the program.
    TStream* stream = std::exchange(FStream, nullptr);
    if (!stream) return;
    try {
        Progress(TProgressStage::Ending, 100, true, FProgressRect, "");
    } catch (...) {
    }
}

} // namespace vt
