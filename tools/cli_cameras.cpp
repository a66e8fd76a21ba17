#include "cli_cameras.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <vector>

#include "camera/analysis.h"
#include "camera/blackshotstack.h"
#include "camera/camerachoice.h"
#include "camera/camerafile.h"
#include "camera/cameraidentity.h"
#include "camera/cameralibrary.h"
#include "camera/photolearner.h"
#include "imageio/exiftags.h"
#include "imageio/fileformatlist.h"
#include "platform/files.h"
#include "platform/progdir.h"
#include "repair/batch.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::cli {

const char* const kDefineArguments =
    "--name NAME [--threshold N] [--min-votes K] [--auto-level] [--replace] [--retry]\n"
    "         [--library DIR] BLACKSHOT...\n"
    "  define --name NAME --from-photos [--min-votes K] [--replace] [--library DIR] PHOTO...";
const char* const kFixArguments =
    "--camera NAME|FILE.cam|auto [--jobs N | -j N] [--lossless] [--library DIR] PHOTO...";
const char* const kCamerasArguments = "[--library DIR]";

namespace {

constexpr const char* kProgram = "vorantel-cli";

// Texts of the program break lines with a carriage return; a terminal
// wants a line feed.
std::string Lines(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

void Fail(const std::string& text) {
    std::cerr << kProgram << ": " << Lines(text) << "\n";
}

// Options of the form --name VALUE and flags; everything else is an
// operand.
struct Options {
    std::vector<std::string> operands;
    std::optional<std::string> value(const std::string& name) const {
        for (const auto& [n, v] : values)
            if (n == name) return v;
        return std::nullopt;
    }
    bool flag(const std::string& name) const {
        return std::find(flags.begin(), flags.end(), name) != flags.end();
    }
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;
};

Options Parse(std::span<const std::string> args, std::initializer_list<const char*> withValue,
              std::initializer_list<const char*> flags) {
    Options o;
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (operandsOnly || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            o.operands.push_back(a);
            continue;
        }
        if (a == "--") {
            operandsOnly = true;
            continue;
        }
        std::string name = a, value;
        bool inlineValue = false;
        if (auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (std::find_if(withValue.begin(), withValue.end(),
                         [&](const char* n) { return name == n; }) != withValue.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) throw CommandUsageError(name + " needs a value");
                value = args[++i];
            }
            o.values.emplace_back(name, value);
        } else if (!inlineValue && std::find_if(flags.begin(), flags.end(), [&](const char* n) {
                                       return name == n;
                                   }) != flags.end()) {
            o.flags.push_back(name);
        } else {
            throw CommandUsageError("unknown option '" + name + "'");
        }
    }
    return o;
}

// The camera library: the one the window uses, or the given folder.
std::string Library(const Options& o) {
    if (auto dir = o.value("--library")) return IncludeTrailingDelimiter(*dir);
    return CameraDirectoryOf(ProgramDirectory());
}

