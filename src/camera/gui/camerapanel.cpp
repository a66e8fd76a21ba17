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
#include "camera/photolearner.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "imageio/exiftags.h"
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
    // With no camera chosen the title names none, whatever hot pixels stay
    // loaded for a batch.
    if (index < 0) host_.ShowCameraName("");
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
        MessageDlg(Q(CameraFileFailureText(path, e)), "File Error", MsgIcon::Error, mbOK);
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
    const std::string name = S(list->currentText());
    for (const std::string& file : CameraFilesOf(cameraDir_, name))
        DeleteFileAt(file);
    try {
        ForgetCameraIdentity(cameraDir_, name);
    } catch (const std::exception&) {
        // The record vouches only for the file it was made for, which is
        // gone: left behind, it chooses nothing.
    }
    {
        QSignalBlocker block(list);
        list->removeItem(list->currentIndex());
    }
    selectCamera(-1);
    cbCamerasChange();
    host_.CamerasChanged();
    list->update();
}

// --------------------------------------------------------------------------
// Blackshot analysis

StackResult TCameraPanel::AnalyzeBlackshots(const BlackshotStack& stack,
                                            const BlackshotOptions& options,
                                            const CommonIdentity& identity) {
    c_.btnFixSingle->setEnabled(false);
    c_.lbFixPoints->clear();
    // The analysis keeps what it has repaired to itself; the displayed
    // blackshot stays as it is.
    StackResult result;
    {
        WindowProgress progress(c_.Label1, c_.ProgressBar1);
        result = stack.analyze(options, progress);
    }
    const BlackshotResult& r = result.analysis;
    if (r.outcome == BlackshotOutcome::ClusterTooLarge)
        MessageDlg(Q(BlackshotErrorText()), kBlackshotErrorCaption, MsgIcon::Error, mbOK);
    if (r.outcome != BlackshotOutcome::Lines || r.lines.empty())
        selectCamera(-1);
    else
        StoreCamera(r.lines, identity, StackResultText(result));
    return result;
}

bool TCameraPanel::StoreCamera(const std::vector<std::string>& lines,
                               const CommonIdentity& identity, const std::string& note) {
    // The camera's file, named as typed; a file whose name differs only in
    // letter case already stands for this camera and is the one replaced.
    const std::string path = cameraDir_ + name_ + ".cam";
    try {
        WriteCameraFile(CameraFilePath(cameraDir_, name_), lines);
    } catch (const std::exception& e) {
        MessageDlg(Q(CameraWriteErrorText(path, e.what())), kFileErrorCaption, MsgIcon::Error,
                   mbOK);
        selectCamera(-1);
        return false;
    }
    // Recorded (or, without one, what was recorded for the old file
    // removed) before the camera loads, so that the batch photos chosen by
    // their Exif meet the new camera.
    std::string identityNote;
    try {
        RememberCameraIdentity(cameraDir_, name_, identity.identity);
        identityNote = IdentityNoteText(identity);
    } catch (const std::exception& e) {
        identityNote = std::string("The camera's make and model could not be kept: ") + e.what();
    }
    // The list holds each name once, letter case aside.
    int found = findCameraName(Q(name_));
    if (found < 0) found = addCameraName(Q(name_));
    selectCamera(found);
    LoadCameraFile(path);
    c_.ProgressBar1->setValue(0);
    c_.Label1->setText("Done");
    MessageDlg(Q(CameraDefinedMessage(name_, {note, identityNote})), kCameraDefinedCaption,
               MsgIcon::None, mbOK);
    return true;
}

