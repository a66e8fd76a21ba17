// The enabled and visible state of every command of the main window, as a
// function of what the window shows: the active tab, the camera, the photo,
// the lists and whether a batch runs. The window gathers the inputs, derives
// the states here and applies them; nothing else decides them.
#pragma once

#include <optional>

namespace vt {

// The tabs, in their fixed order.
enum class WindowTab { Camera = 0, Batch = 1, Retouch = 2 };

struct CommandInputs {
    WindowTab tab = WindowTab::Camera;
    bool cameraSelected = false;
    // The Batch tab (and with it its list and buttons) is enabled.
    bool batchEnabled = false;
    bool pictureEmpty = true;
    // The displayed picture has somewhere to be stored (a blackshot has
    // not).
    bool hasDestination = false;
    // A new camera is being entered: its blackshot is no photo to save.
    bool newCamera = false;
    bool hotPixelsListed = false;
    // The Camera tab's Fix button's and the Retouch tab's Restore button's
    // own states, which their flows set.
    bool fixSingleEnabled = false;
    bool resetEnabled = false;
    bool undoAvailable = false;
    bool batchListed = false;
    bool batchSelected = false;
    bool retouchSelected = false;
    // While a batch runs only looking is left.
    bool batchRunning = false;
};

struct CommandStates {
    bool newCamera = false;      // sbNewCamera, NewCamera1
    bool openCameraFile = false; // OpenExistingCameraFile1
    bool openFile = false;       // sbOpenFile, AnalyzePhotograph1
    bool fix = false;            // sbFix, Fix1
    bool save = false;           // sbSave
    bool effects = false;        // sbEffects, Effects1
    bool reset = false;          // sbReset, Reset1
    bool deleteItems = false;    // sbDelete, DeleteItems1, DeleteItems2
    bool undo = false;           // sbUndo, Undo1
    // NewCameraFromPhotos1: as newCamera.
    bool newCameraFromPhotos = false;
    // lbFixPoints enabled and the magnifier shown; unset: left as they are
    // (on the Batch and Retouch tabs, which do not show them).
    std::optional<bool> hotPixelList;
    bool locateVisible = false; // LocateFile1; also Effects1's and Effects2's visibility
    bool locateEnabled = false; // LocateFile2
    bool saveMenus = false;     // SaveRetouchedPhotograph1, SavePhotographAs1
    bool analyzeIsAdd = false;  // AnalyzePhotograph1 reads "Add Photographs to List"
    bool effectsButton = false; // btnRetouch
    bool clearRetouchSelection = false;
};

CommandStates DeriveCommandStates(const CommandInputs& in);

// The caption of AnalyzePhotograph1 for the states.
const char* AnalyzeCaption(const CommandStates& states);

} // namespace vt
