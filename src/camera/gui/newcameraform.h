// The New Camera dialog: the camera's name (typed, or chosen from the
// library to replace it) and the luminance threshold of its analysis.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace vt::gui {

class TNewCameraForm : public QDialog {
    Q_OBJECT
  public:
    explicit TNewCameraForm(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;
    QComboBox* cbInCamera = nullptr;
    QLabel* Label1 = nullptr;
    QSpinBox* seThreshold = nullptr;
    QPushButton* btnCameraName = nullptr;
    QPushButton* btnCameraCancel = nullptr;

    // The spin edit's text read as a decimal number; 20 when it is none.
    int ThresholdValue() const;

    void cbInCameraChange();
    // OK: accepts the dialog when the name can be a camera's, otherwise says
    // why and stays open.
    void btnCameraNameClick();
    // True when the typed character may enter the name.
    static bool AcceptsNameCharacter(QChar c);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // F1 opens the dialog's help page.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vt::gui
