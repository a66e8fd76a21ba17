// The effects dialog "Special Effects": whole-image effects tried on a
// small preview of the photograph, then applied to the photograph by OK.
// Created once and hidden, not destroyed, when closed; the chosen effect
// stays chosen from one opening to the next.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;

namespace vt {
class TRaDuvirEngine;
}

namespace vt::gui {

class TRaDuvir;

class TEffectsForm : public QDialog {
    Q_OBJECT
  public:
    explicit TEffectsForm(QWidget* parent = nullptr);

    static constexpr int HelpContext = 4000;
    // The preview's size.
    static constexpr int kPreviewWidth = 261;
    static constexpr int kPreviewHeight = 193;

    TRaDuvir* Image2 = nullptr;
    QCheckBox* cbGrayScale = nullptr;
    QCheckBox* cbInvert = nullptr;
    QCheckBox* cbEmboss = nullptr;
    QComboBox* cbEffect = nullptr;
    QSlider* tbEffect = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* btnRetry = nullptr;

    // The photo view that OK renders with the preview's settings.
    TRaDuvirEngine* Target = nullptr;
    // Called with HelpContext when the user asks for help (F1).
    std::function<void(int)> OnHelp;

    // Prepares the preview from a photo view: its photograph stretched to
    // the preview's size, with the effects the photo view has.
    void SetPreviewFrom(const TRaDuvirEngine& photo);

    // The code of the selected effect; -1 when none is selected.
    int EffectCode() const { return effectCode_; }

    void RefreshEffectControls();
    void FormCreate();
    void FormShow();
    void cbEffectChange();
    void tbEffectChange();
    void cbGrayScaleClick();
    void cbInvertClick();
    void cbEmbossClick();
    void BitBtn1Click();
    void btnRetryClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int effectCode_ = 0;
};

} // namespace vt::gui
