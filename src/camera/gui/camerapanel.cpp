#include "camera/gui/camerapanel.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <utility>
#include <vector>

#include "camera/analysis.h"
#include "camera/cameralibrary.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "imageio/gui/loadmessages.h"
#include "platform/files.h"
#include "platform/gui/qtutil.h"
#include "platform/gui/waitcursor.h"
#include "platform/gui/windowprogress.h"
#include "repair/gui/photolists.h"

namespace vt::gui {

TCameraPanel::TCameraPanel(const Controls& controls, const std::string& programDir,
                           OpenDialogState& odSingleShot, TCameraHost& host, QObject* parent)
    : QObject(parent), c_(controls), odSingleShot_(odSingleShot), host_(host),
      cameraDir_(CameraDirectoryOf(programDir)) {
    NewCameraForm = new TNewCameraForm(c_.window);
    // Only a choice of the user runs the change handler.
    connect(c_.cbCameras, &QComboBox::activated, this, [this] { cbCamerasChange(); });
}

// --------------------------------------------------------------------------
// The library

void TCameraPanel::FillCameraList() {
    CreateDir(cameraDir_); // exists already, or cannot be made: either way go on
    newCamera_ = false;
    for (const std::string& name : EnumerateCameras(cameraDir_))
        addCameraName(Q(name));
}

bool TCameraPanel::CameraSelected() const {
    return c_.cbCameras->currentIndex() >= 0;
}

int TCameraPanel::findCameraName(const QString& name) const {
    const std::string wanted = S(name);
    for (int i = 0; i < c_.cbCameras->count(); ++i)
        if (SameText(S(c_.cbCameras->itemText(i)), wanted)) return i;
    return -1;
}

int TCameraPanel::addCameraName(const QString& name) {
    const std::string s = S(name);
    QComboBox* list = c_.cbCameras;
    int at = 0;
    while (at < list->count() && CompareText(S(list->itemText(at)), s) <= 0)
        ++at;
    QSignalBlocker block(list);
    const int current = list->currentIndex();
    list->insertItem(at, name);
    // Inserting must not choose a camera by itself.
    list->setCurrentIndex(current >= at ? current + 1 : current);
    return at;
}

void TCameraPanel::selectCamera(int index) {
    QSignalBlocker block(c_.cbCameras);
    c_.cbCameras->setCurrentIndex(index);
    chosen_ = index >= 0 ? S(c_.cbCameras->itemText(index)) : std::string();
}

void TCameraPanel::FreeHotPixelList() {
    hotPixels_.reset();
}

void TCameraPanel::LoadCameraFile(const std::string& path) {
    host_.ClearBatchList();
    name_ = CameraNameOf(path);
    c_.lbFixPoints->clear();
    c_.Shape1->hide();

    CameraFileContents contents;
    try {
        contents = ReadCameraFile(ResolveCameraPath(path));
    } catch (const CameraFileError& e) {
        MessageDlg(Q("Unable to open or read file " + path + "\r" + e.what()), "File Error",
                   MsgIcon::Error, mbOK);
        selectCamera(-1);
        // The hot pixels of the camera loaded before stay, but no camera
        // is named any more.
        host_.ShowCameraName("");
        host_.SetBatchEnabled(false);
        return;
    }

    hotPixels_ = std::make_shared<const HotPixelList>(std::move(contents.records));

    // The box keeps its entries in alphabetical order of their texts.
    std::vector<std::pair<std::string, std::int32_t>> entries;
    entries.reserve(contents.marked.size());
    for (const MarkedPoint& p : contents.marked)
        entries.emplace_back(FixPointText(p.x, p.y), FixPointValue(p.x, p.y));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return CompareText(a.first, b.first) < 0;
    });
    QListWidget* list = c_.lbFixPoints;
    list->setUpdatesEnabled(false);
    for (const auto& [text, value] : entries) {
        auto* item = new QListWidgetItem(Q(text));
        item->setData(Qt::UserRole, value);
        list->addItem(item);
    }
    list->setUpdatesEnabled(true);

    host_.ShowCameraName(name_);
    int index = findCameraName(Q(name_));
    if (index < 0) index = addCameraName(Q(name_));
    selectCamera(index);
    host_.SetBatchEnabled(true);
}

