// The open dialogs' filters as the toolkit's file dialog shows and applies
// them: each pattern shown once, and every pattern matching its files.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <algorithm>
#include <gtest/gtest.h>

#include "platform/gui/dialogs.h"
#include "repair/gui/photolists.h"
#include "support/tempdir.h"

using namespace vt::gui;
using vt::testing::TempDir;

namespace {
std::vector<std::string> Std(const QStringList& list) {
    std::vector<std::string> v;
    for (const QString& s : list)
        v.push_back(s.toStdString());
    return v;
}
using Names = std::vector<std::string>;
} // namespace

TEST(OpenDialogFilters, EachPatternShowsOnce) {
    const Names filters = Std(QtNameFilters(kGraphicFilter));
    ASSERT_EQ(filters.size(), 17);
    EXPECT_EQ(filters[0],
              "Graphic Files (*.bmp *.cut *.pal *.dib *.fax *.gif *.icb *.tga *.vda *.vst *.win "
              "*.jpg *.jpeg *.pcc *.pcd *.pdd *.psd *.png *.ppm *.psp *.rgb *.rgba *.rla *.rpf "
              "*.sga *.rle *.tif *.tiff *.wmf)");
    EXPECT_EQ(filters[1], "Bitmap (*.bmp)");
    EXPECT_EQ(filters[2], "Dr. Halo (*.cut *.pal)");
    EXPECT_EQ(filters[6], "Targa TrueVision (*.icb *.tga *.vda *.vst *.win)");
    EXPECT_EQ(filters[16], "Tagged Image File Format (*.tif *.tiff)");
    for (const std::string& f : filters)
        EXPECT_EQ(std::count(f.begin(), f.end(), '('), 1) << f;
    // Without patterns in the description they are added once.
    EXPECT_EQ(Std(QtNameFilters("Camera Files|*.cam")), Names{"Camera Files (*.cam)"});
    EXPECT_EQ(Std(QtNameFilters("JPEG|*.jpg|TIFF|*.tif")), (Names{"JPEG (*.jpg)", "TIFF (*.tif)"}));
    // A description naming other patterns than the filter's keeps its text.
    EXPECT_EQ(Std(QtNameFilters("Pictures (*.x)|*.jpg")), Names{"Pictures (*.x) (*.jpg)"});
}

namespace {

// The names the toolkit's own file dialog lists in dir under a filter.
Names Listed(const QString& dir, const QString& filter) {
    QFileDialog dlg;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setNameFilters(QtNameFilters(kGraphicFilter));
    if (!dlg.nameFilters().contains(filter)) return {"(no such filter)"};
    dlg.selectNameFilter(filter);
    dlg.setDirectory(dir);
    auto* model = dlg.findChild<QFileSystemModel*>();
    auto* view = dlg.findChild<QAbstractItemView*>("listView");
    if (!model || !view) return {"(no file view)"};
    QElapsedTimer clock;
    clock.start();
    QStringList names;
    while (clock.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        names.clear();
        QAbstractItemModel* m = view->model();
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < m->rowCount(root); ++r)
            names << m->index(r, 0, root).data().toString();
        if (!names.isEmpty() && model->rootPath() == dir) break;
    }
    names.sort();
    return Std(names);
}

} // namespace

TEST(OpenDialogFilters, TheDialogListsTheFilesOfAFilter) {
    TempDir dir;
    for (const char* name : {"a.tif", "b.tiff", "c.cut", "d.pal", "e.jpg", "f.txt"})
        dir.write(name, "x");
    const QString path = QString::fromStdString(dir.path()).chopped(1);
    EXPECT_EQ(Listed(path, "Tagged Image File Format (*.tif *.tiff)"), (Names{"a.tif", "b.tiff"}));
    EXPECT_EQ(Listed(path, "Dr. Halo (*.cut *.pal)"), (Names{"c.cut", "d.pal"}));
    EXPECT_EQ(Listed(path, QtNameFilters(kGraphicFilter)[0]),
              (Names{"a.tif", "b.tiff", "c.cut", "d.pal", "e.jpg"}));
}
