// Cameras from several blackshots and from noisy ones, on frames of a
// simulated sensor (support/sensorframes.h): Gaussian read noise, a fixed
// pattern of hot pixels, flickering pixels, camera JPEG qualities.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "camera/blackshotstack.h"
#include "support/sensorframes.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::testing;

namespace {

StackResult Analyze(const std::vector<Bitmap>& frames, BlackshotOptions options) {
    BlackshotStack stack;
    for (const Bitmap& f : frames)
        stack.add(f);
    NullProgress progress;
    return stack.analyze(options, progress);
}

BlackshotOptions At(int threshold, bool autoLevel = false, int minVotes = 0) {
    BlackshotOptions o;
    o.threshold = threshold;
    o.autoLevel = autoLevel;
    o.minVotes = minVotes;
    return o;
}

Bitmap Grey(int w, int h, std::initializer_list<std::array<int, 3>> pixels) {
    Bitmap b(w, h);
    for (const auto& [x, y, v] : pixels)
        b.setPixel(x, y, RGBColor(v, v, v));
    return b;
}

} // namespace

// One frame at the fixed level is the classic analysis; so are three equal
// frames, and one clean frame at a measured level: the vote and the level
// change nothing where there is nothing to outvote.
TEST(BlackshotStack, EqualFramesGiveTheClassicLines) {
    Bitmap square(40, 40);
    for (int y = 8; y < 33; ++y)
        for (int x = 8; x < 33; ++x)
            square.setPixel(x, y, RGBColor(10, 10, 10));
    square.setPixel(20, 20, RGBColor(250, 240, 230));
    Bitmap tooLarge(40, 40);
    for (int y = 5; y < 32; ++y)
        for (int x = 5; x < 32; ++x)
            tooLarge.setPixel(x, y, RGBColor(10, 10, 10));
    tooLarge.setPixel(18, 18, RGBColor(200, 200, 200));
    const std::vector<std::pair<const char*, Bitmap>> shots = {
        {"one pixel", Grey(9, 9, {{4, 4, 200}})},
        {"an outshone neighbour", Grey(9, 9, {{4, 4, 200}, {5, 4, 100}})},
        {"equal neighbours", Grey(9, 9, {{4, 4, 200}, {5, 4, 200}})},
        {"edges and corners", Grey(12, 7, {{0, 0, 90}, {11, 3, 60}, {5, 6, 255}, {6, 0, 30}})},
        {"a 25 x 25 cluster", square},
        {"a 27 x 27 cluster", tooLarge},
        {"colours",
         [] {
             Bitmap b(16, 16);
             b.setPixel(3, 4, RGBColor(255, 0, 0));
             b.setPixel(9, 9, RGBColor(0, 0, 255));
             b.setPixel(10, 9, RGBColor(20, 60, 9));
             return b;
         }()},
    };
    for (const auto& [what, shot] : shots) {
        NullProgress progress;
        const BlackshotResult classic = AnalyzeBlackshotBitmap(shot, 30, progress);
        std::vector<std::pair<int, BlackshotOptions>> ways = {{1, At(30)}, {3, At(30)}};
        // A frame whose faint pixels are no noise above the fixed level.
        if (!MeasureNoiseFloor(HistogramOf(shot)).aboveFixedLevel())
            ways.push_back({1, At(30, true)});
        for (const auto& [frames, options] : ways) {
            const StackResult r = Analyze(std::vector<Bitmap>(std::size_t(frames), shot), options);
            EXPECT_EQ(r.analysis.outcome, classic.outcome) << what << ", " << frames;
            EXPECT_EQ(r.analysis.lines, classic.lines) << what << ", " << frames;
            EXPECT_EQ(r.analysis.highestLuminance, classic.highestLuminance) << what;
        }
    }
}

