#include "app/commandstates.h"

namespace vt {

CommandStates DeriveCommandStates(const CommandInputs& in) {
    CommandStates s;
    const bool photo = !in.pictureEmpty;
    const bool storable = photo && in.hasDestination;
    switch (in.tab) {
    case WindowTab::Camera: {
        const bool hotPixels = !in.newCamera && photo && in.hotPixelsListed;
        s.openFile = in.cameraSelected;
        // An empty view has nothing to repair, whatever the button says.
        s.fix = in.fixSingleEnabled && photo;
        s.hotPixelList = hotPixels;
        s.save = hotPixels && storable;
        s.deleteItems = in.cameraSelected;
        s.undo = in.undoAvailable;
        break;
    }
    case WindowTab::Batch:
        s.openFile = in.batchEnabled;
        s.fix = in.batchListed && in.batchEnabled;
        s.deleteItems = in.batchSelected && in.batchEnabled;
        break;
    case WindowTab::Retouch:
        s.openFile = true;
        s.effects = in.retouchSelected && photo;
        s.save = s.effects && storable;
        s.reset = in.resetEnabled;
        s.deleteItems = in.retouchSelected;
        break;
    }
    s.locateVisible = in.tab == WindowTab::Retouch && s.deleteItems;
    s.locateEnabled = s.locateVisible;
    s.saveMenus = !in.newCamera && storable && in.tab != WindowTab::Batch;
    s.analyzeIsAdd = in.tab != WindowTab::Camera;
    s.effectsButton = in.retouchSelected && photo;
    s.clearRetouchSelection = !photo;
    s.newCamera = true;
    s.newCameraFromPhotos = s.newCamera;
    s.openCameraFile = true;

    if (in.batchRunning) {
        // Nothing that touches the list, the camera or the photo.
        const bool locate = s.locateVisible, locateEnabled = s.locateEnabled;
        const bool analyzeIsAdd = s.analyzeIsAdd, clear = s.clearRetouchSelection;
        s = CommandStates{};
        s.hotPixelList = false;
        s.locateVisible = locate;
        s.locateEnabled = locateEnabled;
        s.analyzeIsAdd = analyzeIsAdd;
        s.clearRetouchSelection = clear;
    }
    return s;
}

const char* AnalyzeCaption(const CommandStates& states) {
    return states.analyzeIsAdd ? "Add Photographs to List" : "Analyze Photograph";
}

} // namespace vt
