// The main window at work: start-up and shutdown, the settings, closing,
// the command states, and the routing of every command to its panel.
#include "app/gui/form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "app/commandstates.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/photozoom.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/qtutil.h"
#include "platform/inifile.h"
#include "repair/gui/photolists.h"
#include "ui/gui/aboutform.h"
#include "ui/gui/formmemory.h"
#include "ui/gui/help.h"
#include "ui/gui/joinforumform.h"
#include "ui/gui/tipdialog.h"
#include "ui/helpbook.h"

namespace vt::gui {

namespace {

const char kSection[] = "Init";
const char kUnset[] = "?";

} // namespace

TForm1::TForm1(const std::string& programDir, const QStringList& args, QWidget* parent)
    : QMainWindow(parent), programDir_(IncludeTrailingDelimiter(programDir)), args_(args) {
    setObjectName("Form1");
    createControls();
    createMenus();
    createPanels();
    FormMemory1 = new TFormMemory(this);
    FormMemory1->Restore();
    FormCreate();
}

TForm1::~TForm1() {
    // A run reports to the window: it ends before the window goes.
    if (BatchPanel->Running()) {
        BatchPanel->Stop();
        BatchPanel->WaitForEnd();
    }
    FormMemory1->Store();
    if (!destroyed_) FormDestroy();
}

void TForm1::showBatchMenu(QWidget* list, const QPoint& pos) {
    if (!pmBatchAutoPopup) return;
    pmBatch->popup(list->mapToGlobal(pos));
}

QString TForm1::statusText() const {
    return StatusText->text();
}
void TForm1::SetStatusText(const QString& text) {
    StatusText->setText(text);
}

// --------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate() {
    RetouchView->Undo().Clear();
    Photo->SetUnsavedChanges(false);

    odSingleShot.initialDir = Q(programDir_);
    CameraPanel->odCamera.initialDir = Q(programDir_);
    odImageFile.initialDir = Q(programDir_);

    // Magnifier: eleven cells of the grid's designed height div 11.
    imgHalo->setCellSize(imgHalo->height() / THaloGrid::kCells);
    Shape1->resize(Shape1->penWidth() + 11, Shape1->penWidth() + 11);

    ClearPhoto();
    setWindowTitle("Vorantel");
    BatchPanel->Clear();

    Image1->setOnPictureChange([this] { PictureChanged(); });
    CameraPanel->FillCameraList();

    imgBrush->setColor(Qt::black);

    SetActiveTab(PageControl1, 0);

    readSettings();

    // A camera file names the library camera to choose; any other file is a
    // photo to repair, opened once the window shows.
    if (!args_.isEmpty() && !args_.first().startsWith('-')) {
        std::string file = ExtractFileName(S(args_.first()));
        if (SameText(ExtractFileExt(file), ".cam")) {
            QString name = Q(file.substr(0, file.size() - 4));
            int index = CameraPanel->findCameraName(name);
            if (index >= 0) cbCameras->setCurrentIndex(index);
        } else {
            commandLinePhoto_ = S(QFileInfo(args_.first()).absoluteFilePath());
        }
    }

    CameraPanel->cbCamerasChange();
    if (cbCameras->count() > 0) SetBatchEnabled(true);
    RefreshCommandStates();

    if (TipDialog1->ShowAtStart) TipDialog1->Execute(this);
}

void TForm1::readSettings() {
    TIniFile ini(programDir_ + "Vorantel.ini");
    int last = ini.ReadInteger(kSection, "LastCam", -1);
    // The index alone would pick another camera once a camera file was
    // added or removed outside the program: the name, while it exists,
    // decides.
    const std::string lastName = ini.ReadString(kSection, "LastCamName", "");
    if (int byName = lastName.empty() ? -1 : CameraPanel->findCameraName(Q(lastName)); byName >= 0)
        last = byName;
    cbCameras->setCurrentIndex(last >= 0 && last < cbCameras->count() ? last : -1);
    std::string single = ini.ReadString(kSection, "odSingleShot", kUnset);
    if (single != kUnset) odSingleShot.initialDir = Q(single);
    std::string images = ini.ReadString(kSection, "odImageFile", kUnset);
    if (images != kUnset) odImageFile.initialDir = Q(images);
    TipDialog1->ShowAtStart = ini.ReadBool(kSection, "TipOfTheDay", true);
    KeepJpegQuality1->setChecked(ini.ReadBool(kSection, "KeepJpegQuality", false));
    BatchPanel->SetByExif(ini.ReadBool(kSection, "BatchByExif", false));
    Zoom->SetFitRemembered(ini.ReadBool(kSection, "ZoomFit", false));
}

