// The camera library on the Camera tab: the cameras of the camera folder,
// the current camera and its hot-pixel list (shared, and never changed once
// loaded), opening and deleting camera files, and the two ways to a new
// camera: the New Camera flow that analyses one or several blackshots into
// a camera file, and New Camera from Photos, which learns it from ordinary
// photographs. A new camera remembers the Exif make and model of the files
// it was made from.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "camera/blackshotstack.h"
#include "camera/camerafile.h"
#include "camera/cameraidentity.h"
#include "imageio/fileformatlist.h"
#include "platform/bitmap.h"
#include "platform/gui/dialogs.h"

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

namespace vt::gui {

class TNewCameraForm;
class TRaDuvir;
class TShape;

// What the camera panel needs of the window.
class TCameraHost {
  public:
    virtual ~TCameraHost() = default;
    // Re-derives every command's state.
    virtual void RefreshCommandStates() = 0;
    // The Batch tab, its list and its buttons enabled or not.
    virtual void SetBatchEnabled(bool enabled) = 0;
    // Whether the displayed photo may give way: "Save?" for its unsaved
    // changes; false when the user cancelled.
    virtual bool MayReplacePhoto() = 0;
    // Nothing displayed.
    virtual void ClearPhoto() = 0;
    // Empties the magnifier and the undo list.
    virtual void ClearImgHalo() = 0;
    // The batch list, made for the camera before, is emptied (photos whose
    // camera their Exif chooses stay, matched with the library again).
    virtual void ClearBatchList() = 0;
    // A camera left the library: photos whose camera their Exif chooses are
    // matched with the library again.
    virtual void CamerasChanged() = 0;
    // Reads a blackshot; throws with the reader's message.
    virtual Photo LoadPhoto(const std::string& path) = 0;
    // The blackshot under analysis becomes the displayed picture; it is no
    // photograph to repair or store.
    virtual void ShowBlackshot(Bitmap picture) = 0;
    // Makes the Camera tab the active one.
    virtual void ShowCameraTab() = 0;
    // The window's caption names the current camera ("" for none).
    virtual void ShowCameraName(const std::string& name) = 0;
};

class TCameraPanel : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        QWidget* window = nullptr; // parent of the New Camera dialog
        QComboBox* cbCameras = nullptr;
        QListWidget* lbFixPoints = nullptr;
        QLabel* Label1 = nullptr;
        QProgressBar* ProgressBar1 = nullptr;
        QPushButton* btnFixSingle = nullptr;
        TShape* Shape1 = nullptr;
        TRaDuvir* Image1 = nullptr;
    };
    // programDir: with its trailing separator; the camera folder lies in it.
    TCameraPanel(const Controls& controls, const std::string& programDir,
                 OpenDialogState& odSingleShot, TCameraHost& host, QObject* parent = nullptr);

    // --- The library.
    // Makes the camera folder if it is missing and lists its cameras.
    void FillCameraList();
    // The user chose a camera (or none) in cbCameras: it is loaded, and the
    // displayed photo goes (its changes asked about first; Cancel keeps
    // both, and the camera chosen before).
    void cbCamerasChange();
    // Loads a camera file as the current camera.
    void LoadCameraFile(const std::string& path);
    void FreeHotPixelList();
    void OpenExistingCameraFile1Click();
    void DeleteCamera();
    // The list's index of a name, letter case aside; -1 when it is not
    // there.
    int findCameraName(const QString& name) const;

    // --- New camera.
    void NewCamera1Click();
    // Asks for the blackshots (one or several) and defines the camera from
    // them.
    void EnterNewCamera();
    // File > New Camera from Photos: the New Camera dialog without the
    // threshold, then the photos.
    void NewCameraFromPhotos1Click();
    // Asks for the photos and learns the camera from them.
    void EnterNewCameraFromPhotos();
    // Defines the current camera from the displayed blackshot alone: the
    // analysis with the New Camera dialog's threshold and the questions
    // that follow.
    void DefineCameraFromBlackshot();
    // The camera being defined (set before the analysis).
    void setCurrentCameraName(const std::string& name) { name_ = name; }
    // The threshold chosen for the camera being defined.
    int seThresholdValue = 30;
    TNewCameraForm* NewCameraForm = nullptr;

    // --- State.
    const std::string& CameraDir() const { return cameraDir_; }
    const std::string& CurrentCameraName() const { return name_; }
    std::shared_ptr<const HotPixelList> HotPixels() const { return hotPixels_; }
    bool CameraSelected() const;
    // A new camera is being entered: its blackshot is on view.
    bool NewCameraFlag() const { return newCamera_; }
    OpenDialogState odCamera;

  private:
    // Adds name to cbCameras at its sorted place; returns its index.
    int addCameraName(const QString& name);
    // Selects an entry of cbCameras without running the change handler.
    void selectCamera(int index);

    // The New Camera dialog; false when it was cancelled or its name cannot
    // be a camera's. Otherwise the name is the current camera's.
    bool AskCameraName(bool withThreshold);
    // The replace question when the current name is in the library; false
    // on No.
    bool MayReplaceCamera();
    // The open dialog of a definition (several files may be picked); the
    // files chosen, none when it was cancelled.
    QStringList AskForFiles(const char* title);
    // Loads every file, the first one shown, handing each picture to `add`
    // (which throws to refuse it), then calls `define` with the identity
    // the files share. Failures are told and leave no camera selected; the
    // window is given back in every case. `what` names a file in the
    // loading status ("blackshot", "photo").
    void DefineFromFiles(const QStringList& files, const char* what,
                         const std::function<void(Bitmap&)>& add,
                         const std::function<void(const CommonIdentity&)>& define);
    // Analyses the blackshots with the dialog's threshold and asks or warns
    // as the result calls for.
    void DefineCamera(const BlackshotStack& stack, const CommonIdentity& identity);
    // One analysis; a camera found is stored. Tells a cluster too large.
    StackResult AnalyzeBlackshots(const BlackshotStack& stack, const BlackshotOptions& options,
                                  const CommonIdentity& identity);
    // Writes the lines as the current camera's file, records the identity
    // for it, selects and loads it and says that it is defined, with the
    // note. False (after the error box) when the file cannot be written.
    bool StoreCamera(const std::vector<std::string>& lines, const CommonIdentity& identity,
                     const std::string& note);

    Controls c_;
    OpenDialogState& odSingleShot_;
    TCameraHost& host_;
    std::string cameraDir_;
    std::string name_;
    std::shared_ptr<const HotPixelList> hotPixels_;
    bool newCamera_ = false;
    // The camera whose choice was last carried out ("" for none): a choice
    // given up goes back to it.
    std::string chosen_;
};

} // namespace vt::gui
