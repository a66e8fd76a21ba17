// The effects dialog on its own: its controls, the slider's table, the
// refresh that keeps slider and boxes in line with the preview, OK, Cancel
// and Reset.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>
#include <numeric>

#include "effects/gui/effectsform.h"
#include "effects/gui/raduvir.h"

using namespace vt;
using namespace vt::gui;

namespace {

Bitmap Pattern(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, RGBColor((x * 5) % 256, (y * 9) % 256, (x * y) % 256));
    return b;
}

// Mean of all channels of a picture.
double Mean(const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const TColor c = b.pixel(x, y);
            sum += GetRValue(c) + GetGValue(c) + GetBValue(c);
        }
    return sum / (3.0 * b.width() * b.height());
}

class EffectsForm : public ::testing::Test {
  protected:
    void SetUp() override {
        photo.setPictureOriginal(Pattern(600, 400));
        photo.ResetEffects();
        form.Target = &photo;
        form.SetPreviewFrom(photo);
    }
    void choose(const QString& effect) {
        form.cbEffect->setCurrentIndex(form.cbEffect->findText(effect));
    }
    const Bitmap& preview() { return *form.Image2->Picture().bitmap(); }

    TRaDuvir photo;
    TEffectsForm form;
};

} // namespace

TEST_F(EffectsForm, ControlsAsDesigned) {
    EXPECT_EQ(form.windowTitle(), "Special Effects");
    EXPECT_EQ(form.size(), QSize(337, 501));
    EXPECT_EQ(form.Image2->geometry(), QRect(34, 32, 261, 193));
    EXPECT_TRUE(form.Image2->Stretch());
    EXPECT_EQ(form.Image2->toolTip(), "Image effects show here as you set them");
    EXPECT_EQ(form.cbGrayScale->text(), "Gray Scale");
    EXPECT_EQ(form.cbInvert->text(), "Invert");
    EXPECT_EQ(form.cbEmboss->text(), "Emboss");
    EXPECT_EQ(form.cbEffect->geometry().topLeft(), QPoint(52, 302));
    EXPECT_EQ(form.cbEffect->width(), 225);
    EXPECT_EQ(form.tbEffect->geometry(), QRect(32, 342, 265, 45));
    EXPECT_EQ(form.tbEffect->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(form.BitBtn1->text(), "OK");
    EXPECT_EQ(form.BitBtn2->text(), "Cancel");
    EXPECT_EQ(form.btnRetry->text(), "&Reset");
    EXPECT_FALSE(form.btnRetry->icon().isNull());
    EXPECT_EQ(TEffectsForm::HelpContext, 4000);
    // Fifteen entries in alphabetical order, each with its place as code;
    // the first is chosen and its slider shown.
    ASSERT_EQ(form.cbEffect->count(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(form.cbEffect->itemData(i).toInt(), i);
        if (i == 0) continue;
        EXPECT_LT(form.cbEffect->itemText(i - 1), form.cbEffect->itemText(i));
    }
    EXPECT_EQ(form.cbEffect->currentText(), "Antialias");
    EXPECT_EQ(form.EffectCode(), 0);
    EXPECT_EQ(form.tbEffect->minimum(), 0);
    EXPECT_EQ(form.tbEffect->maximum(), 50);
    EXPECT_EQ(form.tbEffect->tickInterval(), 1);
    // Tab order: effect, slider, the boxes, the buttons.
    EXPECT_EQ(form.cbEffect->nextInFocusChain(), form.tbEffect);
    EXPECT_EQ(form.tbEffect->nextInFocusChain(), form.cbGrayScale);
    EXPECT_EQ(form.cbEmboss->nextInFocusChain(), form.BitBtn1);
    EXPECT_EQ(form.BitBtn2->nextInFocusChain(), form.btnRetry);
}

TEST_F(EffectsForm, ChoosingAnotherEffectShowsItsRangeAndValueWithoutRendering) {
    choose("Trace");
    form.tbEffect->setValue(3);
    EXPECT_EQ(form.Image2->PicTrace(), 3);
    form.Image2->setPicBrightness(-40);
    const Bitmap before = preview();
    const int renders = form.Image2->renderCount();
    choose("Brightness");
    EXPECT_EQ(form.EffectCode(), 1);
    EXPECT_EQ(form.tbEffect->minimum(), -255);
    EXPECT_EQ(form.tbEffect->maximum(), 255);
    EXPECT_EQ(form.tbEffect->tickInterval(), 32);
    EXPECT_EQ(form.tbEffect->pageStep(), 32);
    EXPECT_EQ(form.tbEffect->value(), -40);
    EXPECT_EQ(form.Image2->renderCount(), renders);
    EXPECT_EQ(preview(), before);
    EXPECT_EQ(form.Image2->PicTrace(), 3);
}

TEST_F(EffectsForm, AValueBeyondTheSliderShowsAtItsEndAndStays) {
    form.Image2->setPicContrast(1000);
    choose("Contrast");
    EXPECT_EQ(form.tbEffect->value(), 255);
    EXPECT_EQ(form.Image2->PicContrast(), 1000);
}

TEST_F(EffectsForm, GeometricEffectsReplaceEachOther) {
    const Bitmap plain = preview();
    choose("Mosaic");
    form.tbEffect->setValue(8);
    EXPECT_EQ(form.Image2->PicMosaic(), 8);
    EXPECT_NE(preview(), plain);
    EXPECT_EQ(preview().pixel(7, 7), preview().pixel(0, 0));
    form.tbEffect->setValue(0);
    EXPECT_EQ(preview(), plain);

    form.tbEffect->setValue(6);
    choose("Gaussian Blur");
    EXPECT_EQ(form.tbEffect->tickInterval(), 2);
    form.tbEffect->setValue(2);
    EXPECT_EQ(form.Image2->PicMosaic(), 0);
    choose("Mosaic");
    EXPECT_EQ(form.tbEffect->value(), 0);

    // Emboss and a geometric slider clear each other on screen too.
    form.cbEmboss->click();
    EXPECT_TRUE(form.Image2->PicEmboss());
    EXPECT_EQ(form.tbEffect->value(), 0);
    form.tbEffect->setValue(4);
    EXPECT_FALSE(form.Image2->PicEmboss());
    EXPECT_FALSE(form.cbEmboss->isChecked());
    form.cbEmboss->click();
    EXPECT_EQ(form.Image2->PicMosaic(), 0);
    EXPECT_EQ(form.tbEffect->value(), 0);
}

TEST_F(EffectsForm, NegativeDarknessBrightensAndNegativeLightnessDarkens) {
    const double plain = Mean(preview());
    choose("Darkness");
    form.tbEffect->setValue(-100);
    EXPECT_EQ(form.Image2->PicDarkness(), -100);
    EXPECT_GT(Mean(preview()), plain + 10);
    form.tbEffect->setValue(0);
    choose("Lightness");
    form.tbEffect->setValue(-100);
    EXPECT_EQ(form.Image2->PicLightness(), -100);
    EXPECT_LT(Mean(preview()), plain - 10);
}

TEST_F(EffectsForm, PosterizeAndSolorizeExcludeEachOther) {
    choose("Posterize");
    form.tbEffect->setValue(64);
    choose("Solorize");
    EXPECT_EQ(form.tbEffect->value(), 0);
    form.tbEffect->setValue(30);
    choose("Posterize");
    EXPECT_EQ(form.tbEffect->value(), 0);
    EXPECT_EQ(form.Image2->PicSolorize(), 30);
}

TEST_F(EffectsForm, TheBoxesSetTheirEffects) {
    form.cbGrayScale->click();
    EXPECT_TRUE(form.Image2->PicGrayScale());
    const TColor c = preview().pixel(20, 20);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
    form.cbInvert->click();
    EXPECT_TRUE(form.Image2->PicInvert());
    form.cbInvert->click();
    EXPECT_FALSE(form.Image2->PicInvert());
    // A preview reset by the program brings the boxes back in line.
    form.Image2->ResetEffects();
    EXPECT_FALSE(form.cbGrayScale->isChecked());
}

TEST_F(EffectsForm, OkRendersThePhotoWithThePreviewsSettings) {
    choose("Brightness");
    form.tbEffect->setValue(20);
    form.cbInvert->click();
    form.BitBtn1->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(photo.PicBrightness(), 20);
    EXPECT_TRUE(photo.PicInvert());
    EXPECT_EQ(photo.Picture().bitmap()->pixel(10, 3), RGBColor(255 - 70, 255 - 47, 255 - 50));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(EffectsForm, ResetThenCancelOrOk) {
    photo.setPicBrightness(30);
    form.SetPreviewFrom(photo);
    choose("Brightness");
    EXPECT_EQ(form.tbEffect->value(), 30);
    form.btnRetry->click();
    EXPECT_EQ(form.tbEffect->value(), 0);
    EXPECT_EQ(preview(), *form.Image2->PictureOriginal().bitmap());
    const Bitmap changed = *photo.Picture().bitmap();

    form.BitBtn2->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(photo.PicBrightness(), 30);
    EXPECT_EQ(*photo.Picture().bitmap(), changed);

    form.SetPreviewFrom(photo);
    form.btnRetry->click();
    form.BitBtn1->click();
    EXPECT_EQ(photo.PicBrightness(), 0);
    EXPECT_EQ(*photo.Picture().bitmap(), *photo.PictureOriginal().bitmap());
}

TEST_F(EffectsForm, ClosingHidesAndKeepsTheChosenEffect) {
    form.show();
    choose("Split Light");
    form.tbEffect->setValue(2);
    form.close();
    EXPECT_TRUE(form.isHidden());
    photo.ResetEffects();
    form.SetPreviewFrom(photo);
    form.show();
    EXPECT_EQ(form.cbEffect->currentText(), "Split Light");
    EXPECT_EQ(form.tbEffect->value(), 0);
    EXPECT_EQ(form.tbEffect->maximum(), 10);
    form.close();
}

TEST_F(EffectsForm, F1AsksForTheDialogsHelp) {
    std::vector<int> asked;
    form.OnHelp = [&](int context) { asked.push_back(context); };
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&form, &f1);
    EXPECT_EQ(asked, std::vector<int>{4000});
}
