// Storing photographs: the destination beside a photograph, the choice of
// format by extension, the JPEG writer, and files that replace their
// predecessor only once they are complete.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "platform/bitmap.h"
#include "platform/files.h"

namespace vt {

// Quality of every stored JPEG.
constexpr int kJpegQuality = 90;

// Where a photograph is stored by default: the "Vorantel" folder beside it,
// under the photograph's own file name and extension;
// "/photos/img_01.png" gives "/photos/Vorantel/img_01.png". Nothing is
// created on disk.
std::string DestinationPathFor(const std::string& photoPath);

// The path StorePhoto writes for a destination path: the destination's
// folder, its file name without the extension, and ".jpg", ".tif" or ".bmp"
// as OutputKindOf chooses by the extension (".jpeg" becomes ".jpg", ".tiff"
// ".tif", and every extension but ".bmp", ".tif" and ".tiff" is stored as
// JPEG under ".jpg").
std::string StoredPathFor(const std::string& destination);

// A JPEG that could not be encoded or written. what() is the encoder's or
// the system's message.
class JpegError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Thrown by StorePhoto when its JPEG could not be stored. what() is the text
// of the "File Error" box the window shows for it:
//   "Unable to read file " + path() + "\r" + reason()
class JpegStoreError : public std::runtime_error {
  public:
    JpegStoreError(const std::string& path, const std::string& reason);
    // The path that was to be written.
    const std::string& path() const { return path_; }
    // The encoder's or the system's message.
    const std::string& reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

// Stores the picture under the destination path and returns the path
// written (StoredPathFor(destination)). The destination's folder is created
// first if it is missing (one level; a failure there shows up when the file
// is written). The format follows the extension:
//   JPEG: quality 90, baseline, colour, 8 bits per sample, libjpeg's other
//         defaults. Any failure throws JpegStoreError.
//   TIFF: WriteTiffFile. A failure throws std::runtime_error with the
//         system's error text.
//   BMP:  WriteBmpFile, in the picture's own pixel format. A failure throws
//         std::runtime_error (BmpError for a picture that cannot be stored).
// A file already at the path written, read-only or not, is replaced, but
// only once the new file is complete: after any failure it is left as it
// was. An empty picture (no pixels) is refused in all three formats.
std::string StorePhoto(const Bitmap& picture, const std::string& destination);

// Encodes the bitmap as a baseline colour JPEG of the given quality (1 to
// 100) and writes it to path, replacing any file there only once the new one
// is complete. Rows of 24 and 32-bit bitmaps go to the encoder as they are
// stored; other formats are converted one row at a time. Throws JpegError.
void WriteJpegFile(const std::string& path, const Bitmap& bitmap, int quality = kJpegQuality);

} // namespace vt
