#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camera/analysis.h"
#include "camera/camerafile.h"
#include "repair/repair.h"

using namespace vt;

namespace {

Bitmap BlackImage(int w, int h) {
    return Bitmap(w, h);
}

void Grey(Bitmap& b, int x, int y, int v) {
    b.setPixel(x, y, RGBColor(v, v, v));
}

// The lines as the camera file holds them: last produced first.
std::vector<std::string> FileOrder(const BlackshotResult& r) {
    return {r.lines.rbegin(), r.lines.rend()};
}

BlackshotResult Analyze(Bitmap& b, int threshold) {
    NullProgress p;
    return AnalyzeBlackshotBitmap(b, threshold, p);
}

// Exact value of the weighted sum, from the weights' binary mantissas.
struct ExactWeight {
    std::int64_t mantissa;
    int exponent; // weight = mantissa * 2^exponent
};

ExactWeight Decompose(double w) {
    int e = 0;
    const double m = std::frexp(w, &e);
    return {static_cast<std::int64_t>(std::ldexp(m, 53)), e - 53};
}

} // namespace

TEST(Luminance, MatchesTheExactSumForEveryInput) {
    const ExactWeight w[3] = {Decompose(0.212671), Decompose(0.71516), Decompose(0.072169)};
    int lowest = 0;
    for (const auto& e : w)
        lowest = std::min(lowest, e.exponent);
    __int128 scaled[3];
    for (int i = 0; i < 3; ++i)
        scaled[i] = __int128(w[i].mantissa) << (w[i].exponent - lowest);

    long mismatches = 0;
    int firstR = -1, firstG = -1, firstB = -1;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const __int128 sum = r * scaled[0] + g * scaled[1] + b * scaled[2];
                const int exact = static_cast<int>(sum >> -lowest);
                if (Luminance(r, g, b) != exact && mismatches++ == 0) {
                    firstR = r;
                    firstG = g;
                    firstB = b;
                }
            }
    EXPECT_EQ(mismatches, 0) << "first at " << firstR << "," << firstG << "," << firstB;
}

TEST(Luminance, GreyLevelsAreThemselvesWhereDoubleEvaluationFallsShort) {
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(Luminance(v, v, v), v) << v;
    // Plain double evaluation gives one less for these levels; the test above
    // therefore rules it out.
    int shortfalls = 0;
    for (int v : {19, 31, 38, 62, 76, 124, 125, 152, 248, 250}) {
        const double y = 0.212671 * v + 0.71516 * v + 0.072169 * v;
        if (static_cast<int>(y) == v - 1) ++shortfalls;
    }
    EXPECT_EQ(shortfalls, 10);
    EXPECT_EQ(Luminance(255, 0, 0), 54);
    EXPECT_EQ(Luminance(0, 255, 0), 182);
    EXPECT_EQ(Luminance(0, 0, 255), 18);
}

TEST(BlackshotAnalysis, SinglePixelGivesFourLinesInFileOrder) {
    Bitmap b = BlackImage(9, 9);
    Grey(b, 4, 4, 200);
    const BlackshotResult r = Analyze(b, 30);
    EXPECT_EQ(r.outcome, BlackshotOutcome::Lines);
    EXPECT_EQ(r.highestLuminance, 200);
    EXPECT_EQ(r.candidates, 1);
    EXPECT_EQ(r.blocks, 1);
    const std::vector<std::string> expected = {
        " 00004,00004,00003,00005,00004,00005,00005,00005", // bottom
        " 00004,00004,00003,00003,00003,00004,00003,00005", // left
        " 00004,00004,00005,00003,00005,00004,00005,00005", // right
        "*00004,00004,00003,00003,00004,00003,00005,00003", // top, marked
    };
    EXPECT_EQ(FileOrder(r), expected);
    EXPECT_EQ(b.pixel(4, 4), RGBColor(200, 200, 200)); // the caller's picture is kept
}