// The case of a new user: a 1200 x 800 blackshot with read noise of 6 levels
// and 100 hot pixels of 200 fails at every threshold, and the question that
// follows now tells why and offers the measured level, which finds them all.
TEST(BlackshotStack, NoisyBlackshotIsToldSoAndItsOwnLevelFindsTheHotPixels) {
    TempDir dir;
    DarkFrameModel model;
    model.width = 1200;
    model.height = 800;
    model.readNoise = 6;
    std::vector<HotPixel> pattern = HotPattern(1200, 800, 100, 200, 200, 1);
    for (HotPixel& h : pattern)
        h.tint[0] = h.tint[1] = h.tint[2] = 1;
    const std::vector<Bitmap> frame = {DarkFrame(model, pattern, 7, dir.path())};
    for (int threshold : {20, 40, 60}) {
        const StackResult r = Analyze(frame, At(threshold));
        EXPECT_EQ(r.analysis.outcome, BlackshotOutcome::ClusterTooLarge) << threshold;
        ASSERT_EQ(DefinitionFollowUpOf(r, false), DefinitionFollowUp::NoisyBlackshot) << threshold;
        const std::string question = NoisyBlackshotText(r);
        EXPECT_NE(question.find("black level of " + std::to_string(r.noise.blackLevel) +
                                " measured from the blackshot?"),
                  std::string::npos)
            << question;
        const StackResult found = Analyze(frame, At(threshold, true));
        const Findings f = Score(found.analysis.lines, pattern);
        EXPECT_EQ(f.repaired, 100) << threshold << ": " << f;
        EXPECT_EQ(f.falseBlocks, 0) << threshold << ": " << f;
    }
}

// A patch too large for a cluster in a clean frame is no noise: the classic
// question follows, as before.
TEST(BlackshotStack, BrightPatchIsNoNoise) {
    Bitmap b(40, 40);
    for (int y = 5; y < 32; ++y)
        for (int x = 5; x < 32; ++x)
            b.setPixel(x, y, RGBColor(10, 10, 10));
    b.setPixel(18, 18, RGBColor(200, 200, 200));
    const StackResult r = Analyze({b}, At(30));
    EXPECT_EQ(r.analysis.outcome, BlackshotOutcome::ClusterTooLarge);
    EXPECT_GT(r.noise.blackLevel, kFixedBlackLevel);
    EXPECT_EQ(DefinitionFollowUpOf(r, false), DefinitionFollowUp::TryAgain);
}

// Three frames of one camera at read noise of 2 to 8 levels, stored as JPEG
// at camera qualities, each with flickering pixels of its own: the vote
// keeps the fixed pattern and drops the flicker, which one frame alone
// cannot tell from a hot pixel.
TEST(BlackshotStack, ThreeNoisyFramesVoteOutTheFlicker) {
    struct Case {
        double noise;
        int quality;
        int hot;
    };
    const Case cases[] = {{2, 90, 50}, {4, 95, 200}, {6, 92, 500}, {8, 97, 300}};
    TempDir dir;
    for (const Case& c : cases) {
        DarkFrameModel model;
        model.width = 1000;
        model.height = 700;
        model.readNoise = c.noise;
        model.pedestal = c.noise;
        model.jpegQuality = c.quality;
        model.transients = c.hot / 2;
        // Hot pixels from well above the noise to bright.
        const std::vector<HotPixel> pattern =
            HotPattern(model.width, model.height, c.hot, std::max(50.0, 10 * c.noise), 250,
                       std::uint32_t(c.hot));
        std::vector<Bitmap> frames;
        for (std::uint32_t f = 0; f < 3; ++f)
            frames.push_back(DarkFrame(model, pattern, 100 + f, dir.path()));

        const Findings voted = Score(Analyze(frames, At(30, true)).analysis.lines, pattern);
        const Findings alone = Score(Analyze({frames[0]}, At(30, true)).analysis.lines, pattern);
        std::cout << "noise " << c.noise << ", quality " << c.quality << ", " << c.hot
                  << " hot pixels: 3 frames: " << voted << "; 1 frame: " << alone << "\n";
        EXPECT_GE(voted.recall(), 0.98) << voted;
        EXPECT_LT(voted.falseShare(), 0.01) << voted;
        EXPECT_GE(alone.falseBlocks, model.transients / 2) << alone;
    }
}

