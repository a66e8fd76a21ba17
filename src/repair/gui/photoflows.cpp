// The main window's photo flows: a photo opened, repaired and stored on the
// Camera tab, the "Save?" question, and the photo lists with their dialog,
// drops, deletion and Locate File.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "app/gui/application.h"
#include "app/gui/form1.h"
#include "app/gui/form1util.h"
#include "app/gui/windowprogress.h"
#include "camera/analysis.h"
#include "camera/cameralibrary.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "imageio/fileformatlist.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/waitcursor.h"
#include "repair/gui/batchrun.h"
#include "repair/gui/droplist.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::gui {

// --------------------------------------------------------------------------
// Single-photo repair

void TForm1::sbOpenFileClick() {
    // Cancel keeps the displayed photo with its changes.
    if (UnsavedChanges && !PromptSaveChanges()) {
        RefreshCommandStates();
        return;
    }
    if (PageControl1->currentIndex() == 0)
        OpenPhotoForRepair();
    else
        btnAddImagesToListClick();
}

void TForm1::sbFixClick() {
    switch (PageControl1->currentIndex()) {
    case 0:
        btnFixSingleClick();
        break;
    case 1:
        BatchRun->btnFixBatchClick();
        break;
    default:
        break;
    }
}

void TForm1::sbSaveClick() {
    if (PageControl1->currentIndex() != 1) SaveRetouchedPhotograph1Click();
}

void TForm1::SelectFirstFixPoint() {
    lbFixPoints->setEnabled(true);
    if (lbFixPoints->count() == 0) return;
    lbFixPoints->setCurrentRow(0);
    lbFixPointsClick();
}

void TForm1::ReportUnreadable(const std::string& path, const std::exception& e) {
    MessageDlg(Q("Unable to read file " + path + "\r" + e.what()), "File Error", MsgIcon::Error,
               mbOK);
}

void TForm1::OpenPhotoForRepair() {
    ClearImgHalo();
    FileDialogRequest request;
    request.title = "Open the photograph to be analyzed";
    request.filter = GraphicFilter;
    request.initialDir = odSingleShot.initialDir;
    FileDialogResult chosen = dialogs().openFile(request);
    if (chosen.accepted && !chosen.files.isEmpty()) {
        const std::string path = S(chosen.files.first());
        odSingleShot.lastPickedDir = Q(ExtractFilePath(path));
        if (!LoadPhotoForRepair(path)) return;
    }
    RefreshCommandStates();
}

bool TForm1::LoadPhotoForRepair(const std::string& path) {
    repaint();
    lbFixPoints->setEnabled(false);
    Shape1->hide();
    Label1->setText("Loading photograph...");
    Label1->repaint();
    Bitmap photo;
    {
        WaitCursor wait;
        try {
            Photo loaded = PictureLoader(path);
            photo = std::move(loaded.picture).convertedTo24();
            SourceMetadata = std::move(loaded.metadata);
        } catch (const std::exception& e) {
            Label1->clear();
            ReportUnreadable(path, e);
            return false;
        }
        UnsavedChanges = false;
        DestinationPath = DestinationPathFor(path);
        PhotoSource = path;
        setStatusText(Q(path));
        Image1->setPictureOriginal(std::move(photo));
        ScrollBox1->horizontalScrollBar()->setValue(0);
        ScrollBox1->verticalScrollBar()->setValue(0);
        Image1->ResetEffects();
        btnFixSingle->setEnabled(true);
        Label1->clear();
    }
    SelectFirstFixPoint();
    return true;
}

void TForm1::OpenCommandLinePhoto() {
    if (commandLinePhoto_.empty()) return;
    const std::string path = std::exchange(commandLinePhoto_, std::string());
    ClearImgHalo();
    if (LoadPhotoForRepair(path)) RefreshCommandStates();
}

