#include "repair/gui/photosession.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <utility>
#include <vector>

#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "imageio/gui/loadmessages.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/qtutil.h"
#include "platform/gui/waitcursor.h"
#include "platform/gui/windowprogress.h"
#include "repair/gui/photolists.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::gui {

const char* const TPhotoSession::SaveFilter = "JPEG|*.jpg|TIFF|*.tif|Bitmap|*.bmp";

namespace {

FileDialogRequest SaveRequest(const std::string& destination, int filterIndex) {
    FileDialogRequest request;
    request.title = "Save Retouched Photograph";
    request.filter = TPhotoSession::SaveFilter;
    request.filterIndex = filterIndex;
    request.fileName = Q(destination);
    request.initialDir = Q(ExtractFilePath(destination));
    request.defaultExt = "jpg";
    request.typeExtensions = {".jpg", ".tif", ".bmp"};
    return request;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    FileIdentity ia, ib;
    return IdentityOf(a, ia) && IdentityOf(b, ib) && ia == ib;
}

} // namespace

TPhotoSession::TPhotoSession(const Controls& controls, OpenDialogState& odSingleShot,
                             TPhotoHost& host, QObject* parent)
    : QObject(parent), c_(controls), odSingleShot_(odSingleShot), host_(host) {}

// --------------------------------------------------------------------------
// Opening and repairing

void TPhotoSession::OpenPhotoForRepair() {
    host_.ClearImgHalo();
    FileDialogRequest request;
    request.title = "Open the photograph to be analyzed";
    request.filter = kGraphicFilter;
    request.initialDir = odSingleShot_.startDir();
    const FileDialogResult chosen = dialogs().openFile(request);
    if (chosen.accepted && !chosen.files.isEmpty()) {
        const std::string path = S(chosen.files.first());
        odSingleShot_.lastPickedDir = Q(ExtractFilePath(path));
        if (!LoadPhotoForRepair(path)) return;
    }
    host_.RefreshCommandStates();
}

bool TPhotoSession::LoadPhotoForRepair(const std::string& path) {
    c_.lbFixPoints->setEnabled(false);
    c_.Shape1->hide();
    c_.Label1->setText("Loading photograph...");
    c_.Label1->repaint();
    std::vector<std::string> warnings;
    {
        WaitCursor wait;
        Photo loaded;
        try {
            loaded = host_.LoadPhoto(path);
        } catch (const std::exception& e) {
            c_.Label1->clear();
            ReportUnreadable(path, e.what());
            return false;
        }
        warnings = std::move(loaded.warnings);
        repaired_ = originalRepaired_ = nullptr;
        edited_ = false;
        source_ = path;
        metadata_ = std::move(loaded.metadata);
        destination_ = DestinationPathFor(path);
        unsaved_ = false;
        host_.SetStatusText(Q(path));
        Display(std::move(loaded.picture).convertedTo24());
        c_.btnFixSingle->setEnabled(true);
        c_.Label1->clear();
    }
    host_.GoToFirstHotPixel();
    // Told once the damaged photo is on view: it shows what could be read.
    if (!warnings.empty()) ReportDamaged(path, warnings);
    return true;
}

void TPhotoSession::btnFixSingleClick() {
    c_.btnFixSingle->setEnabled(false);
    Bitmap* shown = c_.Image1->Picture().bitmap();
    const std::shared_ptr<const HotPixelList> hot = host_.HotPixels();
    if (!shown || shown->empty() || !hot) {
        // Nothing on view, or no camera: nothing was repaired.
        host_.RefreshCommandStates();
        return;
    }
    c_.lbFixPoints->setEnabled(false);
    c_.Shape1->hide();
    // The displayed picture (effects included) is repaired as it stands and
    // then shown with every effect off, over the photograph.
    Bitmap work = std::move(*shown);
    {
        WindowProgress progress(c_.Label1, c_.ProgressBar1);
        FixHotPixels(progress, *hot, work);
    }
    c_.Image1->ResetEffects(std::move(work));
    repaired_ = hot;
    host_.GoToFirstHotPixel();
    unsaved_ = true;
    host_.RefreshCommandStates();
    c_.Image1->update();
    host_.SetStatusText(Q(destination_));
}

// --------------------------------------------------------------------------
// Storing

void TPhotoSession::SetSaveFilterFromDestination() {
    switch (OutputKindOf(ExtractFileName(destination_))) {
    case OutputKind::Jpeg:
        saveFilterIndex_ = 1;
        break;
    case OutputKind::Tiff:
        saveFilterIndex_ = 2;
        break;
    case OutputKind::Bitmap:
        saveFilterIndex_ = 3;
        break;
    }
}

void TPhotoSession::SaveRetouchedPhotograph1Click() {
    const bool cameraTab = host_.CameraTabActive();
    const std::string written = MayOverwrite(StoredPathFor(destination_)) ? StorePhoto() : "";
    if (cameraTab && !written.empty()) host_.AddToRetouchList(written);
    if (written.empty()) host_.SetStatusText(Q(destination_));
    host_.RefreshCommandStates();
}

void TPhotoSession::SavePhotographAs1Click() {
    SetSaveFilterFromDestination();
    const FileDialogResult r = dialogs().saveFile(SaveRequest(destination_, saveFilterIndex_));
    saveFilterIndex_ = r.filterIndex;
    if (r.accepted && !r.files.isEmpty()) {
        // The dialog has asked before replacing a file.
        destination_ = S(r.files.first());
        const bool cameraTab = host_.CameraTabActive();
        const std::string written = StorePhoto();
        if (cameraTab && !written.empty()) host_.AddToRetouchList(written);
        if (written.empty()) host_.SetStatusText(Q(destination_));
    }
    host_.RefreshCommandStates();
}

