// Runs the window tests on Qt's offscreen platform.
#include <QStyleFactory>
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/gui/application.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    vt::gui::TApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
