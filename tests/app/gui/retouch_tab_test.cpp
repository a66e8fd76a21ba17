// The Retouch tab: the retouch list's delayed load, the effects dialog
// opened on the displayed photo, and Restore.
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "app/gui/retouch_fixture.h"
#include "effects/gui/effectsform.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"

using namespace vt;
using namespace vt::gui;
using namespace vt::gui::testing;

namespace {

class RetouchTab : public RetouchFixture {
  protected:
    void SetUp() override {
        RetouchFixture::SetUp();
        photos["/r/a.bmp"] = TestPhoto(300, 200, 1);
        photos["/r/b.bmp"] = TestPhoto(320, 240, 2);
        f->RetouchTab->AddToRetouchList("/r/a.bmp");
        f->RetouchTab->AddToRetouchList("/r/b.bmp");
        f->RetouchTab->AddToRetouchList("/r/missing.bmp");
        f->PageControl1->setCurrentIndex(2);
    }
    using RetouchFixture::rowOf;
    int rowOf(const std::string& path) const {
        for (int i = 0; i < f->cbRetouchList->count(); ++i)
            if (TRetouchTab::PathOf(f->cbRetouchList->item(i)) == path) return i;
        return -1;
    }
    // Clicks an entry and lets the delay run out.
    void load(const std::string& path) {
        clickRow(f->cbRetouchList, rowOf(path));
        f->RetouchTab->cbRetouchTimerTimer();
    }
    // The effects dialog's script: choose an effect, move its slider, OK.
    static std::function<int(QDialog&)> effect(const QString& name, int value) {
        return [name, value](QDialog& d) {
            auto& form = static_cast<TEffectsForm&>(d);
            form.cbEffect->setCurrentIndex(form.cbEffect->findText(name));
            form.tbEffect->setValue(value);
            form.BitBtn1->click();
            return form.result();
        };
    }
};

} // namespace

TEST_F(RetouchTab, OfTwoQuickClicksOnlyTheSecondLoads) {
    EXPECT_FALSE(f->btnRetouch->isEnabled());
    clickRow(f->cbRetouchList, rowOf("/r/a.bmp"));
    EXPECT_TRUE(f->cbRetouchTimer->isActive());
    EXPECT_EQ(f->cbRetouchTimer->interval(), 450);
    EXPECT_FALSE(f->pmBatchAutoPopup);
    clickRow(f->cbRetouchList, rowOf("/r/b.bmp"));
    EXPECT_TRUE(f->cbRetouchTimer->isActive());
    EXPECT_TRUE(loads.empty());

    f->RetouchTab->cbRetouchTimerTimer();
    EXPECT_EQ(loads, std::vector<std::string>{"/r/b.bmp"});
    EXPECT_FALSE(f->cbRetouchTimer->isActive());
    EXPECT_TRUE(f->pmBatchAutoPopup);
    EXPECT_EQ(shown(), TestPhoto(320, 240, 2));
    EXPECT_EQ(*f->Image1->PictureOriginal().bitmap(), TestPhoto(320, 240, 2));
    EXPECT_EQ(f->Photo->Destination(), "/r/b.bmp");
    EXPECT_EQ(f->statusText(), "/r/b.bmp");
    EXPECT_EQ(f->odSingleShot.lastPickedDir, "/r/");
    EXPECT_TRUE(f->btnRetouch->isEnabled());
    EXPECT_TRUE(f->btnFixSingle->isEnabled());
    EXPECT_TRUE(f->sbEffects->isEnabled());
    EXPECT_TRUE(f->sbSave->isEnabled());
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->ScrollBox1->horizontalScrollBar()->value(), 0);
}

TEST_F(RetouchTab, TheArrowKeysLoadTooAfterTheDelay) {
    load("/r/a.bmp");
    f->cbRetouchList->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(f->cbRetouchList, &down);
    EXPECT_TRUE(f->cbRetouchTimer->isActive());
    f->RetouchTab->cbRetouchTimerTimer();
    EXPECT_EQ(loads.back(), "/r/b.bmp");
}