TEST(BlackshotAnalysis, OutshoneNeighbourIsRepairedFromTheRingBeyond) {
    Bitmap b = BlackImage(9, 9);
    Grey(b, 4, 4, 200);
    Grey(b, 5, 4, 100);
    const BlackshotResult r = Analyze(b, 30);
    EXPECT_EQ(r.candidates, 1);
    const std::vector<std::string> expected = {
        " 00005,00005,00004,00006,00005,00006,00006,00006",
        " 00003,00003,00002,00002,00002,00003,00002,00004",
        " 00003,00005,00002,00006,00003,00006,00004,00006",
        " 00003,00003,00002,00002,00003,00002,00004,00002",
        " 00005,00003,00004,00002,00005,00002,00006,00002",
        " 00005,00003,00006,00002,00006,00003,00006,00004",
        " 00003,00005,00002,00004,00002,00005,00002,00006",
        " 00005,00005,00006,00004,00006,00005,00006,00006",
        " 00004,00003,00003,00002,00004,00002,00005,00002",
        " 00005,00004,00006,00003,00006,00004,00006,00005", // (5,4) from column 6
        " 00003,00004,00002,00003,00002,00004,00002,00005",
        " 00004,00005,00003,00006,00004,00006,00005,00006",
        " 00004,00004,00003,00005,00004,00005,00005,00005",
        " 00004,00004,00003,00003,00003,00004,00003,00005",
        " 00004,00004,00005,00003,00005,00004,00005,00005",
        "*00004,00004,00003,00003,00004,00003,00005,00003",
    };
    EXPECT_EQ(FileOrder(r), expected);
}

TEST(BlackshotAnalysis, EqualNeighboursAreBothCandidates) {
    Bitmap b = BlackImage(9, 9);
    Grey(b, 4, 4, 200);
    Grey(b, 5, 4, 200);
    const BlackshotResult r = Analyze(b, 30);
    EXPECT_EQ(r.candidates, 2);
    EXPECT_EQ(r.blocks, 2);
    const std::vector<std::string> file = FileOrder(r);
    ASSERT_EQ(file.size(), 20u);
    const std::vector<std::string> firstBlock(file.begin(), file.begin() + 4);
    const std::vector<std::string> expected = {
        " 00005,00004,00004,00005,00005,00005,00006,00005",
        " 00005,00004,00004,00003,00004,00004,00004,00005",
        " 00005,00004,00006,00003,00006,00004,00006,00005",
        "*00005,00004,00004,00003,00005,00003,00006,00003",
    };
    EXPECT_EQ(firstBlock, expected);
    EXPECT_EQ(file.back(), "*00004,00004,00003,00003,00004,00003,00005,00003");
}

TEST(BlackshotAnalysis, ThresholdIsInclusive) {
    Bitmap at = BlackImage(9, 9);
    Grey(at, 4, 4, 30);
    EXPECT_EQ(Analyze(at, 30).candidates, 1);

    Bitmap below = BlackImage(9, 9);
    Grey(below, 4, 4, 29);
    const BlackshotResult r = Analyze(below, 30);
    EXPECT_EQ(r.candidates, 0);
    EXPECT_EQ(r.outcome, BlackshotOutcome::NoLines);
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.highestLuminance, 29);
    EXPECT_EQ(below.pixel(4, 4), RGBColor(29, 29, 29)); // nothing painted
}

