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
#include "camera/camerafile.h"
#include "camera/cameralibrary.h"
#include "imageio/fileformatlist.h"
#include "platform/files.h"
#include "platform/progdir.h"
#include "repair/batch.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::cli {

const char* const kDefineArguments =
    "--name NAME [--threshold N] [--replace] [--retry] [--library DIR] BLACKSHOT";
const char* const kFixArguments =
    "--camera NAME|FILE.cam [--jobs N | -j N] [--lossless] [--library DIR] PHOTO...";
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

// One analysis with the messages of the window; returns the highest
// luminance and whether a camera was written.
std::pair<int, bool> Analyze(const Bitmap& blackshot, int threshold, const std::string& library,
                             const std::string& name) {
    BlackshotResult result;
    {
        ConsoleProgress progress;
        result = AnalyzeBlackshotBitmap(blackshot, threshold, progress);
    }
    if (result.outcome == BlackshotOutcome::ClusterTooLarge) {
        Fail(std::string(kBlackshotErrorCaption) + ": " + BlackshotErrorText());
        return {result.highestLuminance, false};
    }
    if (result.outcome != BlackshotOutcome::Lines || result.lines.empty())
        return {result.highestLuminance, false};
    const std::string path = CameraFilePath(library, name);
    try {
        WriteCameraFile(path, result.lines);
    } catch (const std::exception& e) {
        Fail(std::string(kFileErrorCaption) + ": " + CameraWriteErrorText(path, e.what()));
        return {result.highestLuminance, false};
    }
    std::cout << Lines(CameraDefinedText(name)) << "\n";
    return {result.highestLuminance, true};
}

} // namespace

int DefineCommand(std::span<const std::string> args) {
    Options o = Parse(args, {"--name", "--threshold", "--library"}, {"--replace", "--retry"});
    if (o.operands.size() != 1) throw CommandUsageError("define expects one BLACKSHOT");
    auto name = o.value("--name");
    if (!name || name->empty()) throw CommandUsageError("define needs --name NAME");
    if (const std::string problem = CameraNameError(*name); !problem.empty())
        throw CommandUsageError(problem);
    int threshold = 30;
    if (auto t = o.value("--threshold")) {
        std::size_t used = 0;
        try {
            threshold = std::stoi(*t, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != t->size() || threshold < 20 || threshold > 60)
            throw CommandUsageError("--threshold must be a number from 20 to 60");
    }
    const std::string library = Library(o);
    if (!DirectoryExists(library)) CreateDir(library);

    for (const std::string& known : EnumerateCameras(library)) {
        if (!SameText(known, *name) || o.flag("--replace")) continue;
        Fail("Replace Camera?: There is already a camera named " + *name +
             ". Do you want to replace it? (use --replace)");
        return 1;
    }

    const std::string& file = o.operands[0];
    Bitmap blackshot;
    try {
        blackshot = LoadPicture(file).convertedTo24();
        auto [highest, written] = Analyze(blackshot, threshold, library, *name);
        if (written) return 0;
        switch (BlackshotFollowUpOf(highest, false)) {
        case BlackshotFollowUp::NoHotPixels:
            Fail(std::string(kNoHotPixelsCaption) + ": " + NoHotPixelsText());
            return 1;
        case BlackshotFollowUp::TryAgain:
            if (!o.flag("--retry")) {
                Fail(std::string(kTryAgainCaption) + ": " + TryAgainText(threshold, highest) +
                     " (use --retry)");
                return 1;
            }
            return Analyze(blackshot, highest, library, *name).second ? 0 : 1;
        case BlackshotFollowUp::None:
            return 0;
        }
    } catch (const std::exception& e) {
        Fail("File Error: Unable to read file " + file + "\r" + e.what());
    }
    return 1;
}

namespace {

// Reports a batch on the terminal: the stored paths on standard output, the
// failures and warnings on standard error, the repair's progress on a
// terminal's status line. A failure does not stop the run.
class ConsoleBatch : public BatchObserver {
  public:
    explicit ConsoleBatch(const std::vector<std::string>& photos) : photos_(photos) {}

    void progress(std::size_t, const std::string& status, int, int) override {
        console_.status(status);
    }
    void stored(std::size_t index, const std::string& written) override {
        console_.clear();
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
        else
            Fail("File Error: Unable to read file " + photos_[index] + "\r" + f.text);
        return true;
    }

    int failures = 0;

  private:
    const std::vector<std::string>& photos_;
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

    // A path to a camera file, or a camera of the library.
    std::string path = *camera;
    if (!(SameText(ExtractFileExt(path), ".cam") && FileExists(path)))
        path = ResolveCameraPath(Library(o) + *camera + ".cam");
    CameraFileContents cam;
    try {
        cam = ReadCameraFile(path);
    } catch (const std::exception& e) {
        Fail("File Error: Unable to open or read file " + path + "\r" + e.what());
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
