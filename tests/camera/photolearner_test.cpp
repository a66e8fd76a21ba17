// A camera learnt from ordinary photos: scenes built from real photographs
// with stars and glints (support/sensorframes.h), each different, all
// showing one sensor's hot pixels, stored as a camera stores them.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "camera/photolearner.h"
#include "imageio/fileformatlist.h"
#include "support/sensorframes.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::testing;

namespace {

const std::string kData = VORANTEL_TESTDATA;

std::vector<Bitmap> RealPhotos() {
    std::vector<Bitmap> sources;
    for (const char* f : {"photos/pc260001.tif", "photos/dscf0013.tif", "tiff/lib-quad-lzw.tif",
                          "tiff/lib-ycbcr-cat.tif", "tiff/lib-strike.tif", "tiff/lib-jello.tif"})
        sources.push_back(LoadPicture(kData + "/" + f).convertedTo24());
    return sources;
}

LearnResult Learn(const std::vector<Bitmap>& photos, int minVotes = 0) {
    PhotoLearner learner;
    for (const Bitmap& p : photos)
        learner.add(p);
    NullProgress progress;
    LearnOptions options;
    options.minVotes = minVotes;
    return learner.learn(options, progress);
}

} // namespace

// Six photos of different scenes (flowers, a kitchen, renders, a cat, a night
// sky full of stars, glints), 320 hot pixels of varied strength (20 pairs of
// them side by side) added to the light of each scene, JPEG at quality 92.
TEST(PhotoLearner, FindsTheHotPixelsOfSixDifferentPhotos) {
    TempDir dir;
    const std::vector<Bitmap> sources = RealPhotos();
    const int w = 960, h = 720;
    std::vector<HotPixel> pattern = HotPattern(w, h, 300, 40, 220, 11);
    // Some side by side.
    for (int i = 0; i < 20; ++i) {
        HotPixel twin = pattern[std::size_t(i)];
        twin.x = twin.x + 1 < w ? twin.x + 1 : twin.x - 1;
        pattern.push_back(twin);
    }
    std::vector<Bitmap> photos;
    for (int i = 0; i < 6; ++i)
        photos.push_back(ScenePhoto(i, w, h, sources, pattern, 92, dir.path()));

    const LearnResult half = Learn(photos);
    EXPECT_EQ(half.minVotes, 3);
    const Findings f = Score(half.analysis.lines, pattern);
    const Findings most = Score(Learn(photos, 4).analysis.lines, pattern);
    std::cout << "6 photos, in 3 of them: " << f << "; in 4: " << most << "\n"
              << LearnResultText(half) << "\n";
    EXPECT_GE(f.recall(), 0.95) << f;
    EXPECT_LT(f.falseShare(), 0.02) << f;
    EXPECT_TRUE(half.alike.empty());

    // Two shots of the same scene from a tripod are told.
    photos[4] = ScenePhoto(0, w, h, sources, pattern, 92, dir.path());
    const LearnResult twice = Learn(photos);
    EXPECT_EQ(twice.alike, (std::vector<std::pair<int, int>>{{0, 4}}));
    EXPECT_NE(LearnResultText(twice).find("\rPhotos 1 and 5 show much the same scene"),
              std::string::npos);
}

// Hot pixels alone or side by side get the lines the blackshot analysis
// gives them: a lone one is repaired from its neighbours, a pair as two
// touching hot pixels are.
TEST(PhotoLearner, HotPixelsGetTheBlackshotLines) {
    for (const std::vector<std::pair<int, int>>& hot :
         {std::vector<std::pair<int, int>>{{4, 4}}, {{4, 4}, {5, 4}}, {{0, 3}, {1, 4}}}) {
        std::vector<Bitmap> photos;
        Bitmap shot(9, 9);
        for (int i = 0; i < 5; ++i) {
            Bitmap p(9, 9);
            p.fill(RGBColor(20 * i, 25 * i, 30 * i));
            for (const auto& [x, y] : hot) {
                p.setPixel(x, y, RGBColor(20 * i + 120, 25 * i + 100, 30 * i + 110));
                shot.setPixel(x, y, RGBColor(200, 200, 200));
            }
            p.setPixel(2 * i, 7, RGBColor(255, 255, 255)); // a glint, elsewhere in each
            photos.push_back(p);
        }
        NullProgress progress;
        const LearnResult r = Learn(photos);
        EXPECT_EQ(r.analysis.lines, AnalyzeBlackshotBitmap(shot, 30, progress).lines)
            << hot.size() << " at " << hot[0].first << "," << hot[0].second;
        EXPECT_EQ(r.hotPixels, long(hot.size()));
        EXPECT_EQ(r.outvoted, 5);
    }
}

TEST(PhotoLearner, RefusesPhotosItCannotCompare) {
    PhotoLearner learner;
    NullProgress progress;
    for (int i = 0; i < 4; ++i)
        learner.add(Bitmap(30, 20));
    EXPECT_THROW(learner.learn({}, progress), LearnInputError);
    try {
        learner.add(Bitmap(20, 30));
        ADD_FAILURE() << "a turned photo was taken";
    } catch (const PhotoMismatchError& e) {
        EXPECT_NE(std::string(e.what()).find("turned"), std::string::npos) << e.what();
    }
    EXPECT_THROW(learner.add(Bitmap(30, 21)), PhotoMismatchError);
    learner.add(Bitmap(30, 20, PixelFormat::pf8bit));
    EXPECT_EQ(learner.learn({}, progress).analysis.outcome, BlackshotOutcome::NoLines);
    LearnOptions tooMany;
    tooMany.minVotes = 6;
    EXPECT_THROW(learner.learn(tooMany, progress), LearnInputError);
}
