// The main window's command states as a function of what it shows: one
// table of situations, each with the commands it leaves enabled.
#include <gtest/gtest.h>
#include <string>

#include "app/commandstates.h"

using namespace vt;

namespace {

// The enabled commands of a state, by name, in a fixed order.
std::string Enabled(const CommandStates& s) {
    const std::pair<const char*, bool> all[] = {
        {"newCamera", s.newCamera},
        {"openCamera", s.openCameraFile},
        {"open", s.openFile},
        {"fix", s.fix},
        {"save", s.save},
        {"effects", s.effects},
        {"reset", s.reset},
        {"delete", s.deleteItems},
        {"undo", s.undo},
        {"hotPixels", s.hotPixelList.value_or(false)},
        {"locate", s.locateVisible},
        {"saveMenus", s.saveMenus},
        {"effectsButton", s.effectsButton},
    };
    std::string out;
    for (const auto& [name, on] : all) {
        if (!on) continue;
        if (!out.empty()) out += ' ';
        out += name;
    }
    return out;
}

// A photo on view that can be stored, as after opening one.
CommandInputs Photo(WindowTab tab) {
    CommandInputs in;
    in.tab = tab;
    in.cameraSelected = true;
    in.batchEnabled = true;
    in.pictureEmpty = false;
    in.hasDestination = true;
    in.hotPixelsListed = true;
    return in;
}

struct Case {
    const char* name;
    CommandInputs in;
    const char* enabled;
};

CommandInputs With(CommandInputs in, void (*change)(CommandInputs&)) {
    change(in);
    return in;
}

const Case kCases[] = {
    // Camera tab.
    {"camera_nothing", {}, "newCamera openCamera"},
    {"camera_only_a_camera", With({}, [](CommandInputs& i) { i.cameraSelected = true; }),
     "newCamera openCamera open delete"},
    {"camera_photo_opened",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.fixSingleEnabled = true; }),
     "newCamera openCamera open fix save delete hotPixels saveMenus"},
    {"camera_photo_repaired_and_painted",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.undoAvailable = true; }),
     "newCamera openCamera open save delete undo hotPixels saveMenus"},
    {"camera_without_marked_lines",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.hotPixelsListed = false; }),
     "newCamera openCamera open delete saveMenus"},
    {"camera_new_camera_being_entered",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.newCamera = true; }),
     "newCamera openCamera open delete"},
    // A blackshot stays on view after its analysis, but has nowhere to go.
    {"camera_blackshot_after_analysis",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.hasDestination = false; }),
     "newCamera openCamera open delete hotPixels"},
    // Fix left enabled over an empty view repairs nothing.
    {"camera_fix_over_empty_view",
     With({},
          [](CommandInputs& i) {
              i.cameraSelected = true;
              i.fixSingleEnabled = true;
          }),
     "newCamera openCamera open delete"},
    {"camera_picture_without_camera",
     With(Photo(WindowTab::Camera), [](CommandInputs& i) { i.cameraSelected = false; }),
     "newCamera openCamera save hotPixels saveMenus"},

    // Batch tab: nothing of the photo.
    {"batch_empty",
     With({},
          [](CommandInputs& i) {
              i.tab = WindowTab::Batch;
              i.batchEnabled = true;
          }),
     "newCamera openCamera open"},
    {"batch_entries_none_selected",
     With(Photo(WindowTab::Batch),
          [](CommandInputs& i) {
              i.batchListed = true;
              i.retouchSelected = true;
              i.undoAvailable = true;
              i.resetEnabled = true;
          }),
     "newCamera openCamera open fix effectsButton"},
    {"batch_entry_selected",
     With(Photo(WindowTab::Batch),
          [](CommandInputs& i) {
              i.batchListed = true;
              i.batchSelected = true;
          }),
     "newCamera openCamera open fix delete"},
    {"batch_tab_disabled",
     With(Photo(WindowTab::Batch),
          [](CommandInputs& i) {
              i.batchEnabled = false;
              i.batchListed = true;
              i.batchSelected = true;
          }),
     "newCamera openCamera"},

    // Retouch tab.
    {"retouch_nothing_selected", With({}, [](CommandInputs& i) { i.tab = WindowTab::Retouch; }),
     "newCamera openCamera open"},
    {"retouch_selected_without_picture",
     With({},
          [](CommandInputs& i) {
              i.tab = WindowTab::Retouch;
              i.retouchSelected = true;
          }),
     "newCamera openCamera open delete locate"},
    {"retouch_selected_with_picture",
     With(Photo(WindowTab::Retouch), [](CommandInputs& i) { i.retouchSelected = true; }),
     "newCamera openCamera open save effects delete locate saveMenus effectsButton"},
    {"retouch_restore_enabled",
     With(Photo(WindowTab::Retouch),
          [](CommandInputs& i) {
              i.retouchSelected = true;
              i.resetEnabled = true;
          }),
     "newCamera openCamera open save effects reset delete locate saveMenus effectsButton"},
    {"retouch_new_camera",
     With(Photo(WindowTab::Retouch),
          [](CommandInputs& i) {
              i.retouchSelected = true;
              i.newCamera = true;
          }),
     "newCamera openCamera open save effects delete locate effectsButton"},

    // While a batch runs only looking is left, on every tab; once it has
    // ended, new cameras can be made again.
    {"running_camera_tab",
     With(Photo(WindowTab::Camera),
          [](CommandInputs& i) {
              i.batchRunning = true;
              i.fixSingleEnabled = true;
              i.undoAvailable = true;
          }),
     ""},
    {"running_batch_tab",
     With(Photo(WindowTab::Batch),
          [](CommandInputs& i) {
              i.batchRunning = true;
              i.batchListed = true;
              i.batchSelected = true;
          }),
     ""},
    {"running_retouch_tab",
     With(Photo(WindowTab::Retouch),
          [](CommandInputs& i) {
              i.batchRunning = true;
              i.retouchSelected = true;
              i.resetEnabled = true;
          }),
     "locate"},
};

class CommandStateTable : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(CommandStateTable, EnablesExactlyTheseCommands) {
    const Case& c = GetParam();
    const CommandStates s = DeriveCommandStates(c.in);
    EXPECT_EQ(Enabled(s), c.enabled);
    // A camera from photos is made whenever one from a blackshot can be.
    EXPECT_EQ(s.newCameraFromPhotos, s.newCamera);
}

INSTANTIATE_TEST_SUITE_P(Situations, CommandStateTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandStates, TheHotPixelListIsLeftAloneOffTheCameraTab) {
    for (WindowTab tab : {WindowTab::Batch, WindowTab::Retouch}) {
        const CommandStates s = DeriveCommandStates(Photo(tab));
        EXPECT_FALSE(s.hotPixelList.has_value());
        EXPECT_STREQ(AnalyzeCaption(s), "Add Photographs to List");
    }
    const CommandStates camera = DeriveCommandStates(Photo(WindowTab::Camera));
    EXPECT_STREQ(AnalyzeCaption(camera), "Analyze Photograph");
    // An empty view loses the retouch list's choice.
    EXPECT_TRUE(DeriveCommandStates({}).clearRetouchSelection);
    EXPECT_FALSE(camera.clearRetouchSelection);
}
