// Draws the program's desktop icon at the sizes of the hicolor icon theme:
//   vorantel-icons OUTDIR NAME
// writes OUTDIR/hicolor/<size>x<size>/apps/NAME.png for every size.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "platform/gui/icons.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorantel-icons OUTDIR NAME\n");
        return 2;
    }
    // No display is needed to draw.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QString("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "vorantel-icons: cannot create %s\n", qPrintable(dir));
            return 1;
        }
        const QString file = dir + "/" + name + ".png";
        if (!vt::gui::ProgramIconPixmap("vorantel", size).save(file, "PNG")) {
            std::fprintf(stderr, "vorantel-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