// Progress on standard error: the status line redrawn in place at most ten
// times a second when it is a terminal, only the last word otherwise.
class ConsoleProgress : public IProgress {
  public:
    ConsoleProgress() : tty_(::isatty(2) != 0) {}
    ~ConsoleProgress() override { clear(); }
    // Erases the status line, before other output.
    void clear() {
        if (tty_ && drawn_) std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
        drawn_ = false;
    }
    void status(const std::string& text) override {
        if (!tty_) return;
        auto now = std::chrono::steady_clock::now();
        if (text != "Done" && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        std::cerr << "\r" << text
                  << std::string(text.size() < width_ ? width_ - text.size() : 0, ' ')
                  << std::flush;
        width_ = std::max(width_, text.size());
        drawn_ = true;
    }
    void range(int, int) override {}
    void position(int) override {}

  private:
    bool tty_;
    bool drawn_ = false;
    std::size_t width_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

// A number option from `low` to `high`, or `fallback` when it is not given.
int NumberOption(const Options& o, const std::string& name, int low, int high, int fallback) {
    auto text = o.value(name);
    if (!text) return fallback;
    std::size_t used = 0;
    long n = 0;
    try {
        n = std::stol(*text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text->size() || n < low || n > high)
        throw CommandUsageError(name + " must be a number from " + std::to_string(low) + " to " +
                                std::to_string(high));
    return int(n);
}

// Writes the camera file and records which camera the files came from;
// prints the "Camera Defined" message with the notes. False when the file
// could not be written.
bool StoreCamera(const std::vector<std::string>& lines, const std::string& library,
                 const std::string& name, const CommonIdentity& identity,
                 std::vector<std::string> notes) {
    const std::string path = CameraFilePath(library, name);
    try {
        WriteCameraFile(path, lines);
    } catch (const std::exception& e) {
        Fail(std::string(kFileErrorCaption) + ": " + CameraWriteErrorText(path, e.what()));
        return false;
    }
    try {
        RememberCameraIdentity(library, name, identity.identity);
        notes.push_back(IdentityNoteText(identity));
    } catch (const std::exception& e) {
        std::cerr << kProgram
                  << ": warning: the camera's make and model could not be kept: " << e.what()
                  << "\n";
    }
    std::cout << Lines(CameraDefinedMessage(name, notes)) << "\n";
    return true;
}

// Loads every file, handing each picture to `add`, and collects the
// identities the files carry. False (after the message) when one cannot be
// read or is refused.
template <typename Add>
bool LoadFrames(const std::vector<std::string>& files, std::vector<CameraIdentity>& identities,
                Add add) {
    ConsoleProgress progress;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        progress.status("Loading " + std::to_string(i + 1) + " of " + std::to_string(files.size()) +
                        ": " + ExtractFileName(file));
        Bitmap picture;
        try {
            picture = LoadPicture(file);
            identities.push_back(IdentityOf(ReadExifTags(file)));
        } catch (const std::exception& e) {
            progress.clear();
            Fail("File Error: Unable to read file " + file + "\r" + e.what());
            return false;
        }
        try {
            add(std::move(picture));
        } catch (const BlackshotSizeError& e) {
            // A picture the analysis cannot take, as with one blackshot.
            progress.clear();
            Fail("File Error: Unable to read file " + file + "\r" + e.what());
            return false;
        } catch (const std::exception& e) {
            progress.clear();
            Fail(FrameRefusedText(file, e.what()));
            return false;
        }
    }
    return true;
}

// One analysis of the blackshots with the messages of the window; returns
// the result and whether a camera was written.
std::pair<StackResult, bool> Analyze(const BlackshotStack& stack, const BlackshotOptions& options,
                                     const std::string& library, const std::string& name,
                                     const CommonIdentity& identity) {
    StackResult result;
    {
        ConsoleProgress progress;
        result = stack.analyze(options, progress);
    }
    if (result.analysis.outcome == BlackshotOutcome::ClusterTooLarge) {
        Fail(std::string(kBlackshotErrorCaption) + ": " + BlackshotErrorText());
        return {result, false};
    }
    if (result.analysis.outcome != BlackshotOutcome::Lines || result.analysis.lines.empty())
        return {result, false};
    return {result,
            StoreCamera(result.analysis.lines, library, name, identity, {StackResultText(result)})};
}

int DefineFromBlackshots(const Options& o, const std::string& library, const std::string& name) {
    BlackshotOptions options;
    options.threshold = NumberOption(o, "--threshold", 20, 60, 30);
    options.minVotes = NumberOption(o, "--min-votes", 1, int(o.operands.size()), 0);
    options.autoLevel = o.flag("--auto-level");

    BlackshotStack stack;
    std::vector<CameraIdentity> identities;
    if (!LoadFrames(o.operands, identities, [&](Bitmap b) { stack.add(std::move(b)); })) return 1;
    const CommonIdentity identity = CommonIdentityOf(identities);
    auto [result, written] = Analyze(stack, options, library, name, identity);
    if (written) return 0;
    switch (DefinitionFollowUpOf(result, false)) {
    case DefinitionFollowUp::None:
        return 1;
    case DefinitionFollowUp::NoHotPixels:
        Fail(std::string(kNoHotPixelsCaption) + ": " + NoHotPixelsText());
        return 1;
    case DefinitionFollowUp::NothingAboveNoise:
        Fail(std::string(kNoHotPixelsCaption) + ": " + NothingAboveNoiseText(result));
        return 1;
    case DefinitionFollowUp::NoisyBlackshot:
        Fail(std::string(kNoisyBlackshotCaption) + ": " + NoisyBlackshotText(result) +
             " (use --auto-level)");
        return 1;
    case DefinitionFollowUp::TryAgain:
        if (!o.flag("--retry")) {
            Fail(std::string(kTryAgainCaption) + ": " +
                 TryAgainText(result.threshold, result.analysis.highestLuminance) +
                 " (use --retry)");
            return 1;
        }
        options.threshold = result.analysis.highestLuminance;
        return Analyze(stack, options, library, name, identity).second ? 0 : 1;
    }
    return 1;
}

int DefineFromPhotos(const Options& o, const std::string& library, const std::string& name) {
    LearnOptions options;
    options.minVotes = NumberOption(o, "--min-votes", 1, int(o.operands.size()), 0);
    PhotoLearner learner;
    std::vector<CameraIdentity> identities;
    if (!LoadFrames(o.operands, identities, [&](Bitmap b) { learner.add(b); })) return 1;
    LearnResult result;
    {
        ConsoleProgress progress;
        result = learner.learn(options, progress);
    }
    switch (result.analysis.outcome) {
    case BlackshotOutcome::Lines:
        return StoreCamera(result.analysis.lines, library, name, CommonIdentityOf(identities),
                           {LearnResultText(result)})
                   ? 0
                   : 1;
    case BlackshotOutcome::ClusterTooLarge:
        Fail(std::string(kBlackshotErrorCaption) + ": " + BlackshotErrorText());
        return 1;
    case BlackshotOutcome::NoLines:
        break;
    }
    Fail(std::string(kNoHotPixelsCaption) + ": " + NothingStoodOutText(result));
    return 1;
}

} // namespace

int DefineCommand(std::span<const std::string> args) {
    Options o = Parse(args, {"--name", "--threshold", "--library", "--min-votes"},
                      {"--replace", "--retry", "--auto-level", "--from-photos"});
    const bool fromPhotos = o.flag("--from-photos");
    if (o.operands.empty())
        throw CommandUsageError(fromPhotos ? "define --from-photos expects PHOTOs"
                                           : "define expects a BLACKSHOT");
    auto name = o.value("--name");
    if (!name || name->empty()) throw CommandUsageError("define needs --name NAME");
    if (const std::string problem = CameraNameError(*name); !problem.empty())
        throw CommandUsageError(problem);
    if (fromPhotos) {
        for (const char* blackshotOnly : {"--threshold", "--auto-level", "--retry"})
            if (o.value(blackshotOnly) || o.flag(blackshotOnly))
                throw CommandUsageError(std::string(blackshotOnly) +
                                        " is for blackshots, not for --from-photos");
        if (o.operands.size() < std::size_t(kMinLearnPhotos))
            throw CommandUsageError("--from-photos needs at least " +
                                    std::to_string(kMinLearnPhotos) + " photos of one camera");
    }
    // Wrong usage is told before anything is read.
    NumberOption(o, "--threshold", 20, 60, 30);
    NumberOption(o, "--min-votes", 1, int(o.operands.size()), 0);
    const std::string library = Library(o);
    if (!DirectoryExists(library)) CreateDir(library);

    for (const std::string& known : EnumerateCameras(library)) {
        if (!SameText(known, *name) || o.flag("--replace")) continue;
        Fail("Replace Camera?: There is already a camera named " + *name +
             ". Do you want to replace it? (use --replace)");
        return 1;
    }
    return fromPhotos ? DefineFromPhotos(o, library, *name)
                      : DefineFromBlackshots(o, library, *name);
}

namespace {

// Reports a batch on the terminal: the stored paths on standard output, the
// failures and warnings on standard error, the repair's progress on a
// terminal's status line. A failure does not stop the run.
class ConsoleBatch : public BatchObserver {
  public:
    // With cameras chosen per photo, each stored path is followed by a tab
    // and the camera's name, and the photos without one are told.
    explicit ConsoleBatch(const std::vector<std::string>& photos,
                          const CameraChoices* choices = nullptr)
        : photos_(photos), choices_(choices) {}

