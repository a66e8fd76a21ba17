// The main window: tool bar, the Camera, Batch and Retouch tabs, the photo
// view, menus and status bar; it owns the current camera's hot-pixel list,
// the photo state and the photo lists, and keeps every command's state in
// step with them.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "camera/camerafile.h"
#include "effects/gui/retouchhost.h"
#include "effects/undolist.h"
#include "imageio/fileformatlist.h"
#include "platform/bitmap.h"
#include "repair/gui/droplist.h"

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;

namespace vt::gui {

class TRaDuvir;
class THaloGrid;
class TShape;
class TBrushSwatch;
class TRetouchView;
class TRetouchTab;
class TEffectsForm;
class TTipDialog;
class TNewCameraForm;
class TDropList;
class TBatchRun;
class TFormMemory;

// Start folder of an open dialog, and the folder of the last file picked in
// it during this run.
struct OpenDialogState {
    QString initialDir;
    QString lastPickedDir; // empty until a file was picked
};

class TForm1 : public QMainWindow, private TRetouchHost {
    Q_OBJECT
  public:
    // programDir: where "Vorantel.ini" and the camera library live (with or
    // without trailing separator). args: the command-line arguments after
    // the program name.
    explicit TForm1(const std::string& programDir, const QStringList& args = {},
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // --- Start-up and shutdown.
    void FormCreate();
    void FormDestroy();
    void SetBatchEnabled(bool enabled);

    // --- Command states and photo state.
    void RefreshCommandStates() override;
    void PictureChanged();
    void ClearPhoto();
    void ClearImgHalo() override;

    // --- Camera library.
    void LoadCameraFile(const std::string& path);
    void FreeHotPixelList();
    void cbCamerasChange();
    void OpenExistingCameraFile1Click();
    void DeleteCamera();

    // --- Menu and tool-bar handlers.
    void File1Click();
    void Edit1Click();
    void PageControl1Change();
    void DeleteItems1Click();
    void HelpTopics1Click();
    void ShowNextTip1Click();
    void NewCamera1Click();
    void sbOpenFileClick();
    void sbSaveClick();
    void sbFixClick();
    void sbUndoClick();
    void btnRetouchClick();
    void btnResetClick();
    void SaveRetouchedPhotograph1Click();
    void SavePhotographAs1Click();
    void LocateFile1Click();
    void AboutVorantel1Click();
    void JointheTarnwickForum1Click();
    void lbFixPointsClick();

    // --- Blackshot analysis.
    // Analyses the displayed blackshot for the current camera name; writes,
    // selects and loads the camera. Returns the highest luminance found.
    int AnalyzeBlackshot(int threshold);
    // Runs the analysis with the New Camera dialog's threshold and shows the
    // follow-up messages.
    void DefineCameraFromBlackshot();
    // The threshold chosen for the camera being defined.
    int seThresholdValue = 30;
    // The camera being defined (set before the analysis).
    void setCurrentCameraName(const std::string& name) { currentCameraName_ = name; }

    // --- New camera.
    void EnterNewCamera();
    TNewCameraForm* NewCameraForm = nullptr;

    // --- Retouching: the Camera tab's marker, magnifier, brush and undo,
    // and the Retouch tab's list, effects and Restore.
    TRetouchView* RetouchView = nullptr;
    TRetouchTab* RetouchTab = nullptr;
    TEffectsForm* EffectsForm = nullptr;

    // --- Single-photo repair and storing.
    void OpenPhotoForRepair();
    // Loads, shows and prepares a photo for repair, as after the open
    // dialog; false (after telling the user) when it cannot be read.
    bool LoadPhotoForRepair(const std::string& path);
    // Opens the photo named on the command line, if any (once the window
    // shows).
    void OpenCommandLinePhoto();
    void btnFixSingleClick();
    void SetSaveFilterFromDestination();
    // Stores the displayed picture under the destination path; returns the
    // path written, or an empty string when the JPEG could not be written
    // (reported to the user already).
    std::string StorePhoto();
    // Asks "Save?" for the displayed photo's changes. True lets the caller
    // go on (saved, or not wanted); false asks it to stop and keep the photo
    // and its changes (Cancel, or no save happened).
    bool PromptSaveChanges() override;
    int sdSaveJPEGFilterIndex = 1;

    // --- Batch run (its flow lives in TBatchRun).
    TBatchRun* BatchRun = nullptr;
    bool BatchRunning() const;
    // Called by the run as it starts and ends: while it runs, nothing that
    // touches the batch list, the camera or the photo can be used, and Stop
    // stands in place of Fix.
    void BatchStarted();
    void BatchEnded();

    // --- Photo lists.
    void btnAddImagesToListClick();
    void AddToRetouchList(const std::string& path);
    bool DeleteSelectedItems(QListWidget* list);
    void LocateInExplorer();
    bool ddfxBatchDragEnter();
    void ddfxBatchProcessDropped(const QStringList& files);
    void ddfxRetouchProcessDropped(const QStringList& files);
    // The full path a retouch-list entry owns ("" without one).
    static std::string RetouchPathOf(const QListWidgetItem* item);

    // The open dialogs' filter of graphic files and the save dialog's.
    static const char* const GraphicFilter;
    static const char* const SaveFilter;

    // Shows a file in the desktop's file manager; false when nothing could
    // be started. Replaceable for tests.
    std::function<bool(const std::string&)> FileLocator;

    // Reads a photograph or blackshot with its metadata; replaceable for
    // tests.
    std::function<Photo(const std::string&)> PictureLoader;

    // --- State shared with the flows.
    const std::string& ProgramDir() const { return programDir_; }
    const std::string& CameraDir() const { return cameraDir_; }
    const std::string& CurrentCameraName() const { return currentCameraName_; }
    const HotPixelList* HotPixels() const { return hotPixels_.get(); }
    std::string DestinationPath;
    // The file the displayed photo was read from, and what it carries
    // besides its pixels, for the stored copy.
    std::string PhotoSource;
    vt::PhotoMetadata SourceMetadata;
    bool UnsavedChanges = false;
    bool NewCameraFlag = false;
    std::vector<std::string> BatchPaths;
    // Paints recorded by the magnifier.
    TUndoList UndoList;
    OpenDialogState odSingleShot;
    OpenDialogState odImageFile;
    OpenDialogState odCamera;
    TTipDialog* TipDialog1 = nullptr;
    TFormMemory* FormMemory1 = nullptr;

    // --- Controls, named as in the window's design.
    QWidget* Panel1 = nullptr;
    QToolButton* sbNewCamera = nullptr;
    QToolButton* sbOpenFile = nullptr;
    QToolButton* sbSave = nullptr;
    QToolButton* sbUndo = nullptr;
    QToolButton* sbFix = nullptr;
    QToolButton* sbEffects = nullptr;
    QToolButton* sbDelete = nullptr;
    QToolButton* sbReset = nullptr;
    QToolButton* sbHelp = nullptr;

    QTabWidget* PageControl1 = nullptr;
    QWidget* tsCamera = nullptr;
    QWidget* pnlCamera = nullptr;
    QWidget* tsBatch = nullptr;
    QWidget* tsRetouch = nullptr;

    QLabel* lblCameras = nullptr;
    QComboBox* cbCameras = nullptr;
    QListWidget* lbFixPoints = nullptr;
    THaloGrid* imgHalo = nullptr;
    TBrushSwatch* imgBrush = nullptr;
    QLabel* imgBrushIcon = nullptr;
    QLabel* imgColorIcon = nullptr;
    QPushButton* btnFixSingle = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    TDropList* lbBatchList = nullptr;
    QPushButton* btnAddImagesToList = nullptr;
    QPushButton* btnFixBatch = nullptr;
    QPushButton* btnStopBatch = nullptr;
    QLabel* lblFileName = nullptr;
    QLabel* lblBatchProgress = nullptr;
    QProgressBar* pbBatchProgress = nullptr;

    TDropList* cbRetouchList = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* btnRetouch = nullptr;
    QPushButton* btnReset = nullptr;

    QScrollArea* ScrollBox1 = nullptr;
    TRaDuvir* Image1 = nullptr;
    TShape* Shape1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusText = nullptr;

    QMenu* File1 = nullptr;
    QAction* NewCamera1 = nullptr;
    QAction* OpenExistingCameraFile1 = nullptr;
    QAction* AnalyzePhotograph1 = nullptr;
    QAction* SaveRetouchedPhotograph1 = nullptr;
    QAction* SavePhotographAs1 = nullptr;
    QAction* LocateFile2 = nullptr;
    QAction* Quit1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* DeleteItems1 = nullptr;
    QAction* Fix1 = nullptr;
    QAction* Effects1 = nullptr;
    QAction* Reset1 = nullptr;
    QAction* Undo1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* HelpTopics1 = nullptr;
    QAction* ShowNextTip1 = nullptr;
    QAction* AboutVorantel1 = nullptr;
    QAction* JointheTarnwickForum1 = nullptr;

    QMenu* pmBatch = nullptr;
    QAction* DeleteItems2 = nullptr;
    QAction* LocateFile1 = nullptr;
    QAction* Effects2 = nullptr;
    bool pmBatchAutoPopup = true;
    QMenu* pmHalo = nullptr;
    QAction* SetBrush1 = nullptr;
    QAction* SelectAColor1 = nullptr;

    QTimer* Timer1 = nullptr;
    QTimer* cbRetouchTimer = nullptr;

    // The status bar's one text.
    QString statusText() const;
    void setStatusText(const QString& text);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // What the retouch flows need of the window.
    bool HasUnsavedChanges() const override { return UnsavedChanges; }
    void SetUnsavedChanges(bool changed) override { UnsavedChanges = changed; }
    std::string CurrentDestination() const override { return DestinationPath; }
    Photo LoadPhoto(const std::string& path) override { return PictureLoader(path); }
    void SetRetouchPhotoPath(const std::string& path, PhotoMetadata metadata) override;
    void SetBatchMenuAutoPopup(bool on) override { pmBatchAutoPopup = on; }
    void createRetouch();

    void createControls();
    void createMenus();
    QToolButton* addToolButton(const char* name, const char* hint, const char* icon);
    // Adds name to cbCameras at its sorted place; returns its index.
    int addCameraName(const QString& name);
    int findCameraName(const QString& name) const;
    void showBatchMenu(QWidget* list, const QPoint& pos);
    // Enables lbFixPoints and handles its first entry as a click.
    void SelectFirstFixPoint();
    // The "File Error" box of a photograph or blackshot that cannot be read.
    void ReportUnreadable(const std::string& path, const std::exception& e) override;
    void writeSettings();
    void readSettings();

    std::string programDir_;
    std::string cameraDir_;
    std::string currentCameraName_;
    QStringList args_;
    std::string commandLinePhoto_;
    std::unique_ptr<HotPixelList> hotPixels_;
    bool destroyed_ = false;
    // Enabled states of the controls a batch run locks, to give back.
    std::vector<std::pair<QWidget*, bool>> lockedByBatch_;
};

} // namespace vt::gui
