// A main window with a camera whose hot pixels lie at (120, 45), (2, 3),
// (700, 500) and (1190, 890), and a 1200 x 900 photo in which every pixel
// has a colour of its own; the dialog seam is scripted and photos are read
// from memory.
#pragma once

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/gui/form1.h"
#include "camera/camerafile.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "support/tempdir.h"

namespace vt::gui::testing {

inline std::string CameraLine(char mark, std::initializer_list<int> v) {
    HotPixelRecord r;
    std::copy(v.begin(), v.end(), r.v.begin());
    return FormatRepairLine(mark, r) + "\r\n";
}

// The colour of photo pixel (x, y) in the test photos, shifted by seed.
inline TColor PhotoColor(int x, int y, int seed = 0) {
    return RGBColor((x + seed) % 256, (y + 3 * seed) % 256,
                    (x / 256 * 40 + y / 256 * 9 + seed) % 256);
}

inline Bitmap TestPhoto(int w, int h, int seed = 0) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, PhotoColor(x, y, seed));
    return b;
}

inline QColor Q(TColor c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

class RetouchFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        std::string cam;
        for (auto [x, y] : {std::pair{120, 45}, {2, 3}, {700, 500}, {1190, 890}})
            cam += CameraLine('*', {x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1});
        dir.write("Cameras/Cam.cam", cam);
        dir.write("Vorantel.ini", "[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
        f = std::make_unique<TForm1>(dir.path());
        photos["/p/photo.bmp"] = TestPhoto(1200, 900);
        f->PictureLoader = [this](const std::string& path) {
            loads.push_back(path);
            auto it = photos.find(path);
            if (it == photos.end()) throw std::runtime_error("Cannot load image.");
            return Photo{it->second, {}, {}};
        };
        f->show();
        QApplication::processEvents();
    }

    // Opens /p/photo.bmp on the Camera tab, as the user does.
    void openPhoto() {
        dlg.openAnswers.push_back(ScriptedDialogs::picked({"/p/photo.bmp"}));
        f->sbOpenFileClick();
        QApplication::processEvents();
    }

    // The row of the hot pixel (x, y) in lbFixPoints.
    int rowOf(int x, int y) const {
        for (int i = 0; i < f->lbFixPoints->count(); ++i)
            if (f->lbFixPoints->item(i)->data(Qt::UserRole).toInt() == x * 65536 + y) return i;
        return -1;
    }

    // A mouse button pressed, the pointer moved, a button released, each
    // at a point of the widget, delivered as the platform delivers them.
    static void press(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), b, b, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void move(QWidget* w, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, held,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void release(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), b, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void click(QWidget* w, QPoint at) {
        press(w, at);
        release(w, at);
    }
    // A click on a list entry.
    static void clickRow(QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        press(list->viewport(), at);
        release(list->viewport(), at);
    }
    // The centre of a magnifier cell.
    QPoint cell(int col, int row) const {
        const int s = f->imgHalo->cellSize();
        return {col * s + s / 2, row * s + s / 2};
    }
    const Bitmap& shown() const { return *f->Image1->Picture().bitmap(); }

    vt::testing::TempDir dir;
    ScriptedDialogs dlg;
    std::unique_ptr<TForm1> f;
    std::map<std::string, Bitmap> photos;
    std::vector<std::string> loads;
};

} // namespace vt::gui::testing
