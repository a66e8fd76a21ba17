// What the retouch view and the Retouch tab need from the window that holds
// them: its photo state, its command states and its "Save?" question.
#pragma once

#include <exception>
#include <string>

#include "imageio/fileformatlist.h"
#include "platform/bitmap.h"

namespace vt::gui {

class TRetouchHost {
  public:
    virtual ~TRetouchHost() = default;
    // Re-derives every command's enabled state.
    virtual void RefreshCommandStates() = 0;
    // Asks "Save?" for the unsaved changes; false when the caller must stop
    // and keep the displayed photo.
    virtual bool PromptSaveChanges() = 0;
    virtual bool HasUnsavedChanges() const = 0;
    virtual void SetUnsavedChanges(bool changed) = 0;
    // Where the displayed photo would be stored.
    virtual std::string CurrentDestination() const = 0;
    // Empties the magnifier and the undo list.
    virtual void ClearImgHalo() = 0;
    // Reads a photograph with its metadata; throws with the reader's
    // message.
    virtual Photo LoadPhoto(const std::string& path) = 0;
    // The "File Error" box of a photograph that cannot be read.
    virtual void ReportUnreadable(const std::string& path, const std::exception& e) = 0;
    // The photo at path is now the one displayed: it is stored back under
    // its own name with its metadata, the open dialog remembers it, the
    // status bar shows it.
    virtual void SetRetouchPhotoPath(const std::string& path, PhotoMetadata metadata) = 0;
    // Whether the photo lists' pop-up menu may open on a right click.
    virtual void SetBatchMenuAutoPopup(bool on) = 0;
};

} // namespace vt::gui