void TCameraPanel::DefineCamera(const BlackshotStack& stack, const CommonIdentity& identity) {
    BlackshotOptions options;
    options.threshold = seThresholdValue;
    StackResult result = AnalyzeBlackshots(stack, options, identity);
    DefinitionFollowUp next = DefinitionFollowUpOf(result, CameraSelected());
    if (next == DefinitionFollowUp::TryAgain) {
        const int highest = result.analysis.highestLuminance;
        if (MessageDlg(Q(TryAgainText(result.threshold, highest)), kTryAgainCaption,
                       MsgIcon::Question, mbYes | mbNo) == mbYes) {
            options.threshold = highest;
            AnalyzeBlackshots(stack, options, identity);
        }
        return;
    }
    if (next == DefinitionFollowUp::NoisyBlackshot) {
        if (MessageDlg(Q(NoisyBlackshotText(result)), kNoisyBlackshotCaption, MsgIcon::Question,
                       mbYes | mbNo) != mbYes)
            return;
        // At the measured level only the warnings can follow.
        options.autoLevel = true;
        result = AnalyzeBlackshots(stack, options, identity);
        next = DefinitionFollowUpOf(result, CameraSelected());
    }
    if (next == DefinitionFollowUp::NoHotPixels)
        MessageDlg(Q(NoHotPixelsText()), kNoHotPixelsCaption, MsgIcon::Warning, mbOK);
    else if (next == DefinitionFollowUp::NothingAboveNoise)
        MessageDlg(Q(NothingAboveNoiseText(result)), kNoHotPixelsCaption, MsgIcon::Warning, mbOK);
}

void TCameraPanel::DefineCameraFromBlackshot() {
    const Bitmap* shown = std::as_const(*c_.Image1).Picture().bitmap();
    if (!shown) throw BlackshotSizeError("There is no blackshot to analyse.");
    BlackshotStack stack;
    stack.add(*shown);
    DefineCamera(stack, {});
}

// --------------------------------------------------------------------------
// New camera

