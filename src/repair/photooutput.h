// Storing photographs: the destination beside a photograph, the choice of
// format by extension, the JPEG writer, and files that replace their
// predecessor only once they are complete.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

#include <memory>

#include "camera/camerafile.h"
#include "imageio/photometadata.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/progress.h"
#include "repair/jpegrepair.h"

namespace vt {

// Quality of every stored JPEG.
constexpr int kJpegQuality = 90;

// Where a photograph is stored by default: the "Vorantel" folder beside it,
// under the photograph's own file name and extension;
// "/photos/img_01.png" gives "/photos/Vorantel/img_01.png". Nothing is
// created on disk.
std::string DestinationPathFor(const std::string& photoPath);

// Whether a path lies in a "Vorantel" folder (letter case aside): a stored
// copy rather than an original photograph.
bool InStoreFolder(const std::string& path);

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

// "Keep JPEG quality": a JPEG photograph stored as JPEG is repaired in its
// compressed form (RepairJpeg) instead of being encoded anew, so that every
// block without a hot pixel keeps its bits.
struct KeepJpegQuality {
    // The JPEG file the picture was decoded from.
    std::string jpegSource;
    // The hot pixels repaired on the picture since it was decoded; nullptr
    // or empty when it was not repaired.
    const HotPixelList* repaired = nullptr;
    // The picture carries changes that no hot-pixel list describes (brush
    // paints, effects): only a full encode keeps them.
    bool edited = false;
};

// The reason given when an edited picture is encoded in full.
extern const char* const kEditedPictureReason;

// How a photograph is stored besides its pixels.
struct StoreOptions {
    // Carried into a stored JPEG: a JPEG source's Exif, XMP, ICC, IPTC and
    // comment segments in their order, or another source's ICC profile.
    // TIFF and BMP files keep their fixed layouts and carry none.
    const PhotoMetadata* metadata = nullptr;
    // The file the photograph was read from. The store refuses to replace
    // it (the same file, however it is reached: a "Vorantel" folder that is
    // a link back to the photograph's own folder, say). Empty: no check, for
    // flows that mean to store a photograph over itself.
    std::string source;
    // Asked now and then while a JPEG is encoded; true abandons the store
    // (it then throws as a failed store does). May be called on the thread
    // that prepares the photo.
    std::function<bool()> cancelled;
    // For a JPEG destination: keep the JPEG quality of this source where
    // it can be kept; otherwise the picture is encoded and the outcome says
    // why. TIFF and BMP destinations ignore it.
    const KeepJpegQuality* keepJpegQuality = nullptr;
};

// How a photograph was stored.
struct StoreOutcome {
    // The path written.
    std::string written;
    // Stored through its JPEG coefficients: only the blocks with a hot
    // pixel were coded anew (`report` says how many).
    bool keptQuality = false;
    JpegRepairReport report;
    // Why a store asked to keep the JPEG quality encoded the picture in
    // full instead (a sentence); empty otherwise.
    std::string fullEncodeReason;
};

// What a status bar says of the way a photograph was stored:
//   "JPEG quality kept: 31 of 4536 blocks re-encoded"
//   "Full encode at quality 90: The photograph is not a JPEG file."
// and "" for a store that was not asked to keep the JPEG quality.
std::string StoreModeText(const StoreOutcome& outcome);

// A photograph encoded into a temporary file beside its destination but not
// yet put in place: the slow part of storing, which can run on any thread,
// apart from the quick rename that commit() does. Dropped without commit(),
// it leaves nothing behind: the temporary file goes, and so does the
// "Vorantel" folder when it was created for it and holds nothing else.
class PreparedPhoto {
  public:
    PreparedPhoto(PreparedPhoto&&) noexcept;
    PreparedPhoto& operator=(PreparedPhoto&&) noexcept;
    ~PreparedPhoto();

    // The path the photograph goes to.
    const std::string& path() const;
    // How it is stored (the path written included).
    const StoreOutcome& outcome() const;
    // Puts the file in place (replacing any file there) and returns its
    // path. Throws as StorePhoto does; the prepared file is then dropped.
    std::string commit();

    struct State;

  private:
    friend PreparedPhoto PreparePhoto(const Bitmap&, const std::string&, const StoreOptions&);
    friend PreparedPhoto PrepareKeptJpeg(const std::string&, const HotPixelList&,
                                         const std::string&, const StoreOptions&, IProgress&);
    explicit PreparedPhoto(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Encodes the picture for the destination path (see StorePhoto) into a
// temporary file; creates the destination's folder if it is missing. Throws
// as StorePhoto does.
PreparedPhoto PreparePhoto(const Bitmap& picture, const std::string& destination,
                           const StoreOptions& options = {});

// Stores the JPEG photograph `source`, repaired with the hot pixels, under
// a JPEG destination path through its coefficients, without decoding it
// (RepairJpeg): the "Keep JPEG quality" store of a photograph that is not
// displayed. The options' metadata and keepJpegQuality are not used: the
// file's own segments are kept. Progress as FixHotPixels gives it. Throws
// JpegTranscodeUnavailable, leaving nothing behind, when the photograph
// cannot be stored so (the caller then decodes, repairs and encodes it), and
// JpegStoreError when it cannot be written.
PreparedPhoto PrepareKeptJpeg(const std::string& source, const HotPixelList& hotPixels,
                              const std::string& destination, const StoreOptions& options,
                              IProgress& progress);

// Stores the picture under the destination path and returns the path
// written (StoredPathFor(destination)). The destination's folder is created
// first if it is missing (one level; a failure there shows up when the file
// is written), and removed again if the store fails and it holds nothing
// else. The format follows the extension:
//   JPEG: quality 90, baseline, colour, 8 bits per sample, libjpeg's other
//         defaults, with the options' metadata. Any failure throws
//         JpegStoreError.
//   TIFF: WriteTiffFile. A failure throws std::runtime_error with the
//         system's error text.
//   BMP:  WriteBmpFile, in the picture's own pixel format. A failure throws
//         std::runtime_error (BmpError for a picture that cannot be stored).
// A file already at the path written, read-only or not, is replaced, but
// only once the new file is complete: after any failure it is left as it
// was. An empty picture (no pixels) is refused in all three formats, and so
// is a path written that is the options' source file.
// With options.keepJpegQuality a JPEG destination is written from the
// source's coefficients where they can be kept; `outcome`, when given, says
// how the photograph was stored.
std::string StorePhoto(const Bitmap& picture, const std::string& destination,
                       const StoreOptions& options = {}, StoreOutcome* outcome = nullptr);

// Encodes the bitmap as a baseline colour JPEG of the given quality (1 to
// 100) and writes it to path, replacing any file there only once the new one
// is complete. Rows of 24 and 32-bit bitmaps go to the encoder as they are
// stored; other formats are converted one row at a time. The metadata's
// marker segments follow the encoder's own JFIF segment in their order; an
// ICC profile of a source that was no JPEG goes into APP2 chunks. Throws
// JpegError.
void WriteJpegFile(const std::string& path, const Bitmap& bitmap, int quality = kJpegQuality,
                   const PhotoMetadata* metadata = nullptr);
// The same into a file that is not yet committed; a `cancelled` that
// answers true abandons the encoding with a JpegError.
void WriteJpegTo(ReplacingFile& file, const Bitmap& bitmap, int quality = kJpegQuality,
                 const PhotoMetadata* metadata = nullptr,
                 const std::function<bool()>* cancelled = nullptr);

} // namespace vt
