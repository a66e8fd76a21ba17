// What the retouch view and the Retouch tab need from the window that holds
// them: its command states, the displayed photo's state and its "Save?"
// question.
#pragma once

#include <string>

#include "imageio/fileformatlist.h"

namespace vt::gui {

class TRetouchHost {
  public:
    virtual ~TRetouchHost() = default;
    // Re-derives every command's enabled state.
    virtual void RefreshCommandStates() = 0;
    // Whether the displayed photo may give way to another: asks "Save?" when
    // it has unsaved changes; false when the caller must stop and keep it.
    virtual bool MayReplacePhoto() = 0;
    // The displayed photo was changed (a paint, effects) or given back as it
    // was loaded (Restore).
    virtual void SetUnsavedChanges(bool changed) = 0;
    // Where the displayed photo would be stored.
    virtual std::string CurrentDestination() const = 0;
    // Reads a photograph with its metadata; throws with the reader's
    // message.
    virtual Photo LoadPhoto(const std::string& path) = 0;
    // The photo read from path is now the one displayed: it is stored back
    // under its own name with what its file carries, the open dialog
    // remembers it, the status bar shows it.
    virtual void ShowRetouchPhoto(const std::string& path, Photo photo) = 0;
    // Whether the photo lists' pop-up menu may open on a right click.
    virtual void SetBatchMenuAutoPopup(bool on) = 0;
};

} // namespace vt::gui