namespace {

// The camera a file's Exif names; none when it cannot be read (a picture
// handed in by other means than a file).
CameraIdentity IdentityOfFile(const std::string& path) {
    try {
        return IdentityOf(ReadExifTags(path));
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

bool TCameraPanel::AskCameraName(bool withThreshold) {
    TNewCameraForm& form = *NewCameraForm;
    form.cbInCamera->clear();
    for (int i = 0; i < c_.cbCameras->count(); ++i)
        form.cbInCamera->addItem(c_.cbCameras->itemText(i));
    form.cbInCamera->setCurrentIndex(-1);
    form.cbInCamera->setEditText(QString());
    form.btnCameraName->setEnabled(false);
    // A camera learnt from photos has no threshold.
    form.Label1->setEnabled(withThreshold);
    form.seThreshold->setEnabled(withThreshold);
    const int result = dialogs().execModal(form);
    form.Label1->setEnabled(true);
    form.seThreshold->setEnabled(true);
    if (result != QDialog::Accepted) return false;
    const std::string name = S(form.cbInCamera->currentText());
    // The dialog checks the name; a name that slipped past it never reaches
    // the file system.
    if (const std::string problem = CameraNameError(name); !problem.empty()) {
        MessageDlg(Q(problem), "New Camera", MsgIcon::Warning, mbOK);
        return false;
    }
    name_ = name;
    return true;
}

bool TCameraPanel::MayReplaceCamera() {
    if (findCameraName(Q(name_)) < 0) return true;
    return MessageDlg(
               Q("There is already a camera named " + name_ + ". Do you want to replace it?"),
               "Replace Camera?", MsgIcon::Question, mbYes | mbNo, mbNo) == mbYes;
}

QStringList TCameraPanel::AskForFiles(const char* title) {
    FileDialogRequest request;
    request.title = title;
    request.filter = kGraphicFilter;
    request.initialDir = odSingleShot_.startDir();
    request.multiSelect = true;
    const FileDialogResult chosen = dialogs().openFile(request);
    if (!chosen.accepted || chosen.files.isEmpty()) return {};
    odSingleShot_.lastPickedDir = Q(ExtractFilePath(S(chosen.files.first())));
    return chosen.files;
}

void TCameraPanel::NewCamera1Click() {
    if (AskCameraName(true)) EnterNewCamera();
}

void TCameraPanel::NewCameraFromPhotos1Click() {
    if (AskCameraName(false)) EnterNewCameraFromPhotos();
}

void TCameraPanel::EnterNewCamera() {
    if (!MayReplaceCamera()) return;
    const QStringList files = AskForFiles("Open the camera's blackshot");
    // The blackshot takes the displayed photo's place: its changes first.
    if (!files.isEmpty() && host_.MayReplacePhoto()) {
        NewCameraForm->seThreshold->interpretText();
        seThresholdValue = NewCameraForm->ThresholdValue();
        BlackshotStack stack;
        DefineFromFiles(
            files, "blackshot", [&](Bitmap& frame) { stack.add(std::move(frame)); },
            [&](const CommonIdentity& identity) { DefineCamera(stack, identity); });
    }
    // A cancelled dialog leaves the displayed photo as it was, changes and
    // all.
    host_.SetBatchEnabled(CameraSelected());
    host_.RefreshCommandStates();
}

void TCameraPanel::EnterNewCameraFromPhotos() {
    if (!MayReplaceCamera()) return;
    const QStringList files = AskForFiles("Open at least 5 photos of the camera");
    // Too few are told before anything is read or replaced.
    const bool enough = files.size() >= kMinLearnPhotos;
    if (!files.isEmpty() && !enough)
        MessageDlg(Q(TooFewPhotosText(int(files.size()))), kLearnCaption, MsgIcon::Warning, mbOK);
    if (enough && host_.MayReplacePhoto()) {
        PhotoLearner learner;
        DefineFromFiles(
            files, "photo", [&](Bitmap& photo) { learner.add(photo); },
            [&](const CommonIdentity& identity) {
                c_.btnFixSingle->setEnabled(false);
                c_.lbFixPoints->clear();
                LearnResult result;
                {
                    WindowProgress progress(c_.Label1, c_.ProgressBar1);
                    result = learner.learn({}, progress);
                }
                const BlackshotResult& r = result.analysis;
                if (r.outcome == BlackshotOutcome::Lines && !r.lines.empty()) {
                    StoreCamera(r.lines, identity, LearnResultText(result));
                    return;
                }
                selectCamera(-1);
                if (r.outcome == BlackshotOutcome::ClusterTooLarge)
                    MessageDlg(Q(BlackshotErrorText()), kBlackshotErrorCaption, MsgIcon::Error,
                               mbOK);
                else
                    MessageDlg(Q(NothingStoodOutText(result)), kNoHotPixelsCaption,
                               MsgIcon::Warning, mbOK);
            });
    }
    host_.SetBatchEnabled(CameraSelected());
    host_.RefreshCommandStates();
}

void TCameraPanel::DefineFromFiles(const QStringList& files, const char* what,
                                   const std::function<void(Bitmap&)>& add,
                                   const std::function<void(const CommonIdentity&)>& define) {
    host_.ClearImgHalo();
    host_.ShowCameraTab();
    host_.ClearBatchList();
    const int count = int(files.size());
    {
        WaitCursor wait;
        // The file in hand, which a failure names.
        std::string path;
        try {
            std::vector<CameraIdentity> identities;
            for (int i = 0; i < count; ++i) {
                path = S(files[i]);
                c_.Label1->setText(
                    count == 1 ? QString("Loading %1...").arg(what)
                               : QString("Loading %1 %2 of %3...").arg(what).arg(i + 1).arg(count));
                c_.Label1->repaint();
                Photo loaded = host_.LoadPhoto(path);
                identities.push_back(IdentityOfFile(path));
                if (i == 0) {
                    newCamera_ = true;
                    host_.ShowBlackshot(loaded.picture);
                }
                if (!loaded.warnings.empty()) ReportDamaged(path, loaded.warnings);
                add(loaded.picture);
            }
            path = S(files.first());
            define(CommonIdentityOf(identities));
        } catch (const BlackshotMismatchError& e) {
            MessageDlg(Q(FrameRefusedText(path, e.what())), kBlackshotErrorCaption, MsgIcon::Error,
                       mbOK);
            selectCamera(-1);
        } catch (const PhotoMismatchError& e) {
            MessageDlg(Q(FrameRefusedText(path, e.what())), kLearnCaption, MsgIcon::Error, mbOK);
            selectCamera(-1);
        } catch (const LearnInputError& e) {
            MessageDlg(Q(e.what()), kLearnCaption, MsgIcon::Warning, mbOK);
            selectCamera(-1);
        } catch (const std::exception& e) {
            // Unreadable files, sizes the analysis does not take, and any
            // failure of the analysis outside its own writing.
            ReportUnreadable(path, e.what());
            selectCamera(-1);
        }
    }
    // The view keeps showing the first file, but it is no photograph to
    // repair or store.
    if (newCamera_) c_.Image1->ForgetPhotograph();
    newCamera_ = false;
    c_.Label1->clear();
}

} // namespace vt::gui
