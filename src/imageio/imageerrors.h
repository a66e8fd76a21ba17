// Exceptions and message texts of the image readers, decoders and the colour
// converter.
//
// Every text is a template whose "%s" places are filled in order by
// FormatMessage; the readers fill them with their format word ("PNG", "PPM",
// ...). The what() of each exception is the message shown to the user.
#pragma once

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// A file whose content a reader cannot turn into a picture, an unknown file
// extension, or a registry fault.
class EInvalidGraphic : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Compressed pixel data that a decoder cannot unpack.
class EGraphicCompression : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A colour conversion the converter cannot set up or perform.
class EColorConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A stream that ended before the bytes a reader asked for.
class EReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened or read at all (the system's message).
class EFOpenError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Message templates of the readers.
inline constexpr const char* gesInvalidImage =
    "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr const char* gesNotSupported = "Cannot load image. %s not supported for %s files.";
inline constexpr const char* gesCompressionScheme = "The compression scheme is";
inline constexpr const char* gesInvalidColorFormat = "Invalid color format in %s file.";
inline constexpr const char* gesInvalidCRC = "Cannot load image. CRC error found in %s file.";
inline constexpr const char* gesDecompression =
    "Cannot load image. Compression error found in %s file.";
inline constexpr const char* gesExtraCompressedData =
    "Cannot load image. Extra compressed data found in %s file.";
inline constexpr const char* gesInvalidPalette =
    "Cannot load image. Palette in %s file is invalid.";
inline constexpr const char* gesUnknownCriticalChunk =
    "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr const char* gesStreamReadError = "Stream read error in %s file.";
inline constexpr const char* gesUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* gesRegistration = "Attempt to register %s twice.";
// Filled with the number of pixels as the first part of gesNotSupported.
inline constexpr const char* gesImageTooLarge = "Images above %s pixels are";
// Windows metafiles have no renderer on this platform.
inline constexpr const char* gesMetafileNotSupported =
    "Cannot load image. Windows metafiles (WMF, EMF) cannot be displayed on this platform.";
// A Dr. Halo palette file opened as a picture: it only lends its colours to
// the picture of the same name.
inline constexpr const char* gesPaletteFileOnly =
    "Cannot load image. A Dr. Halo palette file (.pal) holds no picture: open the Dr. Halo "
    "picture (.cut) of the same name instead.";
// The platform's own text for a stream that ends early.
inline constexpr const char* gesReadError = "Stream read error";

// Message texts of the colour converter.
inline constexpr const char* gesInvalidSampleDepth =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
inline constexpr const char* gesInvalidPixelDepth =
    "Sample count per pixel does not correspond to the given color scheme.";
inline constexpr const char* gesIndexedNotSupported =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr const char* gesConversionUnsupported =
    "Color conversion failed. Could not find a proper method.";
inline constexpr const char* gesInvalidSubSampling =
    "Subsampling value is invalid. Allowed are 1, 2 and 4.";
inline constexpr const char* gesVerticalSubSamplingError =
    "Vertical subsampling value must be <= horizontal subsampling value.";

// Fills the "%s" places of a template with the arguments, in order. Places
// without an argument stay empty; surplus arguments are ignored.
std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args);

// Throws EInvalidGraphic with the filled template.
[[noreturn]] void GraphicError(std::string_view templ,
                               std::initializer_list<std::string_view> args = {});
// Throws EGraphicCompression with the filled template.
[[noreturn]] void CompressionError(std::string_view templ,
                                   std::initializer_list<std::string_view> args = {});

// Warnings that do not stop a load (libjpeg's warnings, for instance) go to
// this handler with a caption ("Warning") and a text. Without a handler they
// are dropped. The command-line tool installs one that prints them.
using TWarningHandler = std::function<void(const std::string& caption, const std::string& text)>;
// Installs a handler and returns the previous one.
TWarningHandler SetWarningHandler(TWarningHandler handler);
// Hands a warning to the innermost WarningCollector of the calling thread,
// or, without one, to the handler.
void ShowWarning(const std::string& text);

// While it lives, collects the warnings raised on the thread that made it,
// in their order, instead of handing them to the handler: a load keeps its
// warnings with its photograph, whatever thread it runs on, and the caller
// decides how to tell them. Collectors nest; the innermost one collects.
class WarningCollector {
  public:
    WarningCollector();
    ~WarningCollector();
    WarningCollector(const WarningCollector&) = delete;
    WarningCollector& operator=(const WarningCollector&) = delete;

    const std::vector<std::string>& warnings() const { return warnings_; }
    std::vector<std::string> take() { return std::move(warnings_); }

  private:
    friend void ShowWarning(const std::string& text);
    std::vector<std::string> warnings_;
    WarningCollector* outer_;
};

} // namespace vt