void TForm1::writeSettings() {
    TIniFile ini(programDir_ + "Vorantel.ini");
    ini.WriteInteger(kSection, "LastCam", cbCameras->currentIndex());
    ini.WriteString(kSection, "LastCamName", S(cbCameras->currentText()));
    ini.WriteString(kSection, "odSingleShot", S(odSingleShot.startDir()));
    ini.WriteString(kSection, "odImageFile", S(odImageFile.startDir()));
    ini.WriteBool(kSection, "TipOfTheDay", TipDialog1->ShowAtStart);
    ini.WriteBool(kSection, "KeepJpegQuality", KeepJpegQuality1->isChecked());
    ini.WriteBool(kSection, "BatchByExif", BatchPanel->ByExif());
    ini.WriteBool(kSection, "ZoomFit", Zoom->FitRemembered());
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    CameraPanel->FreeHotPixelList();
    BatchPanel->Clear();
    cbRetouchList->clear();
    SetActiveTab(PageControl1, 0);
    try {
        writeSettings();
    } catch (const std::exception&) {
        // The program is ending; there is nobody left to tell.
    }
    RetouchView->Undo().Clear();
}

void TForm1::OpenCommandLinePhoto() {
    if (commandLinePhoto_.empty()) return;
    const std::string path = std::exchange(commandLinePhoto_, std::string());
    ClearImgHalo();
    if (Photo->LoadPhotoForRepair(path)) RefreshCommandStates();
}

void TForm1::SetBatchEnabled(bool enabled) {
    // Photos whose Exif chooses their camera need none chosen here, only
    // cameras in the library.
    if (BatchPanel && BatchPanel->ByExif() && cbCameras->count() > 0) enabled = true;
    PageControl1->setTabEnabled(1, enabled);
    btnAddImagesToList->setEnabled(enabled);
    btnFixBatch->setEnabled(enabled);
}

bool TForm1::MayClose() {
    // A batch run ends with the photo in hand; what it stored stays stored.
    if (BatchPanel->Running()) {
        BatchPanel->Stop();
        BatchPanel->WaitForEnd();
    }
    return Photo->MayReplace();
}

