#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "repair/batch.h"
#include "repair/photooutput.h"
#include "repair/repair.h"
#include "support/tempdir.h"

using namespace vt;
namespace fs = std::filesystem;
using vt::testing::TempDir;

namespace {

Bitmap Picture(int w, int h, int seed) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y,
                       RGBColor((x * 7 + seed * 31) % 256, (y * 5 + seed) % 256,
                                (x * y + seed * 3) % 256));
    return b;
}

// Hot pixels over a 40 x 30 picture, some with references outside it.
HotPixelList Camera() {
    HotPixelList list;
    for (int i = 0; i < 40; ++i) {
        const int x = (i * 11) % 40, y = (i * 7) % 30;
        list.push_back({{x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1}});
        list.push_back({{x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}});
    }
    return list;
}

// Everything the observer is told, as text, and the answers it gives.
struct Recorder : BatchObserver {
    std::thread::id thread = std::this_thread::get_id();
    bool otherThread = false;
    std::vector<std::string> events;
    bool stopOnFailure = false;
    std::size_t stopBefore = std::size_t(-1);
    std::vector<Bitmap> shown;
    std::vector<BatchFailure> failures;
    std::function<void(std::size_t)> onStoring;

    void note(std::string e) {
        if (std::this_thread::get_id() != thread) otherThread = true;
        events.push_back(std::move(e));
    }
    bool proceed() override { return stopBefore-- > 0; }
    void loading(std::size_t i) override { note("loading " + std::to_string(i)); }
    void repairing(std::size_t i) override { note("repairing " + std::to_string(i)); }
    void progress(std::size_t i, const std::string& status, int position, int) override {
        // Intermediate reports depend on timing; the last one does not.
        if (status == "Done") note("done " + std::to_string(i) + " " + std::to_string(position));
    }
    void storing(std::size_t i, Bitmap* picture, PhotoMetadata*) override {
        note("storing " + std::to_string(i));
        if (onStoring) onStoring(i);
        if (picture) shown.push_back(std::move(*picture));
    }
    void stored(std::size_t i, const std::string& written) override {
        note("stored " + std::to_string(i) + " " + ExtractFileName(written));
    }
    void skipped(std::size_t i) override { note("skipped " + std::to_string(i)); }
    bool failed(std::size_t i, const BatchFailure& f) override {
        note("failed " + std::to_string(i) + " stage " + std::to_string(int(f.stage)) +
             (f.jpegStore ? " jpeg" : ""));
        failures.push_back(f);
        return !stopOnFailure;
    }
};

std::vector<std::string> FilesUnder(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files.push_back(e.path().lexically_relative(dir).string());
    std::sort(files.begin(), files.end());
    return files;
}

// prefix + i + suffix. (Written out because g++ 12 warns falsely about
// "literal" + std::to_string(i) under -O2.)
std::string Numbered(const char* prefix, int i, const char* suffix = "") {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s%d%s", prefix, i, suffix);
    return buf;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    std::string error;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "(missing)";
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

} // namespace

