// The Retouch tab's flows: the retouch list, whose chosen photo loads after
// a short delay (so only the last of quick clicks loads), the effects
// dialog opened on the displayed photo, and Restore.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <string>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QScrollArea;
class QTimer;

namespace vt::gui {

class TRaDuvir;
class TEffectsForm;
class TRetouchHost;

class TRetouchTab : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        QListWidget* cbRetouchList = nullptr;
        QTimer* cbRetouchTimer = nullptr;
        QPushButton* btnRetouch = nullptr;
        QPushButton* btnReset = nullptr;
        QPushButton* btnFixSingle = nullptr;
        QScrollArea* ScrollBox1 = nullptr;
        TRaDuvir* Image1 = nullptr;
        TEffectsForm* EffectsForm = nullptr;
    };
    // How long a click in the retouch list waits before its photo loads.
    static constexpr int kLoadDelayMs = 450;

    TRetouchTab(const Controls& controls, TRetouchHost& host, QObject* parent = nullptr);

    void cbRetouchListClick();
    // The list lost the focus by the user's own doing (a click elsewhere in
    // the window, Tab): the pending load is given up. A pop-up or another
    // window taking the focus for a while leaves it running.
    void cbRetouchListExit();
    void cbRetouchTimerTimer();
    void btnRetouchClick();
    void btnResetClick();

    // --- The list's entries.
    // Adds a photo, unless the list holds its path already.
    void AddToRetouchList(const std::string& path);
    // Adds the files among these that may enter a photo list.
    void AddFiles(const QStringList& files);
    // Deletes the selected entries; true when any went.
    bool DeleteSelected();
    // The path of the selected entry ("" when none is).
    std::string SelectedPath() const;
    // Shows the selected photo in the desktop's file manager.
    void LocateFile1Click();
    // Shows a file in the file manager; false when nothing could be
    // started. Replaceable for tests.
    std::function<bool(const std::string&)> FileLocator;

    // The full path a retouch-list entry owns ("" without one).
    static std::string PathOf(const QListWidgetItem* item);

  private:
    // After "Save?" was cancelled: the list shows the entry of the photo
    // still displayed (none when it is not listed).
    void SelectDisplayedEntry();

    Controls c_;
    TRetouchHost& host_;
};

} // namespace vt::gui
