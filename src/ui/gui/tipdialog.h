// Tip of the day: the component that holds the tips and whether they show
// at start-up, and the window that shows them.
#pragma once

#include <QDialog>
#include <QFont>
#include <QObject>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vt::gui {

class TTipDialogForm : public QDialog {
    Q_OBJECT
  public:
    explicit TTipDialogForm(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QCheckBox* CheckBox = nullptr;
    QStringList Tips;

    // Seeds the generator from the clock and shows a randomly chosen tip.
    void ShowRandomTip();

  protected:
    void showEvent(QShowEvent* event) override;
};

class TTipDialog : public QObject {
    Q_OBJECT
  public:
    explicit TTipDialog(QObject* parent = nullptr);

    bool ShowAtStart = false;
    QStringList Tips;
    QString TitleLabel;
    QFont TitleFont;

    // Shows the tip window modally; ShowAtStart takes the state of its check
    // box. Returns false.
    bool Execute(QWidget* parent = nullptr);

    // The tips of the main window.
    static QStringList MainWindowTips();
};

} // namespace vt::gui
