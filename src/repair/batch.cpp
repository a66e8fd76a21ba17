#include "repair/batch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "imageio/fileformatlist.h"
#include "platform/pixelmemory.h"
#include "platform/progress.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt {

namespace {

using Clock = std::chrono::steady_clock;

// How often a worker publishes the repair's progress, and how long the
// reporting thread waits before it looks again.
constexpr auto kProgressInterval = std::chrono::milliseconds(30);

// A path as the file system sees it, so that two names of one file compare
// equal where the file (or its folder) exists.
std::string FileKey(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = std::filesystem::absolute(path, ec).lexically_normal();
    return p.string();
}

// For each photo, 1 + the index of the last earlier photo whose stored file
// is this photo's source (0 for none): that photo must be in place before
// this one is read, as it would be if the photos were done one by one.
std::vector<std::size_t> LoadAfter(const std::vector<std::string>& photos) {
    std::vector<std::size_t> after(photos.size(), 0);
    // The latest photo so far stored under each file, as its index + 1.
    std::unordered_map<std::string, std::size_t> storedBy;
    for (std::size_t j = 0; j < photos.size(); ++j) {
        if (auto it = storedBy.find(FileKey(photos[j])); it != storedBy.end())
            after[j] = it->second;
        storedBy[FileKey(StoredPathFor(DestinationPathFor(photos[j])))] = j + 1;
    }
    return after;
}

// The failure that the exception being handled stands for.
BatchFailure CurrentFailure(BatchFailure::Stage stage) {
    try {
        throw;
    } catch (const JpegStoreError& e) {
        return {stage, true, e.what()};
    } catch (const std::exception& e) {
        return {stage, false, e.what()};
    } catch (...) {
        return {stage, false, "Unknown error."};
    }
}

struct Slot {
    enum class Phase { Waiting, Loading, Repairing, Ready };
    Phase phase = Phase::Waiting;
    // The repair's progress as last published.
    std::string status;
    int position = 0;
    int maximum = 0;
    bool progressNew = false;
    // The outcome.
    std::optional<PreparedPhoto> prepared;
    Bitmap picture;
    PhotoMetadata metadata;
    // Why a photo to be stored with its JPEG quality kept was encoded in
    // full, when the store itself could not tell.
    std::string fullEncodeReason;
    bool failed = false;
    BatchFailure failure;
};

class Run;

// Thrown inside a worker's repair when its photo is dropped.
struct PhotoDropped {};

// The repair's progress in a worker: kept locally, published to the slot a
// few dozen times a second and at the end.
class WorkerProgress final : public IProgress {
  public:
    WorkerProgress(Run& run, std::size_t index) : run_(run), index_(index) {}
    void status(const std::string& text) override {
        status_ = text;
        maybePublish();
    }
    void range(int, int max) override {
        maximum_ = max;
        position_ = 0;
        maybePublish();
    }
    void position(int pos) override {
        position_ = pos;
        maybePublish();
    }
    void publish();

  private:
    void maybePublish();

    Run& run_;
    std::size_t index_;
    std::string status_;
    int position_ = 0;
    int maximum_ = 0;
    unsigned calls_ = 0;
    Clock::time_point last_ = Clock::now();
};

class Run {
  public:
    Run(const std::vector<std::string>& photos, const std::vector<const HotPixelList*>& hotPixels,
        BatchObserver& observer, const BatchOptions& options)
        : photos_(photos), hotPixels_(hotPixels), observer_(observer),
          keepPictures_(options.keepPictures), keepJpegQuality_(options.keepJpegQuality),
          stopAsked_(options.stop), slots_(photos.size()), loadAfter_(LoadAfter(photos)) {
        const unsigned workers = unsigned(
            std::min<std::size_t>(BatchWorkers(options), std::max<std::size_t>(1, photos.size())));
        // Photos a worker may start ahead of the one being reported: one per
        // worker; without pictures to keep, finished photos wait as files
        // and the workers may run further ahead.
        ahead_ = keepPictures_ ? workers : 2 * workers;
        for (unsigned w = 0; w < workers; ++w) {
            try {
                threads_.push_back(options.startWorker ? options.startWorker([this] { Work(); })
                                                       : std::thread([this] { Work(); }));
            } catch (...) {
                // The run goes on with the workers it has; without any there
                // is no run, and nothing was started that must be joined.
                if (threads_.empty()) throw;
                break;
            }
        }
    }

    ~Run() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    BatchSummary Report();