TEST(Batch, StoresInListOrderAndTheSameFilesWhateverTheWorkers) {
    // Reference: each photo done alone, one after the other.
    TempDir ref;
    std::vector<std::string> photos;
    for (int i = 0; i < 6; ++i) {
        photos.push_back(ref.file(Numbered("p", i,
                                           i % 3 == 0   ? ".bmp"
                                           : i % 3 == 1 ? ".jpg"
                                                        : ".tif")));
        if (i % 3 == 1)
            WriteJpegFile(photos.back(), Picture(40, 30, i));
        else if (i % 3 == 0)
            WriteBmpFile(photos.back(), Picture(40, 30, i));
        else
            StorePhoto(Picture(40, 30, i), photos.back());
    }
    std::vector<std::string> expected;
    for (const std::string& p : photos) {
        Bitmap b = LoadPicture(p).convertedTo24();
        NullProgress progress;
        FixHotPixels(progress, Camera(), b);
        expected.push_back(
            ReadFileBytes(StorePhoto(b, ref.file("expected/" + ExtractFileName(p)))));
    }

    for (unsigned workers : {1u, 4u}) {
        SCOPED_TRACE(workers);
        fs::remove_all(ref.file("Vorantel"));
        Recorder rec;
        BatchOptions options;
        options.workers = workers;
        BatchSummary s = RunBatch(photos, Camera(), rec, options);
        EXPECT_EQ(s.stored, photos.size());
        EXPECT_EQ(s.failed, 0u);
        EXPECT_FALSE(rec.otherThread);
        std::vector<std::string> want;
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const std::string n = std::to_string(i);
            want.insert(want.end(),
                        {"loading " + n, "repairing " + n, "done " + n + " 0", "storing " + n,
                         "stored " + n + " " + ExtractFileName(StoredPathFor(photos[i]))});
        }
        EXPECT_EQ(rec.events, want);
        for (std::size_t i = 0; i < photos.size(); ++i)
            EXPECT_EQ(ReadFileBytes(StoredPathFor(DestinationPathFor(photos[i]))), expected[i])
                << photos[i];
        EXPECT_TRUE(rec.shown.empty()); // pictures are not kept unless asked
    }
}

TEST(Batch, AFailureStopsTheRunOrIsPassedOver) {
    for (bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "window: stop at the failure" : "command line: go on");
        TempDir dir;
        std::vector<std::string> photos;
        for (int i = 0; i < 5; ++i) {
            fs::create_directories(dir.file(Numbered("f", i)));
            photos.push_back(dir.file(Numbered("f", i, "/p.bmp")));
            if (i == 1)
                dir.write("f1/p.bmp", "not a picture");
            else
                WriteBmpFile(photos.back(), Picture(40, 30, i));
        }
        Recorder rec;
        rec.stopOnFailure = stop;
        BatchOptions options;
        options.workers = 3;
        BatchSummary s = RunBatch(photos, Camera(), rec, options);
        EXPECT_EQ(s.failed, 1u);
        EXPECT_EQ(s.stored, stop ? 1u : 4u);
        EXPECT_EQ(s.stoppedAt, stop ? 2u : 5u);
        EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), "failed 1 stage 0"),
                  rec.events.end());
        EXPECT_EQ(std::find(rec.events.begin(), rec.events.end(), "repairing 1"), rec.events.end());
        for (int i = 0; i < 5; ++i) {
            const bool wanted = i == 0 || (!stop && i != 1);
            // Photos left unstored leave no file, no temporary file and no
            // "Vorantel" folder behind.
            EXPECT_EQ(fs::exists(dir.file(Numbered("f", i, "/Vorantel"))), wanted) << i;
            if (wanted) {
                EXPECT_EQ(FilesUnder(dir.file(Numbered("f", i, "/Vorantel"))),
                          std::vector<std::string>{"p.bmp"});
            }
        }
    }
}

TEST(Batch, AStopLeavesThePhotoInHandStoredAndNoneAfter) {
    TempDir dir;
    std::vector<std::string> photos;
    for (int i = 0; i < 4; ++i) {
        photos.push_back(dir.file(Numbered("p", i, ".bmp")));
        WriteBmpFile(photos.back(), Picture(40, 30, i));
    }
    Recorder rec;
    rec.stopBefore = 0; // asked before the second photo: stop
    BatchOptions options;
    options.workers = 4;
    options.keepPictures = true;
    BatchSummary s = RunBatch(photos, Camera(), rec, options);
    EXPECT_EQ(s.stored, 1u);
    EXPECT_EQ(s.stoppedAt, 1u);
    EXPECT_EQ(FilesUnder(dir.file("Vorantel")), std::vector<std::string>{"p0.bmp"});
    // The observer was handed the repaired photo to show.
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0], ReadBmpFile(dir.file("Vorantel/p0.bmp")));
}

