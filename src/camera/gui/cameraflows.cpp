// The main window's camera flows: the camera library (choosing, opening,
// loading and deleting cameras), the blackshot analysis that writes a
// camera file, and the New Camera flow that leads to it.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
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
#include "repair/gui/droplist.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::gui {

// --------------------------------------------------------------------------
// Camera library

int TForm1::findCameraName(const QString& name) const {
    std::string wanted = S(name);
    for (int i = 0; i < cbCameras->count(); ++i)
        if (SameText(S(cbCameras->itemText(i)), wanted)) return i;
    return -1;
}

int TForm1::addCameraName(const QString& name) {
    std::string s = S(name);
    int at = 0;
    while (at < cbCameras->count() && CompareText(S(cbCameras->itemText(at)), s) <= 0)
        ++at;
    QSignalBlocker block(cbCameras);
    int current = cbCameras->currentIndex();
    cbCameras->insertItem(at, name);
    // Inserting must not choose a camera by itself.
    cbCameras->setCurrentIndex(current >= at ? current + 1 : current);
    return at;
}

void TForm1::FreeHotPixelList() {
    hotPixels_.reset();
}

void TForm1::LoadCameraFile(const std::string& path) {
    lbBatchList->clear();
    BatchPaths.clear();
    currentCameraName_ = CameraNameOf(path);
    lbFixPoints->clear();
    Shape1->hide();

    CameraFileContents contents;
    try {
        contents = ReadCameraFile(ResolveCameraPath(path));
    } catch (const CameraFileError& e) {
        MessageDlg(Q("Unable to open or read file " + path + "\r" + e.what()), "File Error",
                   MsgIcon::Error, mbOK);
        {
            QSignalBlocker block(cbCameras);
            cbCameras->setCurrentIndex(-1);
        }
        SetBatchEnabled(false);
        return;
    }

    FreeHotPixelList();
    hotPixels_ = std::make_unique<HotPixelList>(std::move(contents.records));

    // The box keeps its entries in alphabetical order of their texts.
    std::vector<std::pair<std::string, std::int32_t>> entries;
    entries.reserve(contents.marked.size());
    for (const MarkedPoint& p : contents.marked)
        entries.emplace_back(FixPointText(p.x, p.y), FixPointValue(p.x, p.y));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return CompareText(a.first, b.first) < 0;
    });
    lbFixPoints->setUpdatesEnabled(false);
    for (const auto& [text, value] : entries) {
        auto* item = new QListWidgetItem(Q(text));
        item->setData(Qt::UserRole, value);
        lbFixPoints->addItem(item);
    }
    lbFixPoints->setUpdatesEnabled(true);

    setWindowTitle(Q("Vorantel - " + currentCameraName_));
    int index = findCameraName(Q(currentCameraName_));
    if (index < 0) index = addCameraName(Q(currentCameraName_));
    {
        QSignalBlocker block(cbCameras);
        cbCameras->setCurrentIndex(index);
    }
    SetBatchEnabled(cbCameras->currentIndex() >= 0);
}

void TForm1::cbCamerasChange() {
    if (cbCameras->currentIndex() >= 0)
        LoadCameraFile(cameraDir_ + S(cbCameras->currentText()) + ".cam");
    else
        lbFixPoints->clear();
    ClearPhoto();
    RefreshCommandStates();
}

void TForm1::OpenExistingCameraFile1Click() {
    SetActiveTab(PageControl1, 0);
    ClearImgHalo();
    FileDialogRequest request;
    request.filter = "Camera Files|*.cam";
    request.initialDir = odCamera.initialDir;
    FileDialogResult result = dialogs().openFile(request);
    if (result.accepted && !result.files.isEmpty()) {
        odCamera.lastPickedDir = Q(ExtractFilePath(S(result.files.first())));
        LoadCameraFile(S(result.files.first()));
    }
    RefreshCommandStates();
}

void TForm1::DeleteCamera() {
    if (cbCameras->currentIndex() < 0) return;
    int answer =
        MessageDlg("Are you sure you want to delete camera: \"" + cbCameras->currentText() + "?\"",
                   "Confirmation", MsgIcon::Question, mbYes | mbNo, mbNo);
    if (answer != mbYes) return;
    // Every file that names the camera goes, or a twin differing only in
    // letter case would bring it back at the next start.
    for (const std::string& file : CameraFilesOf(cameraDir_, currentCameraName_))
        DeleteFileAt(file);
    {
        QSignalBlocker block(cbCameras);
        cbCameras->removeItem(cbCameras->currentIndex());
        cbCameras->setCurrentIndex(-1);
    }
    cbCamerasChange();
    cbCameras->update();
}

// --------------------------------------------------------------------------
// Blackshot analysis