    void Publish(std::size_t index, const std::string& status, int position, int maximum) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            Slot& s = slots_[index];
            s.status = status;
            s.position = position;
            s.maximum = maximum;
            s.progressNew = true;
        }
        changed_.notify_all();
    }

    // Whether the photo is dropped: the run is ending, or a stop was asked
    // for and the photo lies beyond the one being reported.
    bool Abandoned(std::size_t index) {
        std::lock_guard<std::mutex> guard(lock_);
        return stop_ || (StopAsked() && index > head_);
    }

  private:
    void Work();
    void Process(std::size_t index);
    bool StopAsked() const { return stopAsked_ && stopAsked_->load(); }
    void SetPhase(std::size_t index, Slot::Phase phase) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            slots_[index].phase = phase;
        }
        changed_.notify_all();
    }

    const std::vector<std::string>& photos_;
    const std::vector<const HotPixelList*>& hotPixels_;
    BatchObserver& observer_;
    const bool keepPictures_;
    const bool keepJpegQuality_;
    const std::atomic<bool>* stopAsked_;

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    const std::vector<std::size_t> loadAfter_;
    std::size_t ahead_ = 1;
    std::size_t next_ = 0; // the next photo a worker takes
    std::size_t head_ = 0; // the photo being reported
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

void WorkerProgress::publish() {
    run_.Publish(index_, status_, position_, maximum_);
}

void WorkerProgress::maybePublish() {
    // Reading the clock on every record would cost more than the record.
    if (++calls_ % 64 != 0) return;
    if (run_.Abandoned(index_)) throw PhotoDropped{};
    const Clock::time_point now = Clock::now();
    if (now - last_ < kProgressInterval) return;
    last_ = now;
    publish();
}

void Run::Work() {
    for (;;) {
        std::size_t index;
        {
            std::unique_lock<std::mutex> lk(lock_);
            changed_.wait(lk, [this] {
                return stop_ || next_ >= slots_.size() ||
                       (next_ < head_ + ahead_ && head_ >= loadAfter_[next_]);
            });
            if (stop_ || next_ >= slots_.size()) return;
            index = next_++;
        }
        // A photo without a camera is not touched.
        if (hotPixels_[index]) Process(index);
        {
            std::lock_guard<std::mutex> guard(lock_);
            slots_[index].phase = Slot::Phase::Ready;
        }
        changed_.notify_all();
    }
}

void Run::Process(std::size_t index) {
    Slot& slot = slots_[index]; // the outcome fields are this worker's until Ready
    const std::string& path = photos_[index];
    const std::string destination = DestinationPathFor(path);
    BatchFailure::Stage stage = BatchFailure::Stage::Load;
    try {
        SetPhase(index, Slot::Phase::Loading);
        StoreOptions options;
        options.source = path; // never stored over itself
        if (keepJpegQuality_ && !keepPictures_ &&
            OutputKindOf(ExtractFileName(destination)) == OutputKind::Jpeg) {
            // Nobody shows the picture: a JPEG is repaired in its compressed
            // form without being decoded at all.
            stage = BatchFailure::Stage::Store;
            SetPhase(index, Slot::Phase::Repairing);
            WorkerProgress progress(*this, index);
            try {
                slot.prepared.emplace(
                    PrepareKeptJpeg(path, *hotPixels_[index], destination, options, progress));
                progress.publish();
                return;
            } catch (const JpegTranscodeUnavailable& e) {
                slot.fullEncodeReason = e.what();
            }
            stage = BatchFailure::Stage::Load;
        }

        Photo photo = LoadPhoto(path);
        if (!photo.warnings.empty()) {
            // A damaged file: what could be read is no photograph to store.
            slot.failed = true;
            slot.failure = {stage, false, DamagedPhotoText(path, photo.warnings), true};
            return;
        }
        // The repair works on 24 bits, as the single-photo flow does.
        photo.picture = std::move(photo.picture).convertedTo24();
        if (Abandoned(index)) return;

        stage = BatchFailure::Stage::Repair;
        SetPhase(index, Slot::Phase::Repairing);
        WorkerProgress progress(*this, index);
        FixHotPixels(progress, *hotPixels_[index], photo.picture);
        progress.publish();
        if (Abandoned(index)) return;

        stage = BatchFailure::Stage::Store;
        options.metadata = &photo.metadata;
        options.cancelled = [this, index] { return Abandoned(index); };
        KeepJpegQuality keep;
        keep.jpegSource = path;
        keep.repaired = hotPixels_[index];
        if (keepJpegQuality_ && slot.fullEncodeReason.empty()) options.keepJpegQuality = &keep;
        slot.prepared.emplace(PreparePhoto(photo.picture, destination, options));
        if (keepPictures_) {
            slot.picture = std::move(photo.picture);
            slot.metadata = std::move(photo.metadata);
        }
    } catch (const PhotoDropped&) {
        // Never reported: the run ends before this photo.
    } catch (...) {
        slot.failed = true;
        slot.failure = CurrentFailure(stage);
    }
}

