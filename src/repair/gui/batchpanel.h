// The Batch tab: the batch list and its run. Every entry of the list holds
// its photo's path; the list shows the photos sorted by name, and a run
// takes them in the order they were added. A run loads, repairs and stores
// every photo of the list in the "Vorantel" folder beside it and moves it to
// the retouch list. The work runs off the window's thread, on as many
// workers as the machine has cores, with the camera it started with; the
// window follows it photo by photo (what is done to which photo, the count
// and the progress of the whole run, each photo as it is stored) and stays
// responsive: Stop, or Escape, ends the run after the photo in hand.
//
// With "Choose each photo's camera by its Exif" ticked, the list takes
// photos whatever camera is chosen and shows beside each one the library
// camera its Exif make and model name; a run repairs each photo with that
// camera and leaves the photos without one on the list, told at the end.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camera/camerachoice.h"
#include "camera/camerafile.h"
#include "imageio/photometadata.h"
#include "platform/bitmap.h"
#include "repair/batch.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vt::gui {

class TDropList;
struct OpenDialogState;

// What the batch panel needs of the window.
class TBatchHost {
  public:
    virtual ~TBatchHost() = default;
    // Re-derives every command's state.
    virtual void RefreshCommandStates() = 0;
    // The current camera's hot pixels; null when no camera was loaded.
    virtual std::shared_ptr<const HotPixelList> HotPixels() const = 0;
    // Whether a camera is chosen: only then may photos be dropped here
    // (unless each photo's Exif chooses its camera).
    virtual bool CameraSelected() const = 0;
    // The camera library's folder, with its trailing separator.
    virtual std::string CameraDirectory() const = 0;
    // Whether the Batch tab is enabled.
    virtual bool BatchEnabled() const = 0;
    // Whether the displayed photo may give way: "Save?" for its unsaved
    // changes; false when the user cancelled.
    virtual bool MayReplacePhoto() = 0;
    // A photo of the run, repaired and about to be stored, becomes the
    // displayed one, with the file it came from, what that file carries
    // and where it is stored.
    virtual void ShowStoredPhoto(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                                 const std::string& destination,
                                 std::shared_ptr<const HotPixelList> repairedWith) = 0;
    // How the displayed photo was stored ("" when nothing needs saying).
    virtual void ShowStoreMode(const std::string& mode) = 0;
    // Whether a repaired JPEG keeps its JPEG quality when stored as JPEG.
    virtual bool KeepJpegQuality() const = 0;
    // Nothing displayed.
    virtual void ClearPhoto() = 0;
    // Empties the magnifier and the undo list.
    virtual void ClearImgHalo() = 0;
    virtual void AddToRetouchList(const std::string& path) = 0;
    // While a run goes on, nothing that would touch the camera, the photo
    // or the lists can be used, and Escape stops the run.
    virtual void LockForRun(bool running) = 0;
};

class TBatchPanel : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        TDropList* lbBatchList = nullptr;
        QPushButton* btnAddImagesToList = nullptr;
        QPushButton* btnFixBatch = nullptr;
        QPushButton* btnStopBatch = nullptr;
        QLabel* lblFileName = nullptr;
        QLabel* lblBatchProgress = nullptr;
        QProgressBar* pbBatchProgress = nullptr;
        QCheckBox* cbBatchByExif = nullptr;
    };
    TBatchPanel(const Controls& controls, OpenDialogState& odImageFile, TBatchHost& host,
                QObject* parent = nullptr);
    // A run still going is stopped after its photo in hand and waited for.
    ~TBatchPanel() override;

    // --- The batch list.
    // Adds the files among these that may enter a photo list.
    void AddFiles(const QStringList& files);
    // "Add Images to List" on the Batch tab.
    void btnAddImagesToListClick();
    // Whether a drag of files may drop here.
    bool ddfxBatchDragEnter() const;
    // Deletes the selected entries; true when any went.
    bool DeleteSelected();
    void Clear();
    // The photos' paths in the order they were added.
    std::vector<std::string> Paths() const;
    int Count() const;
    bool HasSelection() const;

    // --- The camera of each photo.
    // Whether each photo's Exif chooses its camera (cbBatchByExif ticked).
    bool ByExif() const;
    void SetByExif(bool on);
    // The camera chosen on the Camera tab changed: the list, made for the
    // camera before, is emptied; photos whose Exif chooses their camera
    // stay, matched again.
    void CameraChanged();
    // Matches the listed photos with the library's cameras again (when
    // their Exif chooses them) and shows each one's camera.
    void MatchCameras();

    // --- The run.
    // Fix on the Batch tab: starts a run over the list.
    void btnFixBatchClick();
    // Ends the run after the photo in hand.
    void Stop();
    bool Running() const { return running_; }
    // Handles the window's events until the run has ended.
    void WaitForEnd();

    // Photos worked on at once; 0: one per processor core.
    unsigned Workers = 0;
    // Starts the thread that runs the batch; empty: std::thread. For tests.
    std::function<std::thread(std::function<void()>)> StartThread;

  signals:
    void Finished();

  private:
    class Observer;
    // An entry of the run: its photo and the list entry it came from.
    struct Entry {
        unsigned long long order = 0;
        std::string path;
    };
    std::vector<Entry> Entries() const;
    // One camera for every photo, or (choices) a camera per photo.
    void Begin(std::vector<Entry> entries, std::shared_ptr<const HotPixelList> camera,
               std::unique_ptr<CameraChoices> choices);
    void End();
    // Takes the entry of the run's photo off the list.
    void RemoveFromList(std::size_t index);
    QString NameOf(std::size_t index) const;
    // The hot pixels the run repairs the photo with (null: none).
    std::shared_ptr<const HotPixelList> CameraOf(std::size_t index) const;
    // Shows which photo is in hand, or that the run stops after it.
    void ShowStep(const QString& text);
    void ShowStep(const char* step, std::size_t index);
    // The camera each photo's Exif chooses ("" for none).
    std::vector<std::string> CamerasOf(const std::vector<std::string>& paths) const;
    // A list entry's text: the file name, with its camera when each photo's
    // Exif chooses it.
    QString EntryText(const std::string& path, const std::string& camera) const;
    // Shows every entry with its camera (by the entry's order of adding),
    // keeping the list sorted and its selection.
    void ShowCameras(const std::map<unsigned long long, std::string>& cameras);
    void ShowRunProgress(std::size_t index, int position, int maximum);

    Controls c_;
    OpenDialogState& odImageFile_;
    TBatchHost& host_;
    unsigned long long nextOrder_ = 0;

    std::vector<Entry> run_;
    std::shared_ptr<const HotPixelList> camera_;
    std::unique_ptr<CameraChoices> choices_;
    // Photos of the run left alone for want of a camera, told at the end.
    std::vector<std::size_t> notRepaired_;
    std::unique_ptr<Observer> observer_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    bool failed_ = false;
    std::size_t inHand_ = 0;
    // Photos not stored because their files are damaged, told at the end.
    std::vector<std::string> damaged_;
};

} // namespace vt::gui
