#include "effects/gui/effectsform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>

#include "effects/effect_sliders.h"
#include "effects/gui/raduvir.h"
#include "effects/preview.h"
#include "platform/gui/waitcursor.h"

namespace vt::gui {

TEffectsForm::TEffectsForm(QWidget* parent) : QDialog(parent) {
    setObjectName("EffectsForm");
    setWindowTitle("Special Effects");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(337, 501);

    Image2 = new TRaDuvir(this);
    Image2->setObjectName("Image2");
    Image2->setStretch(true);
    Image2->setGeometry(34, 32, kPreviewWidth, kPreviewHeight);
    Image2->setToolTip("Image effects show here as you set them");

    auto check = [this](const char* name, const char* caption, int x) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        box->move(x, 252);
        box->adjustSize();
        return box;
    };
    cbGrayScale = check("cbGrayScale", "Gray Scale", 49);
    cbInvert = check("cbInvert", "Invert", 137);
    cbEmboss = check("cbEmboss", "Emboss", 217);

    cbEffect = new QComboBox(this);
    cbEffect->setObjectName("cbEffect");
    cbEffect->setGeometry(52, 302, 225, cbEffect->sizeHint().height());
    cbEffect->setMaxVisibleItems(15);

    tbEffect = new QSlider(Qt::Horizontal, this);
    tbEffect->setObjectName("tbEffect");
    tbEffect->setTickPosition(QSlider::TicksAbove);
    tbEffect->setGeometry(32, 342, 265, 45);
    tbEffect->setTickInterval(10);
    tbEffect->setValue(0);

    auto button = [this](const char* name, const QString& caption, QStyle::StandardPixmap glyph,
                         int x) {
        auto* b = new QPushButton(style()->standardIcon(glyph), caption, this);
        b->setObjectName(name);
        b->setGeometry(x, 416, 83, 25);
        return b;
    };
    BitBtn1 = button("BitBtn1", "OK", QStyle::SP_DialogOkButton, 31);
    BitBtn1->setDefault(true);
    BitBtn2 = button("BitBtn2", "Cancel", QStyle::SP_DialogCancelButton, 127);
    btnRetry = button("btnRetry", "&Reset", QStyle::SP_BrowserReload, 223);

    setTabOrder(cbEffect, tbEffect);
    setTabOrder(tbEffect, cbGrayScale);
    setTabOrder(cbGrayScale, cbInvert);
    setTabOrder(cbInvert, cbEmboss);
    setTabOrder(cbEmboss, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, btnRetry);

    connect(cbEffect, &QComboBox::currentIndexChanged, this, [this] { cbEffectChange(); });
    connect(tbEffect, &QSlider::valueChanged, this, [this] { tbEffectChange(); });
    connect(cbGrayScale, &QCheckBox::toggled, this, [this] { cbGrayScaleClick(); });
    connect(cbInvert, &QCheckBox::toggled, this, [this] { cbInvertClick(); });
    connect(cbEmboss, &QCheckBox::toggled, this, [this] { cbEmbossClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnRetry, &QPushButton::clicked, this, [this] { btnRetryClick(); });

    FormCreate();
}

void TEffectsForm::FormCreate() {
    QSignalBlocker block(cbEffect);
    // Each entry's code is its place in the list; the list is alphabetical
    // already, so sorting keeps the codes equal to the places.
    for (std::size_t code = 0; code < kEffectSliders.size(); ++code)
        cbEffect->addItem(kEffectSliders[code].name, int(code));
    cbEffect->model()->sort(0);
    cbEffect->setCurrentIndex(0);
    // A reset of the preview or a new preview photograph brings the
    // controls in line.
    Image2->setOnPictureChange([this] { RefreshEffectControls(); });
    RefreshEffectControls();
}

void TEffectsForm::SetPreviewFrom(const TRaDuvirEngine& photo) {
    const Bitmap* original = photo.PictureOriginal().bitmap();
    Bitmap preview = StretchedCopy(original ? *original : Bitmap(), kPreviewWidth, kPreviewHeight);
    Image2->ResetEffects();
    Image2->setPictureOriginal(std::move(preview));
    Image2->CopyEffectsFrom(photo);
    RefreshEffectControls();
}

void TEffectsForm::RefreshEffectControls() {
    const int index = cbEffect->currentIndex();
    effectCode_ = index >= 0 ? cbEffect->itemData(index).toInt() : -1;

    // The settings below must not act on the preview.
    QSignalBlocker blockSlider(tbEffect);
    QSignalBlocker blockGray(cbGrayScale);
    QSignalBlocker blockInvert(cbInvert);
    QSignalBlocker blockEmboss(cbEmboss);

    if (const EffectSlider* slider = EffectSliderOf(effectCode_)) {
        tbEffect->setMinimum(slider->min);
        tbEffect->setMaximum(slider->max);
        tbEffect->setValue(SliderPositionFor(*slider, (Image2->*(slider->get))()));
        tbEffect->setTickInterval(slider->tickFrequency);
        // A click beside the handle moves it one tick.
        tbEffect->setPageStep(slider->tickFrequency);
    }
    cbInvert->setChecked(Image2->PicInvert());
    cbEmboss->setChecked(Image2->PicEmboss());
    cbGrayScale->setChecked(Image2->PicGrayScale());
}

void TEffectsForm::FormShow() {
    RefreshEffectControls();
}

void TEffectsForm::cbEffectChange() {
    RefreshEffectControls();
}

void TEffectsForm::tbEffectChange() {
    if (const EffectSlider* slider = EffectSliderOf(effectCode_))
        (Image2->*(slider->set))(tbEffect->value());
    RefreshEffectControls();
}

void TEffectsForm::cbGrayScaleClick() {
    Image2->setPicGrayScale(cbGrayScale->isChecked());
    RefreshEffectControls();
}

void TEffectsForm::cbInvertClick() {
    Image2->setPicInvert(cbInvert->isChecked());
    RefreshEffectControls();
}

void TEffectsForm::cbEmbossClick() {
    Image2->setPicEmboss(cbEmboss->isChecked());
    RefreshEffectControls();
}

void TEffectsForm::BitBtn1Click() {
    if (Target) {
        // The whole photograph is rendered now, which takes a moment.
        WaitCursor wait;
        Target->CopyEffectsFrom(*Image2);
    }
    accept();
}

void TEffectsForm::btnRetryClick() {
    Image2->ResetEffects();
}

void TEffectsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TEffectsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && OnHelp) {
        OnHelp(HelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vt::gui