    void progress(std::size_t, const std::string& status, int, int) override {
        console_.status(status);
    }
    void stored(std::size_t index, const std::string& written) override {
        console_.clear();
        if (choices_)
            std::cout << written << "\t" << choices_->camera[index] << std::endl;
        else
            std::cout << written << std::endl;
        // Two photos that differ only in their extension share a stored
        // name: the later one replaces the earlier one's copy.
        auto [it, fresh] = written_.emplace(written, index);
        if (!fresh) {
            std::cerr << kProgram << ": warning: " << photos_[index] << " is stored as " << written
                      << ", replacing the copy of " << photos_[it->second] << "\n";
            it->second = index;
        }
    }
    // With --lossless, a photo whose JPEG quality could not be kept says
    // why.
    void storeOutcome(std::size_t index, const StoreOutcome& outcome) override {
        if (outcome.keptQuality || outcome.fullEncodeReason.empty()) return;
        console_.clear();
        std::cerr << kProgram << ": note: " << photos_[index] << ": " << StoreModeText(outcome)
                  << "\n";
    }
    bool failed(std::size_t index, const BatchFailure& f) override {
        console_.clear();
        ++failures;
        if (f.jpegStore)
            Fail("File Error: " + f.text);
        else if (f.damaged)
            Fail("Warning: " + f.text + "\rIt was not stored.");
        else
            Fail("File Error: Unable to read file " + photos_[index] + "\r" + f.text);
        return true;
    }

