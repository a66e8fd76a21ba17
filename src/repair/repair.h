// Hot-pixel repair of a photograph from a camera's hot-pixel list, and the
// two file-name classifiers shared by the output and photo-list code.
#pragma once

#include <string_view>

#include "camera/camerafile.h"
#include "platform/bitmap.h"
#include "platform/progress.h"

namespace vt {

// Paints every hot pixel of the list over with the truncated mean colour of
// its distinct readable reference points, record by record in list order, on
// the bitmap as it is being repaired (a reference that is a hot pixel repaired
// earlier contributes its repaired colour). Consecutive records of the same
// hot pixel pool their references; points outside the bitmap never count,
// and a hot pixel with no readable reference becomes black.
//
// Progress: range(0, records); per record status("Fixing point (x,y)") and,
// after the record, position(i + 1); at the end status("Done") and
// position(0). A window should repaint at a bounded rate rather than per call.
void FixHotPixels(IProgress& progress, const HotPixelList& list, Bitmap& bitmap);

// A picture the repair reads and writes that is not held as a bitmap (the
// few pixels of a JPEG that a repair in its compressed form decodes).
// pixel() returns clInvalid outside the picture; setPixel() there does
// nothing.
class RepairPixels {
  public:
    virtual ~RepairPixels() = default;
    virtual TColor pixel(int x, int y) = 0;
    virtual void setPixel(int x, int y, TColor c) = 0;
};

// The same repair on such a picture.
void FixHotPixels(IProgress& progress, const HotPixelList& list, RepairPixels& pixels);

// Formats a photograph is stored in; the numbers are used by the save dialog.
enum class OutputKind { Bitmap = 1, Jpeg = 2, Tiff = 3 };

// The format chosen by a file name's extension (or an extension with its
// dot): ".bmp" Bitmap, ".tif"/".tiff" Tiff, anything else Jpeg. Case does not
// matter.
OutputKind OutputKindOf(std::string_view nameOrExtension);

// Whether a file may enter a photo list: its extension (or, for a string
// without one, the string itself, with or without the dot) is one of the
// known image extensions. "jpeg" and "tiff" count as "jpg" and "tif".
bool IsImageExtension(std::string_view nameOrExtension);

} // namespace vt
