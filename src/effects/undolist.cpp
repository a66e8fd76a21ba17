#include "effects/undolist.h"

namespace vt {

void TUndoList::Record(bool groupStart, TColor previous, int x, int y) {
    records_.push_back({groupStart, previous, x, y});
}

std::size_t TUndoList::UndoGroup(Bitmap& picture) {
    std::size_t undone = 0;
    while (!records_.empty()) {
        const UndoRecord r = records_.back();
        records_.pop_back();
        ++undone;
        // Newest first, so a pixel painted twice in one stroke ends with the
        // colour it had before the stroke.
        if (r.previous >= 0) picture.setPixel(r.x, r.y, r.previous);
        if (r.groupStart) break;
    }
    return undone;
}

} // namespace vt