TEST(Batch, APhotoIsNeverStoredOverItself) {
    // A "Vorantel" folder that leads back to the photographs' own folder
    // would have the copy replace the photograph.
    TempDir dir;
    fs::create_directory_symlink(".", dir.file("Vorantel"));
    WriteBmpFile(dir.file("p.bmp"), Picture(40, 30, 1));
    WriteJpegFile(dir.file("q.jpg"), Picture(40, 30, 2));
    const std::string before = ReadFileBytes(dir.file("p.bmp"));
    const std::string beforeJpeg = ReadFileBytes(dir.file("q.jpg"));
    Recorder rec;
    BatchSummary s = RunBatch({dir.file("p.bmp"), dir.file("q.jpg")}, Camera(), rec);
    EXPECT_EQ(s.stored, 0u);
    EXPECT_EQ(s.failed, 2u);
    EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), "failed 0 stage 2"),
              rec.events.end());
    EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), "failed 1 stage 2 jpeg"),
              rec.events.end());
    EXPECT_EQ(ReadFileBytes(dir.file("p.bmp")), before);
    EXPECT_EQ(ReadFileBytes(dir.file("q.jpg")), beforeJpeg);
    EXPECT_EQ(FilesUnder(dir.path()), (std::vector<std::string>{"Vorantel", "p.bmp", "q.jpg"}));
}

TEST(Batch, APhotoThatIsAnEarlierPhotosCopyIsReadAfterItIsStored) {
    // The second photo is the first one's stored copy: as if done one by
    // one, it is read after the first is in place, whatever the workers.
    TempDir dir;
    fs::create_directories(dir.file("Vorantel"));
    WriteBmpFile(dir.file("p.bmp"), Picture(40, 30, 1));
    WriteBmpFile(dir.file("Vorantel/p.bmp"), Picture(40, 30, 9)); // an old copy
    Bitmap once = Picture(40, 30, 1);
    NullProgress progress;
    FixHotPixels(progress, Camera(), once);
    Bitmap twice = once;
    FixHotPixels(progress, Camera(), twice);
    Recorder rec;
    BatchOptions options;
    options.workers = 2;
    BatchSummary s =
        RunBatch({dir.file("p.bmp"), dir.file("Vorantel/p.bmp")}, Camera(), rec, options);
    EXPECT_EQ(s.stored, 2u);
    EXPECT_EQ(ReadBmpFile(dir.file("Vorantel/p.bmp")), once);
    EXPECT_EQ(ReadBmpFile(dir.file("Vorantel/Vorantel/p.bmp")), twice);
}

TEST(Batch, EachPhotoWithItsOwnCameraThoseWithNoneLeftAlone) {
    TempDir dir;
    const HotPixelList a = Camera();
    const HotPixelList b = {{{5, 5, 4, 4, 5, 4, 6, 4}}};
    const std::vector<const HotPixelList*> cameras = {&a, nullptr, &b, nullptr, &a};
    std::vector<std::string> photos;
    for (int i = 0; i < 5; ++i) {
        photos.push_back(dir.file(Numbered("p", i, ".bmp")));
        WriteBmpFile(photos.back(), Picture(40, 30, i));
    }
    Recorder rec;
    BatchOptions options;
    options.workers = 2;
    const BatchSummary s = RunBatch(photos, cameras, rec, options);
    EXPECT_EQ(s.stored, 3u);
    EXPECT_EQ(s.skipped, 2u);
    EXPECT_EQ(s.stoppedAt, 5u);
    std::vector<std::string> told;
    for (const std::string& e : rec.events)
        if (e.rfind("loading", 0) == 0 || e.rfind("skipped", 0) == 0) told.push_back(e);
    EXPECT_EQ(told, (std::vector<std::string>{"loading 0", "skipped 1", "loading 2", "skipped 3",
                                              "loading 4"}));
    EXPECT_EQ(FilesUnder(dir.file("Vorantel")),
              (std::vector<std::string>{"p0.bmp", "p2.bmp", "p4.bmp"}));
    for (int i : {0, 2}) {
        Bitmap want = Picture(40, 30, i);
        NullProgress progress;
        FixHotPixels(progress, *cameras[std::size_t(i)], want);
        EXPECT_EQ(ReadBmpFile(dir.file(Numbered("Vorantel/p", i, ".bmp"))), want) << i;
    }
}

