#include "platform/gui/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

namespace vt::gui {

namespace {
Dialogs* g_seam = nullptr;

QWidget* ActiveParent() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}
} // namespace

Dialogs& dialogs() {
    static QtDialogs real;
    return g_seam ? *g_seam : real;
}

void setDialogs(Dialogs* seam) {
    g_seam = seam;
}

void ShowErrorMessage(const QString& message) {
    MessageDlg(message, "Vorantel", MsgIcon::Error, mbOK);
}

int MessageDlg(const QString& text, const QString& caption, MsgIcon icon, int buttons,
               int defaultButton) {
    return dialogs().messageBox({text, caption, buttons, icon, defaultButton});
}

namespace {
// The patterns of a "*.a;*.b" list or of a description's "(*.a; *.b)".
QStringList Patterns(const QString& list) {
    static const QRegularExpression separators("[;\\s]+");
    return list.split(separators, Qt::SkipEmptyParts);
}
} // namespace

QStringList QtNameFilters(const QString& filter) {
    // The toolkit takes a filter's patterns from the parenthesised,
    // blank-separated list at the end of its text. A description that
    // already ends in its own patterns ("Bitmap (*.bmp)") gets them in that
    // form instead of a second list after them.
    static const QRegularExpression trailingList("^(.*\\S)\\s*\\(([^()]*)\\)\\s*$");
    QStringList parts = filter.split('|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QStringList patterns = Patterns(parts[i + 1]);
        const QRegularExpressionMatch m = trailingList.match(description);
        if (m.hasMatch() && Patterns(m.captured(2)) == patterns)
            result << m.captured(1) + " (" + patterns.join(' ') + ")";
        else
            result << description + " (" + patterns.join(' ') + ")";
    }
    return result;
}

int QtDialogs::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(ActiveParent());
    QString text = request.text;
    text.replace("\r\n", "\n").replace('\r', '\n');
    box.setText(text);
    box.setWindowTitle(request.caption);
    switch (request.icon) {
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::None:
        break;
    }
    struct Map {
        int ours;
        QMessageBox::StandardButton qt;
    };
    const Map map[] = {{mbOK, QMessageBox::Ok},        {mbCancel, QMessageBox::Cancel},
                       {mbYes, QMessageBox::Yes},      {mbNo, QMessageBox::No},
                       {mbRetry, QMessageBox::Retry},  {mbAbort, QMessageBox::Abort},
                       {mbIgnore, QMessageBox::Ignore}};
    QMessageBox::StandardButtons buttons;
    for (const Map& m : map)
        if (request.buttons & m.ours) buttons |= m.qt;
    if (!buttons) buttons = QMessageBox::Ok;
    box.setStandardButtons(buttons);
    for (const Map& m : map)
        if (request.defaultButton == m.ours) box.setDefaultButton(m.qt);
    int pressed = box.exec();
    for (const Map& m : map)
        if (pressed == m.qt) return m.ours;
    if (request.buttons & mbCancel) return mbCancel;
    if (request.buttons & mbNo) return mbNo;
    return mbOK;
}

namespace {
// A dialog without a title of its own is called as the platform's common
// dialogs are: "Open" or "Save As".
void Prepare(QFileDialog& dlg, const FileDialogRequest& request, const char* defaultTitle) {
    dlg.setWindowTitle(request.title.isEmpty() ? QString(defaultTitle) : request.title);
    dlg.setNameFilters(QtNameFilters(request.filter));
    QStringList filters = dlg.nameFilters();
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[request.filterIndex - 1]);
    dlg.setDirectory(request.initialDir);
    if (!request.fileName.isEmpty()) dlg.selectFile(request.fileName);
    if (!request.defaultExt.isEmpty()) dlg.setDefaultSuffix(request.defaultExt);
}

FileDialogResult Finish(QFileDialog& dlg, int code) {
    FileDialogResult r;
    r.accepted = code == QDialog::Accepted;
    if (r.accepted) r.files = dlg.selectedFiles();
    r.filterIndex = int(dlg.nameFilters().indexOf(dlg.selectedNameFilter())) + 1;
    return r;
}
} // namespace

FileDialogResult QtDialogs::openFile(const FileDialogRequest& request) {
    QFileDialog dlg(ActiveParent());
    Prepare(dlg, request, "Open");
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    return Finish(dlg, dlg.exec());
}

QString NameForFileType(const QString& typed, const QStringList& typeExtensions, int filterIndex) {
    if (typeExtensions.isEmpty()) return typed;
    int slash = int(typed.lastIndexOf('/'));
    int dot = int(typed.lastIndexOf('.'));
    QString base = dot > slash ? typed.left(dot) : typed;
    int i = std::clamp(filterIndex, 1, int(typeExtensions.size()));
    return base + typeExtensions[i - 1];
}

void ConnectTypeChange(QFileDialog& dlg, const QStringList& typeExtensions) {
    if (typeExtensions.isEmpty()) return;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                     [&dlg, typeExtensions](const QString& filter) {
                         auto* edit = dlg.findChild<QLineEdit*>("fileNameEdit");
                         if (!edit) return;
                         int index = int(dlg.nameFilters().indexOf(filter)) + 1;
                         edit->setText(NameForFileType(edit->text(), typeExtensions, index));
                     });
}

FileDialogResult QtDialogs::saveFile(const FileDialogRequest& request) {
    QFileDialog dlg(ActiveParent());
    Prepare(dlg, request, "Save As");
    ConnectTypeChange(dlg, request.typeExtensions);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    return Finish(dlg, dlg.exec());
}

std::optional<QColor> QtDialogs::chooseColor(const QColor& initial) {
    QColor c = QColorDialog::getColor(initial, ActiveParent());
    if (!c.isValid()) return std::nullopt;
    return c;
}

int QtDialogs::execModal(QDialog& form) {
    return form.exec();
}

void QtDialogs::beep() {
    QApplication::beep();
}

} // namespace vt::gui