TEST(BlackshotAnalysis, EdgeRowsAndColumns) {
    {
        // Top row: the ring falls onto the row itself, so the growing pass
        // already repairs the pixel from its own row.
        Bitmap b = BlackImage(9, 9);
        Grey(b, 4, 0, 200);
        const std::vector<std::string> file = FileOrder(Analyze(b, 30));
        ASSERT_EQ(file.size(), 10u);
        EXPECT_EQ(file.back(), "*00004,00000,00003,00000,00004,00000,00005,00000");
        EXPECT_EQ(file[file.size() - 2], " 00004,00000,00003,00000,00004,00000,00005,00000");
        EXPECT_EQ(file.front(), " 00005,00001,00004,00002,00005,00002,00006,00002");
    }
    {
        // Bottom row: only the top line stays inside the image.
        Bitmap b = BlackImage(9, 9);
        Grey(b, 4, 8, 200);
        const std::vector<std::string> expected = {
            "*00004,00008,00003,00007,00004,00007,00005,00007"};
        EXPECT_EQ(FileOrder(Analyze(b, 30)), expected);
    }
    {
        // Rightmost column: only the left line stays inside the image.
        Bitmap b = BlackImage(9, 9);
        Grey(b, 8, 4, 200);
        const std::vector<std::string> expected = {
            "*00008,00004,00007,00003,00007,00004,00007,00005"};
        EXPECT_EQ(FileOrder(Analyze(b, 30)), expected);
    }
    {
        // An isolated pixel in the bottom-right corner leaves an empty block,
        // which is skipped.
        Bitmap b = BlackImage(9, 9);
        Grey(b, 8, 8, 200);
        const BlackshotResult r = Analyze(b, 30);
        EXPECT_EQ(r.candidates, 1);
        EXPECT_EQ(r.blocks, 0);
        EXPECT_EQ(r.outcome, BlackshotOutcome::NoLines);

        Grey(b, 4, 4, 200);
        const BlackshotResult r2 = Analyze(b, 30);
        EXPECT_EQ(r2.candidates, 2);
        EXPECT_EQ(r2.blocks, 1);
        EXPECT_EQ(r2.lines.size(), 4u);
    }
    {
        // A one-pixel image: nothing fits around the hot pixel.
        Bitmap b = BlackImage(1, 1);
        Grey(b, 0, 0, 255);
        const BlackshotResult r = Analyze(b, 30);
        EXPECT_EQ(r.highestLuminance, 255);
        EXPECT_EQ(r.outcome, BlackshotOutcome::NoLines);
    }
}

TEST(BlackshotAnalysis, ClusterSpanLimit) {
    auto square = [](int side) {
        Bitmap b = BlackImage(41, 41);
        const int half = side / 2;
        for (int y = 20 - half; y <= 20 + half; ++y)
            for (int x = 20 - half; x <= 20 + half; ++x)
                Grey(b, x, y, 10);
        Grey(b, 20, 20, 200);
        return b;
    };
    Bitmap ok = square(25);
    const BlackshotResult accepted = Analyze(ok, 30);
    EXPECT_EQ(accepted.outcome, BlackshotOutcome::Lines);
    EXPECT_EQ(accepted.lines.size(), 676u);
    EXPECT_EQ(accepted.blocks, 1);

    Bitmap big = square(27);
    const BlackshotResult refused = Analyze(big, 30);
    EXPECT_EQ(refused.outcome, BlackshotOutcome::ClusterTooLarge);
    EXPECT_TRUE(refused.lines.empty());
    EXPECT_EQ(refused.highestLuminance, 200);
    // A refused cluster leaves no camera selected: the retry question follows.
    EXPECT_EQ(BlackshotFollowUpOf(refused.highestLuminance, false), BlackshotFollowUp::TryAgain);
}

TEST(BlackshotAnalysis, ProcessingStopsAtTheFirstTooLargeCluster) {
    Bitmap b = BlackImage(60, 40);
    Grey(b, 2, 2, 200); // a fine candidate before the bad one
    for (int y = 5; y < 35; ++y)
        for (int x = 20; x < 50; ++x)
            Grey(b, x, y, 10);
    Grey(b, 35, 20, 220);
    const BlackshotResult r = Analyze(b, 30);
    EXPECT_EQ(r.outcome, BlackshotOutcome::ClusterTooLarge);
    EXPECT_TRUE(r.lines.empty());
}

TEST(BlackshotAnalysis, FollowUpAndRetryNumbers) {
    Bitmap dark = BlackImage(20, 10);
    Grey(dark, 3, 3, 9);
    const BlackshotResult none = Analyze(dark, 30);
    EXPECT_EQ(none.highestLuminance, 9);
    EXPECT_EQ(BlackshotFollowUpOf(none.highestLuminance, false), BlackshotFollowUp::NoHotPixels);
    EXPECT_EQ(BlackshotFollowUpOf(200, true), BlackshotFollowUp::None);

    Bitmap faint = BlackImage(20, 10);
    Grey(faint, 3, 3, 15);
    Grey(faint, 10, 5, 15);
    Grey(faint, 11, 5, 12); // outshone by (10,5)
    const BlackshotResult first = Analyze(faint, 30);
    EXPECT_EQ(first.outcome, BlackshotOutcome::NoLines);
    EXPECT_EQ(first.highestLuminance, 15);
    EXPECT_EQ(BlackshotFollowUpOf(first.highestLuminance, false), BlackshotFollowUp::TryAgain);
    EXPECT_EQ(TryAgainText(30, 15), "No hot pixels were found with luminance of 30 or more.\r"
                                    "The highest luminance value found was 15.\r"
                                    "Shall Vorantel mark these pixels as \"hot?\"");
    const BlackshotResult again = Analyze(faint, first.highestLuminance);
    EXPECT_EQ(again.outcome, BlackshotOutcome::Lines);
    EXPECT_EQ(again.candidates, 2);
    EXPECT_EQ(again.blocks, 2);
}