BatchSummary Run::Report() {
    BatchSummary summary;
    for (std::size_t index = 0; index < slots_.size(); ++index) {
        summary.stoppedAt = index;
        // A stop ends the run after the photo in hand: the first photo is
        // always in hand.
        if (index > 0 && (StopAsked() || !observer_.proceed())) return summary;
        Slot& slot = slots_[index];
        if (!hotPixels_[index]) {
            ++summary.skipped;
            observer_.skipped(index);
            {
                std::lock_guard<std::mutex> guard(lock_);
                head_ = index + 1;
            }
            changed_.notify_all();
            continue;
        }

        // Replays the photo's steps as they come, then waits for its end.
        Slot::Phase told = Slot::Phase::Waiting;
        for (;;) {
            Slot::Phase phase;
            bool progressNew;
            std::string status;
            int position = 0, maximum = 0;
            {
                std::unique_lock<std::mutex> lk(lock_);
                changed_.wait_for(lk, kProgressInterval,
                                  [&] { return slot.phase != told || slot.progressNew; });
                phase = slot.phase;
                progressNew = slot.progressNew;
                slot.progressNew = false;
                status = slot.status;
                position = slot.position;
                maximum = slot.maximum;
            }
            if (told == Slot::Phase::Waiting) {
                observer_.loading(index);
                told = Slot::Phase::Loading;
            }
            const bool reachedRepair =
                phase == Slot::Phase::Repairing ||
                (phase == Slot::Phase::Ready &&
                 (!slot.failed || slot.failure.stage != BatchFailure::Stage::Load));
            if (told == Slot::Phase::Loading && reachedRepair) {
                observer_.repairing(index);
                told = Slot::Phase::Repairing;
            }
            if (progressNew) observer_.progress(index, status, position, maximum);
            if (phase == Slot::Phase::Ready) break;
        }

        bool goOn = true;
        if (!slot.failed && !slot.prepared) {
            // Dropped by a stop that came while it was in a worker's hands.
            return summary;
        }
        if (slot.failed) {
            ++summary.failed;
            goOn = observer_.failed(index, slot.failure);
        } else {
            observer_.storing(index, keepPictures_ ? &slot.picture : nullptr,
                              keepPictures_ ? &slot.metadata : nullptr);
            try {
                const std::string written = slot.prepared->commit();
                ++summary.stored;
                StoreOutcome outcome = slot.prepared->outcome();
                if (!slot.fullEncodeReason.empty())
                    outcome.fullEncodeReason = slot.fullEncodeReason;
                observer_.storeOutcome(index, outcome);
                observer_.stored(index, written);
            } catch (...) {
                ++summary.failed;
                goOn = observer_.failed(index, CurrentFailure(BatchFailure::Stage::Store));
            }
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            slot.prepared.reset();
            slot.picture = Bitmap();
            slot.metadata.clear();
            head_ = index + 1;
        }
        changed_.notify_all();
        if (!goOn) {
            summary.stoppedAt = index + 1;
            return summary;
        }
    }
    summary.stoppedAt = slots_.size();
    return summary;
}

} // namespace

unsigned BatchWorkers(const BatchOptions& options) {
    if (options.workers) return options.workers;
    return std::max(1u, std::thread::hardware_concurrency());
}

BatchSummary RunBatch(const std::vector<std::string>& photos, const HotPixelList& hotPixels,
                      BatchObserver& observer, const BatchOptions& options) {
    return RunBatch(photos, std::vector<const HotPixelList*>(photos.size(), &hotPixels), observer,
                    options);
}

BatchSummary RunBatch(const std::vector<std::string>& photos,
                      const std::vector<const HotPixelList*>& hotPixels, BatchObserver& observer,
                      const BatchOptions& options) {
    if (hotPixels.size() != photos.size())
        throw std::invalid_argument("RunBatch: one hot-pixel list per photo");
    if (photos.empty()) return {};
    // Freed pictures are kept for the next ones: one per worker, and the one
    // the observer shows.
    ScopedPixelCacheLimit cache(std::size_t(BatchWorkers(options) + 2) * (std::size_t(160) << 20));
    Run run(photos, hotPixels, observer, options);
    return run.Report();
}

} // namespace vt
