// The one seam through which every modal interaction passes: message boxes,
// open, save and colour dialogs, modal forms and the error beep. The program
// installs QtDialogs; tests install a scripted double and assert the exact
// texts, captions, buttons and icons.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QFileDialog;
class QWidget;

namespace vt::gui {

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons of a message box (combinable) and the answer it returns.
enum MsgButton : int {
    mbNone = 0,
    mbOK = 1,
    mbCancel = 2,
    mbYes = 4,
    mbNo = 8,
    mbRetry = 16,
    mbAbort = 32,
    mbIgnore = 64,
};

struct MessageBoxRequest {
    QString text; // lines broken with "\r", as the program writes them
    QString caption;
    int buttons = mbOK;
    MsgIcon icon = MsgIcon::None;
    int defaultButton = mbNone; // mbNone: the platform's default
};

struct FileDialogRequest {
    QString title;       // empty: "Open" or "Save As"
    QString filter;      // "Description|*.ext;*.ext2|Other|*.x"
    int filterIndex = 1; // 1-based
    QString initialDir;
    QString fileName;
    QString defaultExt;
    bool multiSelect = false;
    // Save dialogs: the extension per filter index (from 1) that replaces
    // the typed name's extension when the user changes the file type.
    QStringList typeExtensions;
};

// The typed name with its extension replaced by the one of the file type.
QString NameForFileType(const QString& typed, const QStringList& typeExtensions, int filterIndex);

struct FileDialogResult {
    bool accepted = false;
    QStringList files;
    int filterIndex = 1;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Returns the button pressed; closing the box counts as mbCancel when it
    // has one, otherwise as mbNo or mbOK.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual FileDialogResult openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QColor> chooseColor(const QColor& initial) = 0;
    // Shows a form modally and returns its result (QDialog::Accepted or
    // Rejected).
    virtual int execModal(QDialog& form) = 0;
    // The platform's error beep.
    virtual void beep() = 0;
};

// The seam in use. Until one is installed, the real dialogs are used.
Dialogs& dialogs();
// Installs a seam (not owned); nullptr returns to the real dialogs.
void setDialogs(Dialogs* seam);

// Shorthand for a message box.
int MessageDlg(const QString& text, const QString& caption, MsgIcon icon, int buttons,
               int defaultButton = mbNone);

// The box of an error that reached the event loop: its message under the
// program's name, with the error icon.
void ShowErrorMessage(const QString& message);

// An open dialog's folders: the one it starts in when nothing was picked
// yet (from the settings), and the folder of the last file picked in it
// during this run, where it starts from then on.
struct OpenDialogState {
    QString initialDir;
    QString lastPickedDir; // empty until a file was picked
    QString startDir() const { return lastPickedDir.isEmpty() ? initialDir : lastPickedDir; }
};

// Converts a "Description|*.a;*.b|..." filter into Qt's name filters, each
// showing its patterns once.
QStringList QtNameFilters(const QString& filter);

// Makes a save dialog replace the typed name's extension when the user
// changes the file type.
void ConnectTypeChange(QFileDialog& dlg, const QStringList& typeExtensions);

// The real dialogs of the platform.
class QtDialogs : public Dialogs {
  public:
    int messageBox(const MessageBoxRequest& request) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;
    int execModal(QDialog& form) override;
    void beep() override;
};

} // namespace vt::gui