void TCameraPanel::cbCamerasChange() {
    if (!host_.MayReplacePhoto()) {
        // The photo stays, and so does the camera it was shown with.
        selectCamera(findCameraName(Q(chosen_)));
        host_.RefreshCommandStates();
        return;
    }
    if (c_.cbCameras->currentIndex() >= 0) {
        chosen_ = S(c_.cbCameras->currentText());
        LoadCameraFile(cameraDir_ + chosen_ + ".cam");
    } else {
        chosen_.clear();
        c_.lbFixPoints->clear();
    }
    host_.ClearPhoto();
    host_.RefreshCommandStates();
}

void TCameraPanel::OpenExistingCameraFile1Click() {
    host_.ShowCameraTab();
    host_.ClearImgHalo();
    FileDialogRequest request;
    request.filter = "Camera Files|*.cam";
    request.initialDir = odCamera.startDir();
    const FileDialogResult result = dialogs().openFile(request);
    if (result.accepted && !result.files.isEmpty()) {
        odCamera.lastPickedDir = Q(ExtractFilePath(S(result.files.first())));
        LoadCameraFile(S(result.files.first()));
    }
    host_.RefreshCommandStates();
}

void TCameraPanel::DeleteCamera() {
    QComboBox* list = c_.cbCameras;
    if (list->currentIndex() < 0) return;
    const int answer =
        MessageDlg("Are you sure you want to delete camera: \"" + list->currentText() + "?\"",
                   "Confirmation", MsgIcon::Question, mbYes | mbNo, mbNo);
    if (answer != mbYes) return;
    // The displayed photo goes with the camera: its changes first.
    if (!host_.MayReplacePhoto()) return;
    // Every file that names the camera goes, or a twin differing only in
    // letter case would bring it back at the next start.
    for (const std::string& file : CameraFilesOf(cameraDir_, S(list->currentText())))
        DeleteFileAt(file);
    {
        QSignalBlocker block(list);
        list->removeItem(list->currentIndex());
    }
    selectCamera(-1);
    cbCamerasChange();
    list->update();
}

// --------------------------------------------------------------------------
// Blackshot analysis

int TCameraPanel::AnalyzeBlackshot(int threshold) {
    c_.btnFixSingle->setEnabled(false);
    c_.lbFixPoints->clear();
    const Bitmap* shown = c_.Image1->Picture().bitmap();
    if (!shown) throw BlackshotSizeError("There is no blackshot to analyse.");
    // The analysis keeps what it has repaired to itself; the displayed
    // blackshot stays as it is.
    BlackshotResult result;
    {
        WindowProgress progress(c_.Label1, c_.ProgressBar1);
        result = AnalyzeBlackshotBitmap(*shown, threshold, progress);
    }
    if (result.outcome == BlackshotOutcome::ClusterTooLarge)
        MessageDlg(Q(BlackshotErrorText()), kBlackshotErrorCaption, MsgIcon::Error, mbOK);

    if (result.outcome != BlackshotOutcome::Lines || result.lines.empty()) {
        selectCamera(-1);
        return result.highestLuminance;
    }

    // The camera's file, named as typed; a file whose name differs only in
    // letter case already stands for this camera and is the one replaced.
    const std::string path = cameraDir_ + name_ + ".cam";
    try {
        WriteCameraFile(CameraFilePath(cameraDir_, name_), result.lines);
        // The list holds each name once, letter case aside.
        int found = findCameraName(Q(name_));
        if (found < 0) found = addCameraName(Q(name_));
        selectCamera(found);
        LoadCameraFile(path);
    } catch (const std::exception& e) {
        MessageDlg(Q(CameraWriteErrorText(path, e.what())), kFileErrorCaption, MsgIcon::Error,
                   mbOK);
        selectCamera(-1);
        return result.highestLuminance;
    }
    c_.ProgressBar1->setValue(0);
    c_.Label1->setText("Done");
    MessageDlg(Q(CameraDefinedText(name_)), kCameraDefinedCaption, MsgIcon::None, mbOK);
    return result.highestLuminance;
}

