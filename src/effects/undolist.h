// The magnifier's undo list: one record per painted pixel, the newest first,
// grouped into strokes. A stroke (one click, one press-drag-release, one
// exact colour) is undone as a whole.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/bitmap.h"

namespace vt {

struct UndoRecord {
    // The first paint of its stroke: undoing stops after it.
    bool groupStart = false;
    // The pixel's colour before the paint; clInvalid for a pixel that lay
    // outside the picture.
    TColor previous = clInvalid;
    int x = 0;
    int y = 0;
};

class TUndoList {
  public:
    // Puts a paint at the front.
    void Record(bool groupStart, TColor previous, int x, int y);

    // Takes records from the front and sets each pixel back to its previous
    // colour, up to and including the first record that starts a group (or
    // until the list is empty). A pixel that was outside the picture, or is
    // outside it now, is left alone. Returns the number of records undone.
    std::size_t UndoGroup(Bitmap& picture);

    void Clear() { records_.clear(); }
    bool empty() const { return records_.empty(); }
    std::size_t size() const { return records_.size(); }
    // The i-th record from the front (0 is the newest).
    const UndoRecord& at(std::size_t i) const { return records_[records_.size() - 1 - i]; }

  private:
    // Oldest first: the front of the list is the back of the vector.
    std::vector<UndoRecord> records_;
};

} // namespace vt