TEST(BlackshotAnalysis, MessageTexts) {
    EXPECT_EQ(BlackshotErrorText(), "The camera cannot be added to Vorantel because the selected "
                                    "image has too many contiguous nonblack pixels.");
    EXPECT_EQ(CameraDefinedText("Studio"), "Camera \"Studio\" is defined.");
    EXPECT_EQ(NoHotPixelsText(),
              "Your blackshot has no hot/dead pixels!\rTry a lower luminance threshold.");
    EXPECT_EQ(CameraWriteErrorText("/c/Studio.cam", "No space left on device"),
              "Unable to open or write file /c/Studio.cam\rNo space left on device");
}

TEST(BlackshotAnalysis, RefusesUnusableSizesAndThresholds) {
    Bitmap empty;
    EXPECT_THROW(Analyze(empty, 30), BlackshotSizeError);
    Bitmap wide = BlackImage(65536, 1);
    EXPECT_THROW(Analyze(wide, 30), BlackshotSizeError);
    Bitmap tall = BlackImage(1, 65536);
    EXPECT_THROW(Analyze(tall, 30), BlackshotSizeError);
    Bitmap widest = BlackImage(65535, 1);
    Grey(widest, 65534, 0, 250);
    EXPECT_EQ(Analyze(widest, 30).highestLuminance, 250);
    Bitmap fine = BlackImage(4, 4);
    EXPECT_THROW(Analyze(fine, 0), std::invalid_argument);
}

TEST(BlackshotAnalysis, ReportsEveryRowThenDone) {
    struct Recorder : IProgress {
        std::vector<std::string> calls;
        void status(const std::string& t) override { calls.push_back("s:" + t); }
        void range(int lo, int hi) override {
            calls.push_back("r:" + std::to_string(lo) + "-" + std::to_string(hi));
        }
        void position(int p) override { calls.push_back("p:" + std::to_string(p)); }
    } rec;
    Bitmap b = BlackImage(5, 3);
    AnalyzeBlackshotBitmap(b, 30, rec);
    const std::vector<std::string> expected = {
        "r:0-3", "s:Analyzing row 0", "p:1", "s:Analyzing row 1",
        "p:2",   "s:Analyzing row 2", "p:3", "s:Done",
        "p:0"};
    EXPECT_EQ(rec.calls, expected);
}

TEST(BlackshotAnalysis, OtherPixelFormatsAreAnalysedAs24Bit) {
    Bitmap b(9, 9, PixelFormat::pf32bit);
    Grey(b, 4, 4, 200);
    const BlackshotResult r = Analyze(b, 30);
    EXPECT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf32bit);
}

// The retry after a refused cluster analyses the same picture again: pixels
// painted in the first run's work copy must not be lost to it.
TEST(BlackshotAnalysis, RetryAfterARefusedClusterSeesTheWholeBlackshot) {
    Bitmap b = BlackImage(60, 40);
    Grey(b, 2, 2, 200);
    for (int y = 5; y < 35; ++y)
        for (int x = 20; x < 50; ++x)
            Grey(b, x, y, 10);
    Grey(b, 35, 20, 40);
    const Bitmap before = b;
    const BlackshotResult first = Analyze(b, 30);
    EXPECT_EQ(first.outcome, BlackshotOutcome::ClusterTooLarge);
    EXPECT_EQ(first.highestLuminance, 200);
    EXPECT_EQ(b, before);
    const BlackshotResult retry = Analyze(b, first.highestLuminance);
    EXPECT_EQ(retry.outcome, BlackshotOutcome::Lines);
    EXPECT_EQ(retry.lines.size(), 4u);
}

