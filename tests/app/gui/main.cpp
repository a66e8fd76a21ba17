// Runs the window tests on Qt's offscreen platform.
#include <QStyleFactory>
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/gui/application.h"
#include "platform/registry.h"
#include "support/tempdir.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Windows remember their places in a store of this run's own, never in
    // the user's.
    vt::testing::TempDir store;
    vt::TRegistry::setStorePath(store.file("registry"));
    vt::gui::TApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