void TForm1::btnFixSingleClick() {
    btnFixSingle->setEnabled(false);
    lbFixPoints->setEnabled(false);
    Shape1->hide();
    Bitmap* shown = Image1->Picture().bitmap();
    if (shown && hotPixels_) {
        // The displayed picture (effects included) is repaired as it stands
        // and then shown with every effect off, over the photograph.
        Bitmap work = std::move(*shown);
        {
            WindowProgress progress(Label1, ProgressBar1);
            FixHotPixels(progress, *hotPixels_, work);
        }
        Image1->ResetEffects(std::move(work));
    }
    SelectFirstFixPoint();
    UnsavedChanges = true;
    RefreshCommandStates();
    Image1->update();
    setStatusText(Q(DestinationPath));
}

void TForm1::SetSaveFilterFromDestination() {
    switch (OutputKindOf(ExtractFileName(DestinationPath))) {
    case OutputKind::Jpeg:
        sdSaveJPEGFilterIndex = 1;
        break;
    case OutputKind::Tiff:
        sdSaveJPEGFilterIndex = 2;
        break;
    case OutputKind::Bitmap:
        sdSaveJPEGFilterIndex = 3;
        break;
    }
}

namespace {
FileDialogRequest SaveRequest(const std::string& destination, int filterIndex) {
    FileDialogRequest request;
    request.title = "Save Retouched Photograph";
    request.filter = TForm1::SaveFilter;
    request.filterIndex = filterIndex;
    request.fileName = QString::fromStdString(destination);
    request.initialDir = QString::fromStdString(ExtractFilePath(destination));
    request.defaultExt = "jpg";
    request.typeExtensions = {".jpg", ".tif", ".bmp"};
    return request;
}
} // namespace

void TForm1::SaveRetouchedPhotograph1Click() {
    const bool cameraTab = PageControl1->currentIndex() == 0;
    std::string written = StorePhoto();
    if (cameraTab && !written.empty()) AddToRetouchList(written);
    setStatusText(Q(DestinationPath));
    RefreshCommandStates();
}

void TForm1::SavePhotographAs1Click() {
    SetSaveFilterFromDestination();
    FileDialogResult r = dialogs().saveFile(SaveRequest(DestinationPath, sdSaveJPEGFilterIndex));
    sdSaveJPEGFilterIndex = r.filterIndex;
    if (r.accepted && !r.files.isEmpty()) {
        DestinationPath = S(r.files.first());
        SaveRetouchedPhotograph1Click();
    }
    RefreshCommandStates();
}

bool TForm1::PromptSaveChanges() {
    int answer = MessageDlg(
        Q("Would you like to save the changes to " + ExtractFileName(DestinationPath) + "?"),
        "Save?", MsgIcon::None, mbYes | mbNo | mbCancel);
    // The changes stay marked unless they were stored or given up: a second
    // close or open asks again.
    if (answer == mbCancel) return false;
    if (answer == mbYes) {
        SetSaveFilterFromDestination();
        FileDialogResult r =
            dialogs().saveFile(SaveRequest(DestinationPath, sdSaveJPEGFilterIndex));
        sdSaveJPEGFilterIndex = r.filterIndex;
        if (!r.accepted || r.files.isEmpty()) return false;
        DestinationPath = S(r.files.first());
        try {
            if (StorePhoto().empty()) return false; // reported already
        } catch (const std::exception& e) {
            TApplication::ShowException(e.what());
            return false;
        }
    }
    UnsavedChanges = false;
    return true;
}

std::string TForm1::StorePhoto() {
    const Bitmap* shown = Image1->Picture().bitmap();
    if (!shown) throw std::runtime_error("There is no photograph to store.");
    StoreOptions options;
    options.metadata = &SourceMetadata;
    // The default destination beside the photo must not lead back to the
    // photo itself; a name the user chose, or a photo stored over itself
    // from the retouch list, is stored as asked.
    if (!PhotoSource.empty() && DestinationPath == DestinationPathFor(PhotoSource))
        options.source = PhotoSource;
    std::string written;
    try {
        written = vt::StorePhoto(*shown, DestinationPath, options);
    } catch (const JpegStoreError& e) {
        // Nothing was stored: the photo keeps its unsaved changes and is not
        // listed as stored.
        MessageDlg(Q(e.what()), "File Error", MsgIcon::Error, mbOK);
        return {};
    }
    UnsavedChanges = false;
    return written;
}

