// The main window: tool bar, the Camera, Batch and Retouch tabs, the photo
// view, menus and status bar. It holds the controls and routes every menu
// item and tool button to the panel that does the work: the camera library
// (TCameraPanel), the displayed photo (TPhotoSession), the batch list and
// its run (TBatchPanel), the retouch view and the Retouch tab. It keeps the
// settings, derives every command's state, and implements what each panel
// asks of the window.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "camera/gui/camerapanel.h"
#include "effects/gui/retouchhost.h"
#include "imageio/fileformatlist.h"
#include "platform/gui/dialogs.h"
#include "repair/gui/batchpanel.h"
#include "repair/gui/droplist.h"
#include "repair/gui/photosession.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QShortcut;
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
class TPhotoZoom;
class TRetouchTab;
class TEffectsForm;
class TTipDialog;
class TDropList;
class TFormMemory;

class TForm1 : public QMainWindow,
               private TCameraHost,
               private TPhotoHost,
               private TBatchHost,
               private TRetouchHost {
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
    void SetBatchEnabled(bool enabled) override;
    // Opens the photo named on the command line, if any (once the window
    // shows).
    void OpenCommandLinePhoto();
    // Closing, as File > Quit and the window's close button ask for it:
    // a batch run is stopped and waited for, unsaved changes are asked
    // about, then the window closes. A request while one is being answered
    // is ignored: the question on screen is the one to answer. Returns
    // whether the window closed.
    bool RequestClose();

    // --- Command states and the displayed picture.
    void RefreshCommandStates() override;
    void PictureChanged();
    void ClearPhoto() override;
    void ClearImgHalo() override;

    // --- Menu and tool-bar handlers, routed by the active tab.
    void File1Click();
    void Edit1Click();
    void PageControl1Change();
    void DeleteItems1Click();
    void HelpTopics1Click();
    void ShowNextTip1Click();
    void sbOpenFileClick();
    void sbSaveClick();
    void sbFixClick();
    void btnAddImagesToListClick();
    void AboutVorantel1Click();
    void JointheTarnwickForum1Click();

    // --- The panels.
    TCameraPanel* CameraPanel = nullptr;
    TPhotoSession* Photo = nullptr;
    TBatchPanel* BatchPanel = nullptr;
    TRetouchView* RetouchView = nullptr;
    TPhotoZoom* Zoom = nullptr;
    TRetouchTab* RetouchTab = nullptr;
    TEffectsForm* EffectsForm = nullptr;

    // Reads a photograph or blackshot with its metadata; replaceable for
    // tests.
    std::function<vt::Photo(const std::string&)> PictureLoader;

    const std::string& ProgramDir() const { return programDir_; }
    OpenDialogState odSingleShot;
    OpenDialogState odImageFile;
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
    QCheckBox* cbBatchByExif = nullptr;

    TDropList* cbRetouchList = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* btnRetouch = nullptr;
    QPushButton* btnReset = nullptr;

    QScrollArea* ScrollBox1 = nullptr;
    TRaDuvir* Image1 = nullptr;
    TShape* Shape1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusText = nullptr;
    QLabel* ZoomLabel = nullptr;

    QMenu* File1 = nullptr;
    QAction* NewCamera1 = nullptr;
    QAction* NewCameraFromPhotos1 = nullptr;
    QAction* OpenExistingCameraFile1 = nullptr;
    QAction* AnalyzePhotograph1 = nullptr;
    QAction* SaveRetouchedPhotograph1 = nullptr;
    QAction* SavePhotographAs1 = nullptr;
    QAction* KeepJpegQuality1 = nullptr;
    QAction* LocateFile2 = nullptr;
    QAction* Quit1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* DeleteItems1 = nullptr;
    QAction* Fix1 = nullptr;
    QAction* Effects1 = nullptr;
    QAction* Reset1 = nullptr;
    QAction* Undo1 = nullptr;
    QMenu* View1 = nullptr;
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
    // Escape stops a batch run; it is live only while one runs.
    QShortcut* StopBatchShortcut = nullptr;

    // The status bar's one text.
    QString statusText() const;
    void SetStatusText(const QString& text) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // --- What the panels ask of the window.
    bool MayReplacePhoto() override;
    vt::Photo LoadPhoto(const std::string& path) override { return PictureLoader(path); }
    std::shared_ptr<const HotPixelList> HotPixels() const override;
    void AddToRetouchList(const std::string& path) override;
    // Camera panel.
    void ClearBatchList() override;
    void CamerasChanged() override;
    void ShowBlackshot(Bitmap picture) override;
    void ShowCameraTab() override;
    void ShowCameraName(const std::string& name) override;
    // Photo session.
    void GoToFirstHotPixel() override;
    bool CameraTabActive() const override;
    // Batch panel.
    bool CameraSelected() const override;
    std::string CameraDirectory() const override;
    bool BatchEnabled() const override;
    void ShowStoredPhoto(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                         const std::string& destination,
                         std::shared_ptr<const HotPixelList> repairedWith) override;
    void ShowStoreMode(const std::string& mode) override;
    bool KeepJpegQuality() const override;
    void LockForRun(bool running) override;
    // Retouch view and tab.
    void SetUnsavedChanges(bool changed) override;
    std::string CurrentDestination() const override;
    void ShowRetouchPhoto(const std::string& path, vt::Photo photo) override;
    void SetBatchMenuAutoPopup(bool on) override { pmBatchAutoPopup = on; }

    void createControls();
    void createMenus();
    void createPanels();
    QToolButton* addToolButton(const char* name, const char* hint, const char* icon);
    void showBatchMenu(QWidget* list, const QPoint& pos);
    // Stops a batch run, waits for it, and asks about unsaved changes; true
    // when nothing keeps the window open.
    bool MayClose();
    void writeSettings();
    void readSettings();

    std::string programDir_;
    QStringList args_;
    std::string commandLinePhoto_;
    bool destroyed_ = false;
    // A close is being asked about (or waits for a run to stop); requests
    // meanwhile are ignored.
    bool closing_ = false;
    // The close was asked about and may now happen.
    bool mayClose_ = false;
    // Enabled states of the controls a batch run locks, to give back.
    std::vector<std::pair<QWidget*, bool>> lockedByBatch_;
};

} // namespace vt::gui