TEST_F(RetouchTab, LeavingTheListOrTheTabCancelsTheLoad) {
    clickRow(f->cbRetouchList, rowOf("/r/a.bmp"));
    f->RetouchTab->cbRetouchListExit();
    EXPECT_FALSE(f->cbRetouchTimer->isActive());
    EXPECT_TRUE(f->pmBatchAutoPopup);
    clickRow(f->cbRetouchList, rowOf("/r/a.bmp"));
    f->PageControl1->setCurrentIndex(0);
    EXPECT_FALSE(f->cbRetouchTimer->isActive());
    EXPECT_TRUE(f->pmBatchAutoPopup);
    EXPECT_TRUE(loads.empty());

    // The focus taken for a while by a pop-up or another window leaves the
    // load waiting; only the user's leaving the list gives it up.
    f->PageControl1->setCurrentIndex(2);
    const auto focusOut = [&](Qt::FocusReason reason) {
        clickRow(f->cbRetouchList, rowOf("/r/a.bmp"));
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(f->cbRetouchList, &out);
        return f->cbRetouchTimer->isActive();
    };
    EXPECT_TRUE(focusOut(Qt::PopupFocusReason));
    EXPECT_TRUE(focusOut(Qt::ActiveWindowFocusReason));
    EXPECT_FALSE(focusOut(Qt::MouseFocusReason));
    EXPECT_FALSE(focusOut(Qt::TabFocusReason));
}

TEST_F(RetouchTab, APhotoThatCannotBeReadLeavesEverythingAsItWas) {
    f->PageControl1->setCurrentIndex(0);
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    click(f->imgHalo, cell(5, 5));
    f->PageControl1->setCurrentIndex(2);
    const Bitmap before = shown();
    dlg.messages.clear();
    dlg.messageAnswers.push_back(mbNo); // "Save?"
    load("/r/missing.bmp");
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[0].caption, "Save?");
    EXPECT_EQ(dlg.messages[1].text, "Unable to read file /r/missing.bmp\rCannot load image.");
    EXPECT_EQ(dlg.messages[1].caption, "File Error");
    EXPECT_EQ(dlg.messages[1].icon, MsgIcon::Error);
    EXPECT_EQ(dlg.messages[1].buttons, mbOK);
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(f->RetouchView->Undo().size(), 1u);
    EXPECT_EQ(f->Photo->Destination(), "/p/Vorantel/photo.bmp");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RetouchTab, AnEntryGoneBeforeTheDelayEndsLoadsNothing) {
    clickRow(f->cbRetouchList, rowOf("/r/a.bmp"));
    f->cbRetouchList->clearSelection();
    f->RetouchTab->cbRetouchTimerTimer();
    EXPECT_TRUE(loads.empty());
    EXPECT_TRUE(dlg.messages.empty());
    EXPECT_FALSE(f->btnRetouch->isEnabled());
}

TEST_F(RetouchTab, CancelInSaveKeepsThePhotoItsChangesAndItsEntry) {
    load("/r/a.bmp");
    f->RetouchTab->btnRetouchClick(); // nothing chosen: Cancel
    dlg.modalScripts.push_back(effect("Brightness", 40));
    f->RetouchTab->btnRetouchClick();
    ASSERT_TRUE(f->Photo->UnsavedChanges());
    const Bitmap changed = shown();

    dlg.messages.clear();
    dlg.messageAnswers.push_back(mbCancel);
    load("/r/b.bmp");
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Would you like to save the changes to a.bmp?");
    EXPECT_EQ(loads, std::vector<std::string>{"/r/a.bmp"});
    EXPECT_EQ(shown(), changed);
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Photo->Destination(), "/r/a.bmp");
    // The list shows the photo still displayed.
    ASSERT_EQ(f->cbRetouchList->selectedItems().size(), 1);
    EXPECT_EQ(TRetouchTab::PathOf(f->cbRetouchList->selectedItems()[0]), "/r/a.bmp");

    // No gives the changes up and loads.
    dlg.messageAnswers.push_back(mbNo);
    load("/r/b.bmp");
    EXPECT_EQ(loads.back(), "/r/b.bmp");
    EXPECT_FALSE(f->Photo->UnsavedChanges());
}

