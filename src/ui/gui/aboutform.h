// The About box: product name, version and date of the executable, the
// libraries Vorantel is built on, and how to reach its maker.
#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vt::gui {

class TAboutForm : public QDialog {
    Q_OBJECT
  public:
    // releaseText: what lblCurrent_Release shows; by default the running
    // executable's version and date.
    explicit TAboutForm(QWidget* parent = nullptr);
    TAboutForm(const QString& releaseText, QWidget* parent);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* lblCurrent_Release = nullptr;
    QPlainTextEdit* Memo2 = nullptr; // acknowledgements
    QPlainTextEdit* Memo1 = nullptr; // contact
    QPushButton* OKButton = nullptr;

    // The running executable's version, three blanks and its date.
    static QString CurrentReleaseText();

  public slots:
    // OK is the default and the cancel button: Escape closes with OK too.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace vt::gui