TEST(Batch, AnEmptyListReportsNothing) {
    Recorder rec;
    BatchSummary s = RunBatch({}, Camera(), rec);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(s.stored + s.failed + s.stoppedAt, 0u);
}

TEST(Batch, ADamagedPhotoIsReportedWithItsWarningsAndTheRunGoesOn) {
    TempDir dir;
    const std::vector<std::string> photos = {dir.file("p0.bmp"), dir.file("p1.jpg"),
                                             dir.file("p2.bmp")};
    WriteBmpFile(photos[0], Picture(40, 30, 0));
    WriteBmpFile(photos[2], Picture(40, 30, 2));
    // A JPEG cut in the middle: libjpeg warns and fills in the rest.
    StorePhoto(Picture(400, 300, 1), photos[1]);
    const std::string whole = ReadFileBytes(photos[1]);
    dir.write("p1.jpg", whole.substr(0, whole.size() / 2));
    // The warnings stay with their photo, on whatever thread it was read.
    int handled = 0;
    const TWarningHandler previous =
        SetWarningHandler([&](const std::string&, const std::string&) { ++handled; });
    Recorder rec;
    BatchOptions options;
    options.workers = 2;
    const BatchSummary s = RunBatch(photos, Camera(), rec, options);
    SetWarningHandler(previous);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(s.stored, 2u);
    ASSERT_EQ(rec.failures.size(), 1u);
    EXPECT_TRUE(rec.failures[0].damaged) << rec.failures[0].text;
    std::string named = "The file ";
    named += photos[1];
    EXPECT_EQ(rec.failures[0].text.rfind(named + " is damaged", 0), 0u) << rec.failures[0].text;
    EXPECT_NE(rec.failures[0].text.find("\rPremature end of JPEG file"), std::string::npos);
    EXPECT_EQ(FilesUnder(dir.file("Vorantel")), (std::vector<std::string>{"p0.bmp", "p2.bmp"}));
}

TEST(Batch, AStopAskedForDropsThePhotosBeyondTheOneInHand) {
    TempDir dir;
    std::vector<std::string> photos;
    for (int i = 0; i < 8; ++i) {
        photos.push_back(dir.file(Numbered("p", i, ".bmp")));
        WriteBmpFile(photos.back(), Picture(400, 300, i));
    }
    std::atomic<bool> stop{false};
    Recorder rec;
    rec.onStoring = [&](std::size_t) { stop = true; };
    BatchOptions options;
    options.workers = 4;
    options.stop = &stop;
    const BatchSummary s = RunBatch(photos, Camera(), rec, options);
    EXPECT_EQ(s.stored, 1u);
    EXPECT_EQ(s.stoppedAt, 1u);
    EXPECT_EQ(FilesUnder(dir.file("Vorantel")), std::vector<std::string>{"p0.bmp"});
}

TEST(Batch, WorkersThatCannotStartLeaveTheRunToTheOthers) {
    TempDir dir;
    std::vector<std::string> photos;
    for (int i = 0; i < 3; ++i) {
        photos.push_back(dir.file(Numbered("p", i, ".bmp")));
        WriteBmpFile(photos.back(), Picture(40, 30, i));
    }
    auto starter = [](int allowed) {
        return [allowed, started = 0](std::function<void()> work) mutable {
            if (started++ >= allowed)
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(work));
        };
    };
    Recorder rec;
    BatchOptions options;
    options.workers = 4;
    options.startWorker = starter(1);
    EXPECT_EQ(RunBatch(photos, Camera(), rec, options).stored, 3u);
    // None at all: the run fails as a whole, and nothing is left running.
    options.startWorker = starter(0);
    EXPECT_THROW(RunBatch(photos, Camera(), rec, options), std::system_error);
}
