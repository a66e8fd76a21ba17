// Graphics that load a picture from a stream, and the family of image
// readers built on the common load sequence.
//
// A graphic class is registered in the file format list (fileformatlist.h)
// through its TGraphicClass descriptor, GraphicClassOf<T>(): T must be
// default-constructible and derive from TGraphic. A reader of the family
// derives from TFormatGraphic, whose LoadFromStream is the one load
// sequence of every reader, and supplies its steps: ReadHeader, the words
// its messages name, and ReadPixels:
//
//   void TMyGraphic::ReadPixels(TStream& stream) {  // the stream at the base
//       ... configure FColorManager from FImageProperties ...
//       ApplyConverterFormat(FormatWord());             // step 4
//       CheckDataCovers(...);                           // before allocating
//       SetImageSize(FImageProperties.Width, FImageProperties.Height, FormatWord());
//       Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
//       for each row y: decode, FColorManager.ConvertLine(..., FBitmap.scanLine(y));
//                       RowDone(y);                    // step 5
//   }
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "imageio/colormanager.h"
#include "imageio/imagetypes.h"
#include "imageio/photometadata.h"
#include "imageio/stream.h"
#include "platform/bitmap.h"

namespace vt {

enum class TProgressStage : std::uint8_t { Starting, Running, Ending };

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// Progress notification of a graphic: stage, percent done, redraw flag,
// rectangle of the rows finished since the last report, message.
using TProgressEvent = std::function<void(TProgressStage stage, int percent, bool redraw,
                                          const TRect& rect, const std::string& message)>;

// A picture that can be loaded from a file or a stream into a bitmap.
class TGraphic {
  public:
    TGraphic() = default;
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // Opens the file for reading and calls LoadFromStream; a file that cannot
    // be opened throws EFOpenError with the system's message.
    virtual void LoadFromFile(const std::string& fileName);
    // Loads from the stream's current position. Failures throw; the bitmap
    // is then unspecified.
    virtual void LoadFromStream(TStream& stream) = 0;

    // The loaded picture.
    const Bitmap& GetBitmap() const { return FBitmap; }
    Bitmap TakeBitmap() { return std::move(FBitmap); }
    // What the file carries besides the pixels (readers that know of none
    // leave it empty).
    const PhotoMetadata& Metadata() const { return FMetadata; }
    PhotoMetadata TakeMetadata() { return std::move(FMetadata); }

    // The properties a reader learnt from the file, or nullptr for graphics
    // that keep none.
    virtual const TImageProperties* ImageProperties() const { return nullptr; }

    TProgressEvent OnProgress;

  protected:
    void Progress(TProgressStage stage, int percent, bool redraw, const TRect& rect,
                  const std::string& message);

    Bitmap FBitmap;
    PhotoMetadata FMetadata;
};

// Descriptor of a graphic class: its name and how to create one. Classes are
// compared by the identity of their descriptor.
struct TGraphicClass {
    const char* Name;
    std::unique_ptr<TGraphic> (*Create)();
};

// The one descriptor of class T. T may name itself with a static member
// `static constexpr const char* ClassName`.
template <class T> const TGraphicClass* GraphicClassOf() {
    static const TGraphicClass info{
        [] {
            if constexpr (requires { T::ClassName; })
                return static_cast<const char*>(T::ClassName);
            else
                return "TGraphic";
        }(),
        []() -> std::unique_ptr<TGraphic> { return std::make_unique<T>(); }};
    return &info;
}

// Base of the image readers.
class TFormatGraphic : public TGraphic {
  public:
    TFormatGraphic();
    ~TFormatGraphic() override;

    // The load sequence of every reader: releases the previous picture,
    // reads the header (ReadHeader; false fails with "Cannot load image.
    // Invalid or unexpected <FormatWord> image format."), reports the start,
    // returns to the base position and lets ReadPixels make the picture; the
    // end is reported in every case. A stream that ends early fails with
    // "Stream read error in <ReadErrorWord> file.".
    void LoadFromStream(TStream& stream) final;

    // Opens the file for reading and returns AcceptsStream on it; false when
    // it cannot be opened.
    bool AcceptsFile(const std::string& fileName);
    // Tests the first bytes (signature and a few header fields) and restores
    // the stream position; false when fewer bytes remain than the header
    // needs. The base class returns false.
    virtual bool AcceptsStream(TStream& stream);
    // Resets the properties (all fields zero, Gamma 1.0), parses the header
    // at the stream position and fills them; true when the signature matched
    // and the header is usable. imageIndex chooses a sub-image where a file
    // holds several. The base class resets and returns false.
    virtual bool ReadHeader(TStream& stream, unsigned imageIndex);

