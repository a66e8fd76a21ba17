// The window that invites the user to join the maker's forum and opens its
// sign-up page in the browser.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vt::gui {

class TJoinForumForm : public QDialog {
    Q_OBJECT
  public:
    // Reads the sign-up address from the program's registry key.
    explicit TJoinForumForm(QWidget* parent = nullptr);

    // The forum's sign-up address.
    QString Address;

    QLabel* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* btnRegister = nullptr;
    QLabel* lblNarrative = nullptr;

    // The join button: thanks the user, opens the address in the browser
    // (offering Retry, or the address on the clipboard, when that fails) and
    // closes the window.
    void btnRegisterClick();
};

} // namespace vt::gui
