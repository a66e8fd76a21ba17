// A program folder of a test's own for the main window: an empty camera
// library, no tip at start-up, and the windows' remembered places kept in a
// registry store of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/gui/form1.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "platform/registry.h"
#include "support/tempdir.h"

namespace vt::gui::testing {

class ProgramFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\n");
        previousStore_ = TRegistry::storePath();
        TRegistry::setStorePath(dir.file("registry"));
    }
    void TearDown() override { TRegistry::setStorePath(previousStore_); }

    std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(dir.path()); }

    vt::testing::TempDir dir;
    ScriptedDialogs dlg;

  private:
    std::string previousStore_;
};

} // namespace vt::gui::testing