    const TImageProperties* ImageProperties() const override { return &FImageProperties; }

    // Largest number of pixels a reader allocates.
    static constexpr std::uint64_t MaxPixels = kMaxBitmapPixels;

  protected:
    // The reader's steps.

    // Word that fills the reader's messages ("Invalid or unexpected %s
    // image format." and the others).
    virtual std::string_view FormatWord() const = 0;
    // Word of "Stream read error in %s file."; FormatWord unless a reader
    // names its format shorter there.
    virtual std::string_view ReadErrorWord() const { return FormatWord(); }
    // The sub-image ReadHeader is asked for.
    virtual unsigned HeaderIndex() const { return 0; }
    // Steps 4 and 5, with the header read and the stream at the base
    // position: configures the converter, checks the size and the data,
    // sizes the bitmap and decodes the rows into it.
    virtual void ReadPixels(TStream& stream) = 0;

    // Helpers of the load sequence.

    // Step 1: releases the previous bitmap, remembers the base position and
    // the stream.
    void BeginLoad(TStream& stream);
    // Step 2: ReadHeader(stream, imageIndex); false throws gesInvalidImage
    // filled with the format word.
    void CheckHeader(std::string_view formatWord, unsigned imageIndex = 0);
    // Step 3: returns to the base position, sets the progress rectangle and
    // reports the start with "Preparing...".
    void StartProgress();
    // Step 4: sets the bitmap's pixel format from the converter (a grey ramp
    // as palette for grey and indexed targets, inverted when asked). Throws
    // gesInvalidColorFormat filled with the format word when the converter
    // names no standard format.
    void ApplyConverterFormat(std::string_view formatWord, bool invertedGrey = false);
    // The converter's source and target colour models and bits per sample,
    // with the same number of samples per pixel on both sides.
    void SetConversion(TColorModel source, TColorModel target, std::uint8_t sourceBits,
                       std::uint8_t targetBits, std::uint8_t samplesPerPixel);
    // Throws gesNotSupported for sizes above MaxPixels; readers call it
    // before they allocate buffers for the picture.
    void CheckImageSize(std::uint64_t width, std::uint64_t height,
                        std::string_view formatWord) const;
    // Throws gesInvalidImage filled with the format word when the data a
    // file still holds cannot make the picture its header declares:
    // `available` bytes of pixel data that a decoder expands at most
    // `maxExpansion` times (output bytes per input byte; 1 for uncompressed
    // data, the decoder's kMaxExpansion otherwise) must reach `required`
    // bytes. Readers call it after CheckImageSize and before they allocate,
    // so that a small hostile file cannot claim gigabytes. Decoders whose
    // limit is in rows (the fax codes) pass rows and rows per byte. The
    // arithmetic is DataCanCover's (platform/bitmap.h), which readers of the
    // platform layer use too.
    void CheckDataCovers(std::uint64_t required, std::uint64_t available,
                         std::uint64_t maxExpansion, std::string_view formatWord) const;
    // Step 5: sizes the bitmap (zero-filled). Sizes above MaxPixels throw
    // gesNotSupported (CheckImageSize) before anything is allocated.
    void SetImageSize(std::uint64_t width, std::uint64_t height, std::string_view formatWord);
    // After row y: reports row * 100 / height and moves the progress
    // rectangle down one row.
    void RowDone(std::uint32_t y);
    // Step 6: reports the end of the load and forgets the stream.
    void EndLoad();

    // Ends a load in every case, also when an exception leaves it.
    class TLoadScope {
      public:
        TLoadScope(TFormatGraphic& graphic, TStream& stream) : graphic_(graphic) {
            graphic_.BeginLoad(stream);
        }
        ~TLoadScope() { graphic_.EndLoad(); }
        TLoadScope(const TLoadScope&) = delete;
        TLoadScope& operator=(const TLoadScope&) = delete;

      private:
        TFormatGraphic& graphic_;
    };

    TColorManager FColorManager;
    TImageProperties FImageProperties;
    std::uint64_t FBasePosition = 0;
    TStream* FStream = nullptr;
    TRect FProgressRect;
};

} // namespace vt
