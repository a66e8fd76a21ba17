// Opening a photograph in the window until the photo view has painted it,
// against libjpeg's own decoder on the same file, side by side in one run.
//
//   open_photo_bench PHOTO.jpg [--fit]
//                                   rounds of both; last line
//                                   "open/djpeg <ratio>" (medians); with
//                                   --fit the window shows photos fitted
//   open_photo_bench --make OUT.jpg writes a 6000 x 4000 baseline JPEG of a
//                                   camera-like textured picture
//
// Each open runs in a fresh process of its own (this program started again
// with --once), as each djpeg does: a warm loop would reuse pixel memory
// that a user's first photo has to fault in.
#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/gui/form1.h"
#include "effects/gui/raduvir.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/registry.h"
#include "repair/gui/photosession.h"
#include "repair/photooutput.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Resident and peak resident memory of this process, in MB.
double StatusMb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atof(line.c_str() + std::string(key).size()) / 1024;
    return 0;
}

int MakePhoto(const std::string& path) {
    // Smooth gradients with fine grain on top, as a sensor gives them.
    vt::Bitmap b(6000, 4000);
    std::uint32_t seed = 12345;
    for (int y = 0; y < b.height(); ++y) {
        std::uint8_t* row = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = x / 6000.0, v = y / 4000.0;
            const int r = int(128 + 100 * std::sin(6 * u + 2 * v)) + grain;
            const int g = int(110 + 90 * std::cos(4 * v - 3 * u)) + grain;
            const int bl = int(100 + 80 * std::sin(9 * u * v + 1)) + grain;
            row[3 * x] = std::uint8_t(std::clamp(bl, 0, 255));
            row[3 * x + 1] = std::uint8_t(std::clamp(g, 0, 255));
            row[3 * x + 2] = std::uint8_t(std::clamp(r, 0, 255));
        }
    }
    vt::WriteJpegFile(path, b, 92);
    std::printf("wrote %s\n", path.c_str());
    return 0;
}

// Counts the photo view's paints.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Boxes the window would show (a photo it cannot read, say) go to the error
// output and end the open instead of waiting for a user that is not there.
class NoUserDialogs : public vt::gui::Dialogs {
  public:
    bool told = false;
    int messageBox(const vt::gui::MessageBoxRequest& r) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(r.caption),
                     qPrintable(QString(r.text).replace('\r', ' ')));
        told = true;
        return r.buttons & vt::gui::mbCancel ? vt::gui::mbCancel
               : r.buttons & vt::gui::mbNo   ? vt::gui::mbNo
                                             : vt::gui::mbOK;
    }
    vt::gui::FileDialogResult openFile(const vt::gui::FileDialogRequest&) override { return {}; }
    vt::gui::FileDialogResult saveFile(const vt::gui::FileDialogRequest&) override { return {}; }
    std::optional<QColor> chooseColor(const QColor&) override { return std::nullopt; }
    int execModal(QDialog&) override { return 0; }
    void beep() override {}
};

int OpenOnce(int argc, char** argv, const std::string& photo, bool fit) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    NoUserDialogs noUser;
    vt::gui::setDialogs(&noUser);
    char dirTemplate[] = "/tmp/open_photo_bench.XXXXXX";
    const std::string dir = std::string(mkdtemp(dirTemplate)) + "/";
    vt::CreateDir(dir + "Cameras");
    std::ofstream(dir + "Vorantel.ini")
        << "[Init]\r\nTipOfTheDay=0\r\nZoomFit=" << (fit ? 1 : 0) << "\r\n";
    vt::TRegistry::setStorePath(dir + "registry");
    double took = 0, before = 0, after = 0, peak = 0;
    bool painted = false;
    {
        vt::gui::TForm1 form(dir);
        form.resize(1280, 900);
        form.show();
        QApplication::processEvents();
        PaintCounter counter;
        form.Image1->installEventFilter(&counter);
        before = StatusMb("VmRSS:");
        const auto start = Clock::now();
        form.Photo->LoadPhotoForRepair(photo);
        QApplication::processEvents();
        if (counter.paints == 0) form.Image1->repaint();
        painted = counter.paints > 0;
        took = Ms(Clock::now() - start);
        after = StatusMb("VmRSS:");
        peak = StatusMb("VmHWM:");
        form.Photo->SetUnsavedChanges(false);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    vt::gui::setDialogs(nullptr);
    // Nothing counts unless the photo opened and the view really painted it.
    if (noUser.told || !painted) return 1;
    std::printf("%.3f %.1f %.1f %.1f\n", took, before, after, peak);
    return 0;
}

// Runs a program to its end, with its standard output; false when it
// failed.
bool Run(const std::vector<std::string>& args, double& ms, std::string& text) {
    int out[2];
    if (pipe(out) != 0) return false;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ms = Ms(Clock::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--make") return MakePhoto(argv[2]);
    if (argc >= 3 && std::string(argv[1]) == "--once")
        return OpenOnce(argc, argv, argv[2], argc == 4 && std::string(argv[3]) == "--fit");
    const bool fit = argc == 3 && std::string(argv[2]) == "--fit";
    if (argc != 2 && !fit) {
        std::fprintf(stderr, "usage: open_photo_bench PHOTO.jpg [--fit] | --make OUT.jpg\n");
        return 2;
    }
    const std::string photo = argv[1];
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    self[n] = 0;
    std::vector<double> opens, djpegs;
    double added = 0, peak = 0;
    for (int round = 0; round < 7; ++round) {
        double processMs = 0, djpegMs = 0;
        std::string once, none;
        std::vector<std::string> args{self, "--once", photo};
        if (fit) args.push_back("--fit");
        if (!Run(args, processMs, once) ||
            !Run({"/usr/bin/djpeg", "-outfile", "/dev/null", photo}, djpegMs, none)) {
            std::fprintf(stderr, "the window or djpeg could not open %s\n", photo.c_str());
            return 1;
        }
        double open = 0, before = 0, after = 0, high = 0;
        if (std::sscanf(once.c_str(), "%lf %lf %lf %lf", &open, &before, &after, &high) != 4)
            return 1;
        std::printf("round %d: open %.1f ms, djpeg %.1f ms, memory %+.0f MB (peak %.0f MB)\n",
                    round, open, djpegMs, after - before, high);
        opens.push_back(open);
        djpegs.push_back(djpegMs);
        added = after - before;
        peak = high;
    }
    std::printf("median: open %.1f ms, djpeg %.1f ms; photo on view holds %+.0f MB, peak %.0f MB\n",
                Median(opens), Median(djpegs), added, peak);
    std::printf("open/djpeg %.2f\n", Median(opens) / Median(djpegs));
    return 0;
}