// Pseudo-random blackshots compared with the file contents that an
// independent implementation of the analysis produced for them (line count
// and FNV-1a of the CR LF file, or -1 for a refused cluster).
TEST(BlackshotAnalysis, MatchesReferenceOnScatteredImages) {
    struct Case {
        std::uint32_t seed;
        int w, h, threshold, density, highest, lines;
        std::uint64_t fnv;
    };
    const Case cases[] = {
        {1, 16, 12, 30, 40, 194, 247, 0xbf7485e16a8f5cf6ull},
        {7, 23, 17, 60, 40, 231, 424, 0xab55281c705fec49ull},
        {99, 9, 31, 20, 40, 230, -1, 0u},
        {5, 40, 30, 30, 12, 234, 324, 0x2ae011cbe8e17491ull},
        {11, 64, 48, 20, 6, 229, 331, 0x0324e5be2a71b023ull},
        {3, 3, 2, 20, 200, 190, 1, 0x3e9f141916907c92ull},
    };
    for (const Case& c : cases) {
        Bitmap b = BlackImage(c.w, c.h);
        std::uint32_t s = c.seed;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                s = s * 1103515245u + 12345u;
                if (int(s >> 24) < c.density) {
                    s = s * 1103515245u + 12345u;
                    b.setPixel(x, y, RGBColor((s >> 8) & 0xFF, (s >> 16) & 0xFF, (s >> 24) & 0xFF));
                }
            }
        const BlackshotResult r = Analyze(b, c.threshold);
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        EXPECT_EQ(r.highestLuminance, c.highest);
        if (c.lines < 0) {
            EXPECT_EQ(r.outcome, BlackshotOutcome::ClusterTooLarge);
            continue;
        }
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (const std::string& line : FileOrder(r))
            for (char ch : line + "\r\n") {
                h ^= static_cast<unsigned char>(ch);
                h *= 0x100000001b3ull;
            }
        EXPECT_EQ(static_cast<int>(r.lines.size()), c.lines);
        EXPECT_EQ(h, c.fnv);
    }
}

TEST(BlackshotAnalysis, LinesWrittenAsCameraFile) {
    Bitmap b = BlackImage(9, 9);
    Grey(b, 4, 4, 200);
    const BlackshotResult r = Analyze(b, 30);
    const auto path = std::filesystem::temp_directory_path() / "vorantel_analysis_test.cam";
    WriteCameraFile(path.string(), r.lines);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(path);
    EXPECT_EQ(bytes, " 00004,00004,00003,00005,00004,00005,00005,00005\r\n"
                     " 00004,00004,00003,00003,00003,00004,00003,00005\r\n"
                     " 00004,00004,00005,00003,00005,00004,00005,00005\r\n"
                     "*00004,00004,00003,00003,00004,00003,00005,00003\r\n");
}

// The camera file's order repairs a cluster from the outside in: the pixel
// next to the candidate is fixed before it serves as the candidate's
// reference.
TEST(BlackshotAnalysis, CameraFileRepairsAClusterFromTheOutsideIn) {
    Bitmap shot = BlackImage(9, 9);
    Grey(shot, 4, 4, 200);
    Grey(shot, 5, 4, 100);
    const BlackshotResult r = Analyze(shot, 30);
    const CameraFileContents camera = ParseCameraLines(FileOrder(r));
    ASSERT_EQ(camera.records.size(), 16u);
    ASSERT_EQ(camera.marked.size(), 1u);

    Bitmap photo(9, 9);
    photo.fill(RGBColor(50, 60, 70));
    photo.setPixel(4, 4, RGBColor(255, 255, 255));
    photo.setPixel(5, 4, RGBColor(100, 100, 100));
    NullProgress p;
    FixHotPixels(p, camera.records, photo);
    Bitmap clean(9, 9);
    clean.fill(RGBColor(50, 60, 70));
    EXPECT_EQ(photo, clean);
}
