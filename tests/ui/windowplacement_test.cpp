#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/tempdir.h"
#include "ui/windowplacement.h"

using namespace vt;
using vt::testing::TempDir;

TEST(WindowPlacement, BoundsAreFourLittleEndianSignedIntegers) {
    const std::vector<std::uint8_t> bytes = EncodeBounds({-8, 20, 800, 581});
    const std::vector<std::uint8_t> expected = {0xF8, 0xFF, 0xFF, 0xFF, 0x14, 0x00, 0x00, 0x00,
                                                0x20, 0x03, 0x00, 0x00, 0x45, 0x02, 0x00, 0x00};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(DecodeBounds(expected), (WindowBounds{-8, 20, 800, 581}));
    EXPECT_EQ(DecodeBounds(EncodeBounds({INT32_MIN, INT32_MAX, 0, -1})),
              (WindowBounds{INT32_MIN, INT32_MAX, 0, -1}));
    EXPECT_FALSE(DecodeBounds({}));
    EXPECT_FALSE(DecodeBounds(std::vector<std::uint8_t>(15)));
    EXPECT_FALSE(DecodeBounds(std::vector<std::uint8_t>(17)));
}

TEST(WindowPlacement, RegistryValues) {
    TempDir dir;
    TRegistry reg(dir.file("registry"));
    const std::string key = FormMemoryKey("Form1");
    EXPECT_EQ(key, "Vorantel\\Form1");

    StoredPlacement none = ReadPlacement(reg, key);
    EXPECT_FALSE(none.bounds);
    EXPECT_FALSE(none.windowState);

    WritePlacement(reg, key, WindowBounds{10, 20, 640, 480}, StoredWindowState::Normal);
    EXPECT_EQ(reg.ReadBinary(key, "Bounds"), EncodeBounds({10, 20, 640, 480}));
    EXPECT_EQ(reg.ReadInteger(key, "WindowState"), 0);

    // A maximised or minimised window keeps the last normal bounds.
    WritePlacement(reg, key, std::nullopt, StoredWindowState::Maximized);
    StoredPlacement p = ReadPlacement(reg, key);
    EXPECT_EQ(p.bounds, (WindowBounds{10, 20, 640, 480}));
    EXPECT_EQ(p.windowState, 2);
    WritePlacement(reg, key, std::nullopt, StoredWindowState::Minimized);
    EXPECT_EQ(ReadPlacement(reg, key).windowState, 1);

    // Damaged bounds count as none; the state stays readable.
    reg.WriteBinary(key, "Bounds", {1, 2, 3});
    p = ReadPlacement(reg, key);
    EXPECT_FALSE(p.bounds);
    EXPECT_EQ(p.windowState, 1);
}

TEST(WindowPlacement, PlacesOnAScreenStay) {
    const std::vector<ScreenArea> one = {{0, 0, 1920, 1080}};
    for (WindowBounds b : {WindowBounds{100, 100, 800, 581}, WindowBounds{0, 0, 1920, 1080},
                           // Mostly off the right edge, the title still grabbable.
                           WindowBounds{1920 - 60, 500, 800, 581},
                           // Off the bottom but for the title strip.
                           WindowBounds{300, 1080 - 10, 800, 581},
                           // Hanging off the left edge.
                           WindowBounds{-700, 40, 800, 581}})
        EXPECT_EQ(PullOntoScreens(b, one), b);
    // On a second screen left of the primary one.
    const std::vector<ScreenArea> two = {{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
    EXPECT_EQ(PullOntoScreens({-1200, 100, 800, 581}, two), (WindowBounds{-1200, 100, 800, 581}));
    // Without screens nothing can be judged.
    EXPECT_EQ(PullOntoScreens({9000, 9000, 10, 10}, {}), (WindowBounds{9000, 9000, 10, 10}));
}

TEST(WindowPlacement, PlacesOffEveryScreenArePulledOntoThePrimary) {
    const std::vector<ScreenArea> one = {{0, 0, 1920, 1080}};
    // Left on a screen to the right that is gone: to the right edge.
    EXPECT_EQ(PullOntoScreens({2500, 300, 800, 581}, one), (WindowBounds{1120, 300, 800, 581}));
    // Far above and to the left.
    EXPECT_EQ(PullOntoScreens({-3000, -2000, 800, 581}, one), (WindowBounds{0, 0, 800, 581}));
    // The title above the screen, though the rest shows: down to the top.
    EXPECT_EQ(PullOntoScreens({300, -400, 800, 581}, one), (WindowBounds{300, 0, 800, 581}));
    // Only a sliver of the title on screen is not enough to grab.
    EXPECT_EQ(PullOntoScreens({1920 - 20, 100, 800, 581}, one),
              (WindowBounds{1120, 100, 800, 581}));
    // Larger than the screen that is left: shrunk to it.
    EXPECT_EQ(PullOntoScreens({3000, 50, 2560, 1400}, one), (WindowBounds{0, 0, 1920, 1080}));
    // The primary screen need not be at the origin, nor the first listed.
    const std::vector<ScreenArea> two = {{1920, 0, 1280, 1024}, {0, 30, 1920, 1050}};
    EXPECT_EQ(PullOntoScreens({5000, 5000, 640, 480}, two, 1), (WindowBounds{1280, 600, 640, 480}));
    // A window of no size is judged by one pixel.
    EXPECT_EQ(PullOntoScreens({-50, 10, 0, 0}, one), (WindowBounds{0, 10, 1, 1}));
}