bool TPhotoSession::MayOverwrite(const std::string& written) {
    // A photo of the retouch list is stored back over the file it was read
    // from; copies live in "Vorantel" folders, originals do not. (The
    // default destination of an opened photo never replaces it at all.)
    if (source_.empty() || destination_ != source_ || !SameFile(written, source_) ||
        InStoreFolder(source_))
        return true;
    return MessageDlg(Q("Storing the photograph will replace the original file " + written +
                        ".\rDo you want to replace it?"),
                      "Replace Original?", MsgIcon::Question, mbYes | mbNo, mbNo) == mbYes;
}

std::string TPhotoSession::StorePhoto() {
    const Bitmap* shown = std::as_const(*c_.Image1).Picture().bitmap();
    if (!shown) throw std::runtime_error("There is no photograph to store.");
    StoreOptions options;
    options.metadata = &metadata_;
    // The default destination beside the photo must not lead back to the
    // photo itself; a name the user chose, or a photo stored over itself
    // from the retouch list, is stored as asked.
    if (!source_.empty() && destination_ == DestinationPathFor(source_)) options.source = source_;
    KeepJpegQuality keep;
    if (host_.KeepJpegQuality() && !source_.empty()) {
        keep.jpegSource = source_;
        keep.repaired = repaired_.get();
        keep.edited = edited_;
        options.keepJpegQuality = &keep;
    }
    StoreOutcome outcome;
    std::string written;
    try {
        written = vt::StorePhoto(*shown, destination_, options, &outcome);
    } catch (const JpegStoreError& e) {
        // Nothing was stored: the photo keeps its unsaved changes and is not
        // listed as stored.
        MessageDlg(Q(e.what()), "File Error", MsgIcon::Error, mbOK);
        return {};
    }
    unsaved_ = false;
    ShowStoreMode(StoreModeText(outcome));
    return written;
}

void TPhotoSession::ShowStoreMode(const std::string& mode) {
    host_.SetStatusText(mode.empty() ? Q(destination_) : Q(destination_ + "   " + mode));
}

bool TPhotoSession::PromptSaveChanges() {
    const int answer = MessageDlg(
        Q("Would you like to save the changes to " + ExtractFileName(destination_) + "?"), "Save?",
        MsgIcon::None, mbYes | mbNo | mbCancel);
    // The changes stay marked unless they were stored or given up: a second
    // close or open asks again.
    if (answer == mbCancel) return false;
    if (answer == mbYes) {
        SetSaveFilterFromDestination();
        const FileDialogResult r = dialogs().saveFile(SaveRequest(destination_, saveFilterIndex_));
        saveFilterIndex_ = r.filterIndex;
        if (!r.accepted || r.files.isEmpty()) return false;
        destination_ = S(r.files.first());
        try {
            if (StorePhoto().empty()) return false; // told already
        } catch (const std::exception& e) {
            ShowErrorMessage(QString::fromUtf8(e.what()));
            return false;
        }
    }
    unsaved_ = false;
    return true;
}

bool TPhotoSession::MayReplace() {
    return !unsaved_ || PromptSaveChanges();
}

// --------------------------------------------------------------------------
// The displayed photo

void TPhotoSession::Display(Bitmap picture) {
    // Handed over, not copied; shown with every effect off, so the display
    // picture is the one copy of it.
    c_.Image1->ShowPhotograph(std::move(picture));
    c_.ScrollBox1->horizontalScrollBar()->setValue(0);
    c_.ScrollBox1->verticalScrollBar()->setValue(0);
}

void TPhotoSession::ShowStored(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                               const std::string& destination,
                               std::shared_ptr<const HotPixelList> repairedWith) {
    repaired_ = originalRepaired_ = std::move(repairedWith);
    edited_ = false;
    source_ = source;
    metadata_ = std::move(metadata);
    destination_ = destination;
    unsaved_ = false;
    Display(std::move(picture));
    // A repaired photo is repaired once.
    c_.btnFixSingle->setEnabled(false);
    host_.SetStatusText(Q(destination));
}

void TPhotoSession::ShowRetouch(const std::string& path, Photo photo) {
    host_.ClearImgHalo();
    odSingleShot_.lastPickedDir = Q(ExtractFilePath(path));
    // Stored back over itself, as asked, keeping what the file carries.
    repaired_ = originalRepaired_ = nullptr;
    edited_ = false;
    source_ = path;
    metadata_ = std::move(photo.metadata);
    destination_ = path;
    unsaved_ = false;
    host_.SetStatusText(Q(path));
    Display(std::move(photo.picture).convertedTo24());
}

void TPhotoSession::ForgetPhoto() {
    repaired_ = originalRepaired_ = nullptr;
    edited_ = false;
    source_.clear();
    metadata_.clear();
    destination_.clear();
    unsaved_ = false;
    c_.btnFixSingle->setEnabled(false);
    host_.SetStatusText(QString());
}

void TPhotoSession::ShowBlackshot(Bitmap picture) {
    ForgetPhoto();
    c_.Image1->ResetEffects();
    Display(std::move(picture).convertedTo24());
}

void TPhotoSession::Clear() {
    c_.Image1->setPictureOriginal(Bitmap(0, 0));
    c_.Image1->ResetEffects();
    c_.Shape1->hide();
    ForgetPhoto();
}

} // namespace vt::gui