// --------------------------------------------------------------------------
// Photo lists

std::string TForm1::RetouchPathOf(const QListWidgetItem* item) {
    if (!item) return {};
    return S(item->data(Qt::UserRole).toString());
}

void TForm1::btnAddImagesToListClick() {
    FileDialogRequest request;
    request.filter = GraphicFilter;
    request.initialDir = odImageFile.initialDir;
    request.multiSelect = true;
    FileDialogResult chosen = dialogs().openFile(request);
    if (chosen.accepted) {
        for (const QString& file : chosen.files) {
            const std::string path = S(file);
            odImageFile.lastPickedDir = Q(ExtractFilePath(path));
            if (!IsImageExtension(path)) continue;
            if (PageControl1->currentIndex() == 1) {
                auto* item = new QListWidgetItem(Q(ExtractFileName(path)));
                item->setData(Qt::UserRole, file);
                InsertSorted(lbBatchList, item);
                BatchPaths.push_back(path);
                btnFixBatch->setEnabled(true);
            } else {
                AddToRetouchList(path);
            }
        }
    }
    RefreshCommandStates();
}

void TForm1::AddToRetouchList(const std::string& path) {
    for (int i = 0; i < cbRetouchList->count(); ++i)
        if (RetouchPathOf(cbRetouchList->item(i)) == path) return;
    auto* item = new QListWidgetItem(Q(ExtractFileName(path)));
    item->setData(Qt::UserRole, Q(path));
    QSignalBlocker block(cbRetouchList);
    InsertSorted(cbRetouchList, item);
}

bool TForm1::DeleteSelectedItems(QListWidget* list) {
    bool removed = false;
    QSignalBlocker block(list);
    for (int i = list->count() - 1; i >= 0; --i) {
        QListWidgetItem* item = list->item(i);
        if (!item->isSelected()) continue;
        if (list == lbBatchList) {
            const std::string path = RetouchPathOf(item);
            auto it = std::find(BatchPaths.begin(), BatchPaths.end(), path);
            if (it != BatchPaths.end()) BatchPaths.erase(it);
        }
        delete list->takeItem(i);
        removed = true;
    }
    return removed;
}

bool TForm1::ddfxBatchDragEnter() {
    return cbCameras->currentIndex() >= 0 && !BatchRunning();
}

void TForm1::ddfxBatchProcessDropped(const QStringList& files) {
    for (const QString& file : files) {
        const std::string path = S(file);
        if (!IsImageExtension(ExtractFileName(path))) continue;
        auto* item = new QListWidgetItem(Q(ExtractFileName(path)));
        item->setData(Qt::UserRole, file);
        InsertSorted(lbBatchList, item);
        btnFixBatch->setEnabled(true);
        BatchPaths.push_back(path);
    }
    RefreshCommandStates();
}

void TForm1::ddfxRetouchProcessDropped(const QStringList& files) {
    for (const QString& file : files)
        if (IsImageExtension(ExtractFileName(S(file)))) AddToRetouchList(S(file));
    RefreshCommandStates();
}

void TForm1::LocateFile1Click() {
    LocateInExplorer();
}

void TForm1::LocateInExplorer() {
    const QList<QListWidgetItem*> selected = cbRetouchList->selectedItems();
    if (selected.isEmpty()) return;
    const std::string path = RetouchPathOf(selected.first());
    if (path.empty()) return;
    if (FileLocator(path)) return;
    MessageDlg("Error during CreateProcess", "Vorantel", MsgIcon::None, mbOK);
}

} // namespace vt::gui