TEST(BlackshotStack, NoiseFloorIsMeasuredAboveTheClip) {
    TempDir dir;
    for (double noise : {2.0, 5.0, 8.0})
        for (double pedestal : {0.0, 20.0}) {
            DarkFrameModel model;
            model.width = 400;
            model.height = 300;
            model.readNoise = noise;
            model.pedestal = pedestal;
            const NoiseFloor f = MeasureNoiseFloor(HistogramOf(DarkFrame(model, {}, 3, "")));
            // The luminance carries the shared noise and a little of each
            // channel's own.
            const double sigma = noise * 1.068;
            EXPECT_NEAR(f.spread, sigma, 0.1 * sigma) << noise << " " << pedestal;
            if (pedestal > 0) {
                EXPECT_NEAR(f.median, pedestal, 1.0) << noise;
            }
            EXPECT_NEAR(f.blackLevel, pedestal + kBlackLevelSpreads * sigma, 0.1 * 5 * sigma + 1);
        }
}

TEST(BlackshotStack, FollowUps) {
    struct Case {
        const char* what;
        BlackshotOutcome outcome;
        int highest;
        bool autoLevel;
        int noiseLevel;
        DefinitionFollowUp expected;
    };
    using O = BlackshotOutcome;
    using F = DefinitionFollowUp;
    const Case cases[] = {
        {"noise above the level", O::ClusterTooLarge, 200, false, 30, F::NoisyBlackshot},
        {"a patch above the level", O::ClusterTooLarge, 200, false, 31, F::TryAgain},
        {"a bright patch, no noise", O::ClusterTooLarge, 200, false, 4, F::TryAgain},
        {"too large at the measured level", O::ClusterTooLarge, 200, true, 30, F::None},
        {"nothing bright", O::NoLines, 9, false, 4, F::NoHotPixels},
        {"below the threshold", O::NoLines, 15, false, 4, F::TryAgain},
        {"nothing above the noise", O::NoLines, 25, true, 30, F::NothingAboveNoise},
        {"nothing bright, measured", O::NoLines, 9, true, 4, F::NoHotPixels},
    };
    for (const Case& c : cases) {
        StackResult r;
        r.frames = 1;
        r.analysis.outcome = c.outcome;
        r.analysis.highestLuminance = c.highest;
        r.autoLevel = c.autoLevel;
        r.noise.blackLevel = c.noiseLevel;
        // Only over part of the frame.
        if (c.noiseLevel == 31) r.noise.widespread = 0.5;
        EXPECT_EQ(DefinitionFollowUpOf(r, false), c.expected) << c.what;
        EXPECT_EQ(DefinitionFollowUpOf(r, true), F::None) << c.what;
    }
}

TEST(BlackshotStack, RefusesWhatCannotBeCompared) {
    BlackshotStack stack;
    NullProgress progress;
    EXPECT_THROW(stack.analyze(At(30), progress), std::logic_error);
    stack.add(Bitmap(9, 9));
    EXPECT_THROW(stack.add(Bitmap(9, 8)), BlackshotMismatchError);
    EXPECT_THROW(stack.add(Bitmap(0, 9)), BlackshotSizeError);
    stack.add(Bitmap(9, 9, PixelFormat::pf8bit));
    EXPECT_EQ(stack.frames(), 2);
    EXPECT_EQ(stack.analyze(At(30), progress).minVotes, 1);
    EXPECT_THROW(stack.analyze(At(30, false, 3), progress), std::invalid_argument);
    EXPECT_THROW(stack.analyze(At(0), progress), std::invalid_argument);
}