void TCameraPanel::DefineCameraFromBlackshot() {
    const int threshold = seThresholdValue;
    const int highest = AnalyzeBlackshot(threshold);
    switch (BlackshotFollowUpOf(highest, CameraSelected())) {
    case BlackshotFollowUp::None:
        break;
    case BlackshotFollowUp::NoHotPixels:
        MessageDlg(Q(NoHotPixelsText()), kNoHotPixelsCaption, MsgIcon::Warning, mbOK);
        break;
    case BlackshotFollowUp::TryAgain:
        if (MessageDlg(Q(TryAgainText(threshold, highest)), kTryAgainCaption, MsgIcon::Question,
                       mbYes | mbNo) == mbYes)
            AnalyzeBlackshot(highest);
        break;
    }
}

// --------------------------------------------------------------------------
// New camera

void TCameraPanel::NewCamera1Click() {
    TNewCameraForm& form = *NewCameraForm;
    form.cbInCamera->clear();
    for (int i = 0; i < c_.cbCameras->count(); ++i)
        form.cbInCamera->addItem(c_.cbCameras->itemText(i));
    form.cbInCamera->setCurrentIndex(-1);
    form.cbInCamera->setEditText(QString());
    form.btnCameraName->setEnabled(false);
    if (dialogs().execModal(form) != QDialog::Accepted) return;
    const std::string name = S(form.cbInCamera->currentText());
    // The dialog checks the name; a name that slipped past it never reaches
    // the file system.
    if (const std::string problem = CameraNameError(name); !problem.empty()) {
        MessageDlg(Q(problem), "New Camera", MsgIcon::Warning, mbOK);
        return;
    }
    name_ = name;
    EnterNewCamera();
}

void TCameraPanel::EnterNewCamera() {
    if (findCameraName(Q(name_)) >= 0) {
        const int answer = MessageDlg(
            Q("There is already a camera named " + name_ + ". Do you want to replace it?"),
            "Replace Camera?", MsgIcon::Question, mbYes | mbNo, mbNo);
        if (answer != mbYes) return;
    }
    FileDialogRequest request;
    request.title = "Open the camera's blackshot";
    request.filter = kGraphicFilter;
    request.initialDir = odSingleShot_.startDir();
    const FileDialogResult chosen = dialogs().openFile(request);
    // The blackshot takes the displayed photo's place: its changes first.
    if (chosen.accepted && !chosen.files.isEmpty() && host_.MayReplacePhoto()) {
        const std::string path = S(chosen.files.first());
        odSingleShot_.lastPickedDir = Q(ExtractFilePath(path));
        host_.ClearImgHalo();
        host_.ShowCameraTab();
        host_.ClearBatchList();
        c_.Label1->setText("Loading blackshot...");
        c_.Label1->repaint();
        {
            WaitCursor wait;
            try {
                Photo blackshot = host_.LoadPhoto(path);
                newCamera_ = true;
                host_.ShowBlackshot(std::move(blackshot.picture));
                if (!blackshot.warnings.empty()) ReportDamaged(path, blackshot.warnings);
                NewCameraForm->seThreshold->interpretText();
                seThresholdValue = NewCameraForm->ThresholdValue();
                DefineCameraFromBlackshot();
            } catch (const std::exception& e) {
                ReportUnreadable(path, e.what());
                selectCamera(-1);
            }
        }
        // The view keeps showing the blackshot, but it is no photograph to
        // repair or store.
        if (newCamera_) c_.Image1->ForgetPhotograph();
        newCamera_ = false;
        c_.Label1->clear();
    }
    // A cancelled dialog leaves the displayed photo as it was, changes and
    // all.
    host_.SetBatchEnabled(CameraSelected());
    host_.RefreshCommandStates();
}

} // namespace vt::gui