bool TForm1::RequestClose() {
    if (closing_) return false;
    closing_ = true;
    const bool may = MayClose();
    closing_ = false;
    if (!may) return false;
    mayClose_ = true;
    const bool closed = close();
    mayClose_ = false;
    return closed;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (mayClose_) {
        event->accept();
        return;
    }
    // Asking, or waiting for a run to stop, inside the window system's own
    // close would let a second close request through and end the program
    // with the question still open: the request is taken up afterwards,
    // once, by RequestClose.
    event->ignore();
    if (!closing_) QTimer::singleShot(0, this, [this] { RequestClose(); });
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelpContext(HelpContextOfTab(PageControl1->currentIndex()), this);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --------------------------------------------------------------------------
// Command states and the displayed picture

void TForm1::PictureChanged() {
    const bool empty = Image1->Picture().empty();
    Image1->UpdateViewSize();
    const bool showMarker = PageControl1->currentIndex() == 0 && !empty;
    Shape1->setVisible(showMarker);
    imgHalo->setVisible(showMarker);
    imgBrush->setVisible(!empty);
    if (empty) ClearImgHalo();
    RefreshCommandStates();
}

void TForm1::RefreshCommandStates() {
    CommandInputs in;
    in.tab = WindowTab(PageControl1->currentIndex());
    in.cameraSelected = cbCameras->currentIndex() >= 0;
    in.batchEnabled = PageControl1->isTabEnabled(1);
    in.pictureEmpty = Image1->Picture().empty();
    in.hasDestination = !Photo->Destination().empty();
    in.newCamera = CameraPanel->NewCameraFlag();
    in.hotPixelsListed = lbFixPoints->count() > 0;
    in.fixSingleEnabled = OwnEnabled(btnFixSingle);
    in.resetEnabled = OwnEnabled(btnReset);
    in.undoAvailable = !RetouchView->Undo().empty();
    in.batchListed = lbBatchList->count() > 0;
    in.batchSelected = !lbBatchList->selectedItems().isEmpty();
    in.retouchSelected = !cbRetouchList->selectedItems().isEmpty();
    in.batchRunning = BatchPanel->Running();
    const CommandStates s = DeriveCommandStates(in);

    sbNewCamera->setEnabled(s.newCamera);
    NewCamera1->setEnabled(s.newCamera);
    NewCameraFromPhotos1->setEnabled(s.newCameraFromPhotos);
    OpenExistingCameraFile1->setEnabled(s.openCameraFile);
    sbOpenFile->setEnabled(s.openFile);
    AnalyzePhotograph1->setEnabled(s.openFile);
    AnalyzePhotograph1->setText(AnalyzeCaption(s));
    sbFix->setEnabled(s.fix);
    Fix1->setEnabled(s.fix);
    sbSave->setEnabled(s.save);
    sbEffects->setEnabled(s.effects);
    Effects1->setEnabled(s.effects);
    sbReset->setEnabled(s.reset);
    Reset1->setEnabled(s.reset);
    sbDelete->setEnabled(s.deleteItems);
    DeleteItems1->setEnabled(s.deleteItems);
    DeleteItems2->setEnabled(s.deleteItems);
    sbUndo->setEnabled(s.undo);
    Undo1->setEnabled(s.undo);
    if (s.hotPixelList) {
        lbFixPoints->setEnabled(*s.hotPixelList);
        imgHalo->setVisible(*s.hotPixelList);
    }
    LocateFile1->setVisible(s.locateVisible);
    Effects1->setVisible(s.locateVisible);
    Effects2->setVisible(s.locateVisible);
    Effects2->setEnabled(s.locateVisible);
    LocateFile2->setEnabled(s.locateEnabled);
    SaveRetouchedPhotograph1->setEnabled(s.saveMenus);
    SavePhotographAs1->setEnabled(s.saveMenus);
    btnRetouch->setEnabled(s.effectsButton);
    if (s.clearRetouchSelection) cbRetouchList->clearSelection();
    Zoom->RefreshStates();
}

void TForm1::LockForRun(bool running) {
    if (running) {
        lockedByBatch_.clear();
        for (QWidget* w : std::initializer_list<QWidget*>{
                 cbCameras, lbFixPoints, btnFixSingle, lbBatchList, btnAddImagesToList,
                 cbRetouchList, Button1, btnRetouch, btnReset, Image1, imgHalo, imgBrush}) {
            lockedByBatch_.emplace_back(w, OwnEnabled(w));
            w->setEnabled(false);
        }
    } else {
        for (auto [w, enabled] : lockedByBatch_)
            w->setEnabled(enabled);
        lockedByBatch_.clear();
    }
    // The magnifier's pop-up paints too.
    pmHalo->setEnabled(!running);
    StopBatchShortcut->setEnabled(running);
}

void TForm1::ClearImgHalo() {
    RetouchView->ClearImgHalo();
}

void TForm1::ClearPhoto() {
    Photo->Clear();
    imgHalo->hide();
}

void TForm1::File1Click() {
    RefreshCommandStates();
}
void TForm1::Edit1Click() {
    RefreshCommandStates();
}

void TForm1::PageControl1Change() {
    cbRetouchTimer->stop();
    pmBatchAutoPopup = true;
    if (Image1->Picture().empty()) {
        Shape1->hide();
        imgHalo->hide();
    } else {
        Shape1->setVisible(PageControl1->currentIndex() == 0);
    }
    RefreshCommandStates();
}

// --------------------------------------------------------------------------
// Routing by the active tab

void TForm1::sbOpenFileClick() {
    // Cancel keeps the displayed photo with its changes.
    if (!Photo->MayReplace()) {
        RefreshCommandStates();
        return;
    }
    if (PageControl1->currentIndex() == 0)
        Photo->OpenPhotoForRepair();
    else
        btnAddImagesToListClick();
}

void TForm1::btnAddImagesToListClick() {
    if (PageControl1->currentIndex() == 1) {
        BatchPanel->btnAddImagesToListClick();
        return;
    }
    RetouchTab->AddFiles(AskForImages(odImageFile));
    RefreshCommandStates();
}

void TForm1::sbFixClick() {
    switch (PageControl1->currentIndex()) {
    case 0:
        Photo->btnFixSingleClick();
        break;
    case 1:
        BatchPanel->btnFixBatchClick();
        break;
    default:
        break;
    }
}

void TForm1::sbSaveClick() {
    if (PageControl1->currentIndex() != 1) Photo->SaveRetouchedPhotograph1Click();
}

void TForm1::DeleteItems1Click() {
    bool removed = false;
    const int tab = PageControl1->currentIndex();
    if (tab == 0) {
        CameraPanel->DeleteCamera();
    } else {
        const bool selected =
            tab == 1 ? BatchPanel->HasSelection() : !RetouchTab->SelectedPath().empty();
        // The displayed photo goes with the entries: its changes first.
        if (selected && MayReplacePhoto())
            removed = tab == 1 ? BatchPanel->DeleteSelected() : RetouchTab->DeleteSelected();
    }
    if (removed) ClearPhoto();
    RefreshCommandStates();
}

void TForm1::HelpTopics1Click() {
    ShowHelpContext(kHelpContents, this);
}

void TForm1::AboutVorantel1Click() {
    TAboutForm form(this);
    dialogs().execModal(form);
}

void TForm1::JointheTarnwickForum1Click() {
    TJoinForumForm form(this);
    dialogs().execModal(form);
}

void TForm1::ShowNextTip1Click() {
    TipDialog1->Execute(this);
    TIniFile(programDir_ + "Vorantel.ini")
        .WriteBool(kSection, "TipOfTheDay", TipDialog1->ShowAtStart);
}

// --------------------------------------------------------------------------
// What the panels ask of the window

bool TForm1::MayReplacePhoto() {
    return Photo->MayReplace();
}

std::shared_ptr<const HotPixelList> TForm1::HotPixels() const {
    return CameraPanel->HotPixels();
}

void TForm1::AddToRetouchList(const std::string& path) {
    RetouchTab->AddToRetouchList(path);
}

void TForm1::ClearBatchList() {
    BatchPanel->CameraChanged();
}

void TForm1::CamerasChanged() {
    BatchPanel->MatchCameras();
}

void TForm1::ShowBlackshot(Bitmap picture) {
    Photo->ShowBlackshot(std::move(picture));
}

void TForm1::ShowCameraTab() {
    SetActiveTab(PageControl1, 0);
}

void TForm1::ShowCameraName(const std::string& name) {
    setWindowTitle(name.empty() ? QString("Vorantel") : Q("Vorantel - " + name));
}

void TForm1::GoToFirstHotPixel() {
    RetouchView->SelectFirstFixPoint();
}

bool TForm1::CameraTabActive() const {
    return PageControl1->currentIndex() == 0;
}

bool TForm1::CameraSelected() const {
    return CameraPanel->CameraSelected();
}

std::string TForm1::CameraDirectory() const {
    return CameraPanel->CameraDir();
}

bool TForm1::BatchEnabled() const {
    return PageControl1->isTabEnabled(1);
}

void TForm1::ShowStoredPhoto(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                             const std::string& destination,
                             std::shared_ptr<const HotPixelList> repairedWith) {
    Photo->ShowStored(std::move(picture), source, std::move(metadata), destination,
                      std::move(repairedWith));
}

void TForm1::ShowStoreMode(const std::string& mode) {
    Photo->ShowStoreMode(mode);
}

bool TForm1::KeepJpegQuality() const {
    return KeepJpegQuality1->isChecked();
}

void TForm1::SetUnsavedChanges(bool changed) {
    // Paints and effects change the picture; Restore gives back the
    // photograph as handed in.
    if (changed)
        Photo->MarkEdited();
    else
        Photo->RestoreOriginal();
    Photo->SetUnsavedChanges(changed);
}

std::string TForm1::CurrentDestination() const {
    return Photo->Destination();
}

void TForm1::ShowRetouchPhoto(const std::string& path, vt::Photo photo) {
    Photo->ShowRetouch(path, std::move(photo));
}

} // namespace vt::gui