int TForm1::AnalyzeBlackshot(int threshold) {
    btnFixSingle->setEnabled(false);
    lbFixPoints->clear();
    const Bitmap* shown = Image1->Picture().bitmap();
    if (!shown) throw BlackshotSizeError("There is no blackshot to analyse.");
    // The analysis keeps what it has repaired to itself; the displayed
    // blackshot stays as it is.
    BlackshotResult result;
    {
        WindowProgress progress(Label1, ProgressBar1);
        result = AnalyzeBlackshotBitmap(*shown, threshold, progress);
    }
    if (result.outcome == BlackshotOutcome::ClusterTooLarge)
        MessageDlg(Q(BlackshotErrorText()), kBlackshotErrorCaption, MsgIcon::Error, mbOK);

    if (result.outcome != BlackshotOutcome::Lines || result.lines.empty()) {
        QSignalBlocker block(cbCameras);
        cbCameras->setCurrentIndex(-1);
        return result.highestLuminance;
    }

    // The camera's file, named as typed; a file whose name differs only in
    // letter case already stands for this camera and is the one replaced.
    const std::string path = cameraDir_ + currentCameraName_ + ".cam";
    try {
        WriteCameraFile(CameraFilePath(cameraDir_, currentCameraName_), result.lines);
        // The list holds each name once, letter case aside.
        int found = findCameraName(Q(currentCameraName_));
        if (found < 0) found = addCameraName(Q(currentCameraName_));
        {
            QSignalBlocker block(cbCameras);
            cbCameras->setCurrentIndex(found);
        }
        LoadCameraFile(path);
    } catch (const std::exception& e) {
        MessageDlg(Q(CameraWriteErrorText(path, e.what())), kFileErrorCaption, MsgIcon::Error,
                   mbOK);
        QSignalBlocker block(cbCameras);
        cbCameras->setCurrentIndex(-1);
        return result.highestLuminance;
    }
    ProgressBar1->setValue(0);
    Label1->setText("Done");
    MessageDlg(Q(CameraDefinedText(currentCameraName_)), kCameraDefinedCaption, MsgIcon::None,
               mbOK);
    return result.highestLuminance;
}

void TForm1::DefineCameraFromBlackshot() {
    const int threshold = seThresholdValue;
    const int highest = AnalyzeBlackshot(threshold);
    switch (BlackshotFollowUpOf(highest, cbCameras->currentIndex() >= 0)) {
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

void TForm1::NewCamera1Click() {
    NewCameraForm->cbInCamera->clear();
    for (int i = 0; i < cbCameras->count(); ++i)
        NewCameraForm->cbInCamera->addItem(cbCameras->itemText(i));
    NewCameraForm->cbInCamera->setCurrentIndex(-1);
    NewCameraForm->cbInCamera->setEditText(QString());
    NewCameraForm->btnCameraName->setEnabled(false);
    if (dialogs().execModal(*NewCameraForm) != QDialog::Accepted) return;
    const std::string name = S(NewCameraForm->cbInCamera->currentText());
    // The dialog checks the name; a name that slipped past it never reaches
    // the file system.
    if (const std::string problem = CameraNameError(name); !problem.empty()) {
        MessageDlg(Q(problem), "New Camera", MsgIcon::Warning, mbOK);
        return;
    }
    currentCameraName_ = name;
    EnterNewCamera();
}

void TForm1::EnterNewCamera() {
    if (findCameraName(Q(currentCameraName_)) >= 0) {
        int answer = MessageDlg(Q("There is already a camera named " + currentCameraName_ +
                                  ". Do you want to replace it?"),
                                "Replace Camera?", MsgIcon::Question, mbYes | mbNo, mbNo);
        if (answer != mbYes) return;
    }
    FileDialogRequest request;
    request.title = "Open the camera's blackshot";
    request.filter = GraphicFilter;
    request.initialDir = odSingleShot.initialDir;
    FileDialogResult chosen = dialogs().openFile(request);
    {
        std::unique_ptr<WaitCursor> wait;
        if (chosen.accepted && !chosen.files.isEmpty()) {
            const std::string path = S(chosen.files.first());
            odSingleShot.lastPickedDir = Q(ExtractFilePath(path));
            ClearImgHalo();
            SetActiveTab(PageControl1, 0);
            lbBatchList->clear();
            BatchPaths.clear();
            Label1->setText("Loading blackshot...");
            Label1->repaint();
            wait = std::make_unique<WaitCursor>();
            try {
                Bitmap picture = PictureLoader(path).picture;
                NewCameraFlag = true;
                Image1->ResetEffects();
                Image1->setPictureOriginal(std::move(picture).convertedTo24());
                ScrollBox1->horizontalScrollBar()->setValue(0);
                ScrollBox1->verticalScrollBar()->setValue(0);
                Image1->ResetEffects();
                NewCameraForm->seThreshold->interpretText();
                seThresholdValue = NewCameraForm->ThresholdValue();
                DefineCameraFromBlackshot();
            } catch (const std::exception& e) {
                ReportUnreadable(path, e);
                QSignalBlocker block(cbCameras);
                cbCameras->setCurrentIndex(-1);
            }
        }
        SetBatchEnabled(cbCameras->currentIndex() >= 0);
        // The view keeps showing the blackshot, but it is no photograph to
        // repair or store.
        Image1->ForgetPhotograph();
        NewCameraFlag = false;
        Label1->clear();
        UnsavedChanges = false;
    }
    setStatusText(QString());
    RefreshCommandStates();
}

} // namespace vt::gui