TEST_F(RetouchTab, EffectsPreviewTheStretchedPhotoWithItsOwnEffects) {
    load("/r/a.bmp");
    f->Image1->setPicInvert(true);
    bool checked = false;
    dlg.modalScripts.push_back([&](QDialog& d) {
        auto& form = static_cast<TEffectsForm&>(d);
        EXPECT_EQ(form.windowTitle(), "Special Effects");
        const Bitmap& preview = *form.Image2->PictureOriginal().bitmap();
        EXPECT_EQ(preview.width(), 261);
        EXPECT_EQ(preview.height(), 193);
        // The corners of the photo are the corners of the preview.
        EXPECT_EQ(preview.pixel(0, 0), PhotoColor(0, 0, 1));
        EXPECT_TRUE(form.Image2->PicInvert());
        EXPECT_TRUE(form.cbInvert->isChecked());
        EXPECT_EQ(form.Target, static_cast<TRaDuvirEngine*>(f->Image1));
        checked = true;
        return int(QDialog::Rejected);
    });
    f->sbEffects->click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(dlg.modalForms, std::vector<QString>{"EffectsForm"});
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    EXPECT_FALSE(f->btnReset->isEnabled());
}

TEST_F(RetouchTab, RestoreAfterEffectsShowsThePhotoAsLoaded) {
    load("/r/a.bmp");
    const Bitmap loaded = shown();
    dlg.modalScripts.push_back(effect("Brightness", 50));
    f->Effects1->trigger();
    EXPECT_EQ(f->Image1->PicBrightness(), 50);
    EXPECT_EQ(shown().pixel(10, 10), RGBColor(61, 63, 51)); // (11, 13, 1) + 50
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_TRUE(f->btnReset->isEnabled());
    EXPECT_TRUE(f->sbReset->isEnabled());
    EXPECT_TRUE(f->Reset1->isEnabled());

    // The next opening starts from the photo's effects, on the same entry.
    dlg.modalScripts.push_back([](QDialog& d) {
        auto& form = static_cast<TEffectsForm&>(d);
        EXPECT_EQ(form.cbEffect->currentText(), "Brightness");
        EXPECT_EQ(form.tbEffect->value(), 50);
        return int(QDialog::Rejected);
    });
    f->btnRetouch->click();

    // A paint after the effects is forgotten by Restore: its undo would
    // write old colours into the photo as loaded.
    f->PageControl1->setCurrentIndex(0);
    f->lbFixPoints->setCurrentRow(rowOf(120, 45));
    f->RetouchView->lbFixPointsClick();
    click(f->imgHalo, cell(5, 5));
    ASSERT_FALSE(f->RetouchView->Undo().empty());
    f->PageControl1->setCurrentIndex(2);
    f->btnReset->click();
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_EQ(shown(), loaded);
    EXPECT_EQ(f->Image1->PicBrightness(), 0);
    EXPECT_FALSE(f->btnReset->isEnabled());
    EXPECT_FALSE(f->sbReset->isEnabled());
    EXPECT_FALSE(f->Photo->UnsavedChanges());
}

TEST_F(RetouchTab, EffectsReplaceBrushPaintsAndRepairs) {
    load("/r/a.bmp");
    f->PageControl1->setCurrentIndex(0);
    f->lbFixPoints->setCurrentRow(rowOf(120, 45));
    f->RetouchView->lbFixPointsClick();
    click(f->imgHalo, cell(5, 5));
    ASSERT_EQ(shown().pixel(120, 45), RGBColor(0, 0, 0));
    f->PageControl1->setCurrentIndex(2);
    f->cbRetouchList->item(rowOf("/r/a.bmp"))->setSelected(true);
    dlg.modalScripts.push_back(effect("Brightness", 1));
    f->RetouchTab->btnRetouchClick();
    // Rendered from the photograph: the paint is gone, and so is its undo,
    // which would put the unpainted colour over the rendered one.
    const TColor c = PhotoColor(120, 45, 1);
    const TColor rendered = RGBColor(GetRValue(c) + 1, GetGValue(c) + 1, GetBValue(c) + 1);
    EXPECT_EQ(shown().pixel(120, 45), rendered);
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    f->RetouchView->sbUndoClick();
    EXPECT_EQ(shown().pixel(120, 45), rendered);
}
