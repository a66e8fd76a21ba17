// Entry point: the splash window first, then the main window it hands over
// to; the program ends when the main window closes.
#include <QStyleFactory>
#include <QTimer>
#include <memory>

#include "app/gui/application.h"
#include "app/gui/form1.h"
#include "platform/progdir.h"
#include "ui/gui/splashform.h"

int main(int argc, char** argv) {
    vt::gui::TApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    QStringList args = app.arguments();
    args.removeFirst();

    vt::gui::TSplashForm splash;
    auto form = std::make_unique<vt::gui::TForm1>(vt::ProgramDirectory(), args);
    splash.OnHandOver = [&form] {
        form->show();
        // A photo named on the command line loads once the window is drawn.
        QTimer::singleShot(0, form.get(), [&form] { form->OpenCommandLinePhoto(); });
    };
    splash.show();
    int code = app.exec();
    form.reset(); // writes the settings on the way out
    return code;
}