    void skipped(std::size_t index) override {
        console_.clear();
        ++failures;
        Fail(photos_[index] + ": not repaired: " + (choices_ ? choices_->reason[index] : ""));
    }

    int failures = 0;

  private:
    const std::vector<std::string>& photos_;
    const CameraChoices* choices_;
    ConsoleProgress console_;
    std::map<std::string, std::size_t> written_;
};

} // namespace

int FixCommand(std::span<const std::string> args) {
    // -j N is --jobs N.
    std::vector<std::string> expanded(args.begin(), args.end());
    for (std::string& a : expanded)
        if (a == "-j") a = "--jobs";
    Options o = Parse(expanded, {"--camera", "--library", "--jobs"}, {"--lossless"});
    auto camera = o.value("--camera");
    if (!camera || camera->empty()) throw CommandUsageError("fix needs --camera NAME|FILE.cam");
    if (o.operands.empty()) throw CommandUsageError("fix expects at least one PHOTO");
    BatchOptions batch;
    batch.keepJpegQuality = o.flag("--lossless");
    if (auto jobs = o.value("--jobs")) {
        std::size_t used = 0;
        long n = 0;
        try {
            n = std::stol(*jobs, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != jobs->size() || n < 1 || n > 256)
            throw CommandUsageError("--jobs must be a number from 1 to 256");
        batch.workers = unsigned(n);
    }

    // Each photo with the camera its Exif names.
    if (*camera == "auto") {
        const CameraChoices choices = ChooseCamerasByExif(o.operands, Library(o));
        ConsoleBatch console(o.operands, &choices);
        RunBatch(o.operands, choices.hotPixels, console, batch);
        return console.failures ? 1 : 0;
    }

    // A path to a camera file, or a camera of the library.
    std::string path = *camera;
    if (!(SameText(ExtractFileExt(path), ".cam") && FileExists(path)))
        path = ResolveCameraPath(Library(o) + *camera + ".cam");
    CameraFileContents cam;
    try {
        cam = ReadCameraFile(path);
    } catch (const std::exception& e) {
        Fail("File Error: " + CameraFileFailureText(path, e));
        return 1;
    }

    ConsoleBatch console(o.operands);
    RunBatch(o.operands, cam.records, console, batch);
    return console.failures ? 1 : 0;
}

int CamerasCommand(std::span<const std::string> args) {
    Options o = Parse(args, {"--library"}, {});
    if (!o.operands.empty()) throw CommandUsageError("cameras takes no operands");
    std::vector<std::string> names = EnumerateCameras(Library(o));
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareText(a, b) < 0;
    });
    for (const std::string& n : names)
        std::cout << n << "\n";
    return 0;
}

} // namespace vt::cli
