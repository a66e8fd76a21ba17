// Batch repair: a list of photographs loaded, repaired with one camera's
// hot-pixel list and stored beside themselves, several at a time.
//
// Workers load, repair and encode photographs in parallel, but every photo is
// reported and put in place strictly in list order, on the thread that runs
// the batch: a store that fails or a stop leaves every later photo unstored,
// and the files written are the same whatever the number of workers. At most
// `workers` photographs are in the workers' hands at once, so a run holds no
// more than workers + 1 full pictures counting the one its observer shows.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "camera/camerafile.h"
#include "imageio/photometadata.h"
#include "platform/bitmap.h"
#include "repair/photooutput.h"

namespace vt {

// Why a photograph was not stored.
struct BatchFailure {
    enum class Stage { Load, Repair, Store };
    Stage stage = Stage::Load;
    // A JPEG that could not be encoded or written (JpegStoreError): `text`
    // is then the whole message, naming the path that was to be written.
    bool jpegStore = false;
    // The error's message.
    std::string text;
    // The photo was read, but its reader warned that the file is damaged
    // (a JPEG that ends early, say): it is not stored, and `text` names the
    // file and the warnings. The run goes on unless the observer says no.
    bool damaged = false;
};

// What a run tells about each photograph, in list order and always on the
// thread that called RunBatch. Per photo: loading, repairing, progress
// (throttled), storing, then stored or failed.
class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    // Asked before each photo is reported; false stops the run: that photo
    // and every later one is left unstored.
    virtual bool proceed() { return true; }
    virtual void loading(std::size_t index) { (void)index; }
    virtual void repairing(std::size_t index) { (void)index; }
    // The repair's status text and progress bar; the last report of each
    // photo is "Done" at position 0.
    virtual void progress(std::size_t index, const std::string& status, int position, int maximum) {
        (void)index, (void)status, (void)position, (void)maximum;
    }
    // The photo is repaired and about to be put in place. With
    // BatchOptions::keepPictures, `picture` is the repaired photograph and
    // `metadata` what its file carries besides, which the observer may take
    // (move from); otherwise both are nullptr.
    virtual void storing(std::size_t index, Bitmap* picture, PhotoMetadata* metadata) {
        (void)index, (void)picture, (void)metadata;
    }
    // How the photo was stored (the path written, whether its JPEG quality
    // was kept or why not); told just before stored().
    virtual void storeOutcome(std::size_t index, const StoreOutcome& outcome) {
        (void)index, (void)outcome;
    }
    virtual void stored(std::size_t index, const std::string& written) {
        (void)index, (void)written;
    }
    // The photo has no camera (a null hot-pixel list): it is left alone,
    // neither loaded nor stored, and the run goes on.
    virtual void skipped(std::size_t index) { (void)index; }
    // Returns whether the run goes on with the next photo.
    virtual bool failed(std::size_t index, const BatchFailure& failure) {
        (void)index, (void)failure;
        return true;
    }
};

struct BatchOptions {
    // Photographs worked on at once; 0 means one per processor core.
    unsigned workers = 0;
    // Hand each repaired picture to BatchObserver::storing (a window shows
    // it); without, pictures are freed as soon as they are encoded.
    bool keepPictures = false;
    // Set from any thread to stop the run: it ends after the photo being
    // reported, and photos the workers have started beyond it are dropped
    // within their repair or encode rather than finished.
    const std::atomic<bool>* stop = nullptr;
    // Starts a worker thread; empty: std::thread. A worker that cannot be
    // started leaves the run to those that could; when none can, RunBatch
    // throws what the start threw.
    std::function<std::thread(std::function<void()>)> startWorker;
    // "Keep JPEG quality": a JPEG photo stored as JPEG is repaired in its
    // compressed form (RepairJpeg), every other one decoded, repaired and
    // encoded in full. Without keepPictures such a JPEG is not even decoded.
    bool keepJpegQuality = false;
};

struct BatchSummary {
    std::size_t stored = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    // The index of the first photo that was not reached because the run
    // stopped (photos.size() when every photo was reported).
    std::size_t stoppedAt = 0;
};

// The number of workers a run uses for the options on this machine.
unsigned BatchWorkers(const BatchOptions& options);

// Repairs and stores the photographs, each in the "Vorantel" folder beside
// it (DestinationPathFor), in the format its extension chooses, keeping its
// metadata; a photo is never stored over the file it was read from.
BatchSummary RunBatch(const std::vector<std::string>& photos, const HotPixelList& hotPixels,
                      BatchObserver& observer, const BatchOptions& options = {});
// The same with a camera per photo: hotPixels[i] repairs photos[i]; a null
// list leaves that photo alone (BatchObserver::skipped).
BatchSummary RunBatch(const std::vector<std::string>& photos,
                      const std::vector<const HotPixelList*>& hotPixels, BatchObserver& observer,
                      const BatchOptions& options = {});

} // namespace vt
