// The displayed photo and what belongs to it: the file it was read from,
// what that file carries besides its pixels, where it will be stored,
// whether it has unsaved changes, and the save dialog's file type. The
// Camera tab's flows work on it: open a photo for repair, fix it, store it
// (by default or under a chosen name), and the "Save?" question. Whatever
// replaces the displayed photo (a batch photo, a retouch-list photo, a
// blackshot) goes through here, so that the view, the destination and the
// metadata always describe one photo.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "camera/camerafile.h"
#include "imageio/fileformatlist.h"
#include "platform/bitmap.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace vt::gui {

class TRaDuvir;
class TShape;
struct OpenDialogState;

// What the photo session needs of the window.
class TPhotoHost {
  public:
    virtual ~TPhotoHost() = default;
    // Re-derives every command's state.
    virtual void RefreshCommandStates() = 0;
    // Empties the magnifier and the undo list.
    virtual void ClearImgHalo() = 0;
    // Reads a photograph with its metadata and warnings; throws with the
    // reader's message.
    virtual Photo LoadPhoto(const std::string& path) = 0;
    // The current camera's hot pixels; null when no camera was loaded.
    virtual std::shared_ptr<const HotPixelList> HotPixels() const = 0;
    // Enables the hot-pixel list and goes to its first hot pixel.
    virtual void GoToFirstHotPixel() = 0;
    // A photo stored from the Camera tab joins the retouch list.
    virtual void AddToRetouchList(const std::string& path) = 0;
    virtual bool CameraTabActive() const = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // Whether a repaired JPEG keeps its JPEG quality when stored as JPEG
    // (only its damaged blocks are encoded again).
    virtual bool KeepJpegQuality() const = 0;
};

class TPhotoSession : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        TRaDuvir* Image1 = nullptr;
        QScrollArea* ScrollBox1 = nullptr;
        TShape* Shape1 = nullptr;
        QListWidget* lbFixPoints = nullptr;
        QPushButton* btnFixSingle = nullptr;
        QLabel* Label1 = nullptr;
        QProgressBar* ProgressBar1 = nullptr;
    };
    // The save dialog's filter: its indexes 1, 2, 3 are JPEG, TIFF, BMP.
    static const char* const SaveFilter;

    TPhotoSession(const Controls& controls, OpenDialogState& odSingleShot, TPhotoHost& host,
                  QObject* parent = nullptr);

    // --- The Camera tab's flows.
    void OpenPhotoForRepair();
    // Loads, shows and prepares a photo for repair, as after the open
    // dialog; false (after telling the user) when it cannot be read.
    bool LoadPhotoForRepair(const std::string& path);
    void btnFixSingleClick();
    // Stores the displayed photo under its destination; a photo stored from
    // the Camera tab joins the retouch list.
    void SaveRetouchedPhotograph1Click();
    void SavePhotographAs1Click();
    void SetSaveFilterFromDestination();
    int SaveFilterIndex() const { return saveFilterIndex_; }
    // Stores the displayed picture under the destination path; returns the
    // path written, or "" when nothing was stored (told to the user, or
    // declined).
    std::string StorePhoto();

    // --- "Save?"
    // Asks "Save?" for the displayed photo's changes. True lets the caller
    // go on (saved, or not wanted); false asks it to stop and keep the photo
    // and its changes (Cancel, or no save happened).
    bool PromptSaveChanges();
    // Whether the displayed photo may give way to another: true when it has
    // no unsaved changes, else the answer of "Save?".
    bool MayReplace();

    // --- The displayed photo, replaced as a whole.
    // A repaired batch photo, as stored: it is what Restore returns to.
    void ShowStored(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                    const std::string& destination,
                    std::shared_ptr<const HotPixelList> repairedWith);
    // A photo of the retouch list: stored back over its own file.
    void ShowRetouch(const std::string& path, Photo photo);
    // A blackshot under analysis: shown, but no photograph to repair or
    // store.
    void ShowBlackshot(Bitmap picture);
    // Nothing displayed, nothing to store.
    void Clear();

    // The picture on view was painted or given effects.
    void MarkEdited() { edited_ = true; }
    // The picture on view is the photograph as handed in again (Restore).
    void RestoreOriginal() {
        edited_ = false;
        repaired_ = originalRepaired_;
    }
    // The status bar shows the destination and how the photo was stored.
    void ShowStoreMode(const std::string& mode);

    bool UnsavedChanges() const { return unsaved_; }
    void SetUnsavedChanges(bool changed) { unsaved_ = changed; }
    const std::string& Destination() const { return destination_; }
    void SetDestination(const std::string& path) { destination_ = path; }
    const std::string& Source() const { return source_; }
    const PhotoMetadata& Metadata() const { return metadata_; }

  private:
    // Hands a picture to the view as the photograph, scrolled to its
    // top-left corner.
    void Display(Bitmap picture);
    // No photo's file, metadata or destination any more, nothing to fix or
    // to save.
    void ForgetPhoto();
    // A store over an original photograph (one outside a "Vorantel"
    // folder) happens only when the user agrees.
    bool MayOverwrite(const std::string& written);

    Controls c_;
    OpenDialogState& odSingleShot_;
    TPhotoHost& host_;
    std::string source_;
    PhotoMetadata metadata_;
    std::string destination_;
    bool unsaved_ = false;
    int saveFilterIndex_ = 1;
    // What is on the picture besides the file's pixels, for a store that
    // keeps the JPEG quality: the hot pixels repaired on it (and on the
    // photograph Restore returns to), and whether it carries paints or
    // effects.
    std::shared_ptr<const HotPixelList> repaired_;
    std::shared_ptr<const HotPixelList> originalRepaired_;
    bool edited_ = false;
};

} // namespace vt::gui
