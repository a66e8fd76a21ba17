#include <gtest/gtest.h>

#include "camera/camerafile.h"
#include "camera/cameralibrary.h"
#include "platform/files.h"
#include "support/tempdir.h"

using namespace vt;
using vt::testing::TempDir;

namespace {
HotPixelRecord Rec(std::initializer_list<int> v) {
    HotPixelRecord r;
    std::copy(v.begin(), v.end(), r.v.begin());
    return r;
}
} // namespace

TEST(CameraFileFormat, RepairLineIsFixedWidth) {
    std::string line = FormatRepairLine(' ', Rec({123, 45, 122, 44, 123, 44, 124, 44}));
    EXPECT_EQ(line, " 00123,00045,00122,00044,00123,00044,00124,00044");
    EXPECT_EQ(line.size(), 48u);
    EXPECT_EQ(FormatRepairLine('*', Rec({65535, 0, 1, 2, 3, 4, 5, 99999})),
              "*65535,00000,00001,00002,00003,00004,00005,99999");
}

TEST(CameraFileFormat, DisplayTextAndValue) {
    EXPECT_EQ(FixPointText(123, 45), "x=  123, y=   45");
    EXPECT_EQ(FixPointText(0, 65535), "x=    0, y=65535");
    EXPECT_EQ(FixPointValue(3, 7), 3 * 65536 + 7);
    EXPECT_EQ(FixPointValue(0, 0), 0);
    // 32-bit arithmetic: large x wraps like the stored integer does.
    EXPECT_EQ(FixPointValue(40000, 1), std::int32_t(40000u * 65536u + 1u));
}

TEST(CameraFileFormat, WrittenAndReadBackInFileOrder) {
    TempDir dir;
    // Lines as produced: the first of a block is the marked one.
    std::vector<HotPixelRecord> produced = {
        Rec({5, 5, 4, 4, 5, 4, 6, 4}), Rec({5, 5, 4, 6, 5, 6, 6, 6}), Rec({5, 5, 4, 4, 4, 5, 4, 6}),
        Rec({5, 5, 6, 4, 6, 5, 6, 6}), Rec({1, 2, 0, 1, 1, 1, 2, 1})};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < produced.size(); ++i)
        lines.push_back(FormatRepairLine(i == 0 || i == 4 ? '*' : ' ', produced[i]));
    std::string path = dir.file("cam.cam");
    WriteCameraFile(path, lines);

    // The file holds the lines in reverse order, CR LF after each.
    std::string bytes = dir.read("cam.cam");
    ASSERT_EQ(bytes.size(), 5u * 50u);
    EXPECT_EQ(bytes.substr(0, 50), lines[4] + "\r\n");
    EXPECT_EQ(bytes.substr(200, 50), lines[0] + "\r\n");

    CameraFileContents c = ReadCameraFile(path);
    ASSERT_EQ(c.records.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(c.records[i], produced[4 - i]) << i;
    ASSERT_EQ(c.marked.size(), 2u);
    EXPECT_EQ(c.marked[0], (MarkedPoint{1, 2}));
    EXPECT_EQ(c.marked[1], (MarkedPoint{5, 5}));
}

TEST(CameraFileFormat, ParserLooksOnlyAtTheFixedColumns) {
    // Separators and trailing characters are not looked at; any first
    // character but '*' is unmarked.
    std::vector<std::string> lines = {
        "x00001;00002;00003;00004;00005;00006;00007;00008 trailing",
        "*00010,00011,00012,00013,00014,00015,00016,00017",
        " 00010,00011,00012,00013,00014,00015,00016,00017",
    };
    CameraFileContents c = ParseCameraLines(lines);
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[0], Rec({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(c.records[1], c.records[2]);
    ASSERT_EQ(c.marked.size(), 1u);
    EXPECT_EQ(c.marked[0], (MarkedPoint{10, 11}));
}

TEST(CameraFileFormat, MalformedLinesNameTheLine) {
    try {
        ParseCameraLines({"*00010,00011,00012,00013,00014,00015,00016,00017",
                          " 00010,00011,00012,00013,00014,00015,00016,0001"});
        FAIL() << "short line accepted";
    } catch (const CameraFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Line 2"), std::string::npos) << e.what();
    }
    try {
        ParseCameraLines({" 00010,000x1,00012,00013,00014,00015,00016,00017"});
        FAIL() << "non-digit accepted";
    } catch (const CameraFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Line 1"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ParseCameraLines({"*     ,00011,00012,00013,00014,00015,00016,00017"}),
                 CameraFileError);
}

TEST(CameraFileFormat, AMalformedFieldIsQuotedAsPrintableText) {
    // Bytes a crafted file could use to clear a terminal, cut a message box
    // short or show broken UTF-8 reach the message only as \xNN.
    const struct {
        std::string field, quoted;
    } cases[] = {{std::string("\x1b[2J9", 5), "\\x1B[2J9"},
                 {std::string("1\0\0"
                              "23",
                              5),
                  "1\\x00\\x0023"},
                 {"\xC3(\xFF"
                  "12",
                  "\\xC3(\\xFF12"},
                 {"1\\n23", "1\\\\n23"},
                 {"12a45", "12a45"}};
    for (const auto& c : cases) {
        const std::string line = " 00001," + c.field + ",00003,00004,00005,00006,00007,00008";
        TempDir dir;
        dir.write("bad.cam", line + "\r\n");
        try {
            ReadCameraFile(dir.file("bad.cam"));
            ADD_FAILURE() << c.quoted << " accepted";
        } catch (const CameraFileError& e) {
            EXPECT_EQ(CameraFileFailureText("bad.cam", e),
                      "Invalid camera file bad.cam\rLine 1: '" + c.quoted +
                          "' is not a valid number.");
        }
    }
    // A file that cannot be read is told apart from one that is malformed.
    try {
        ReadCameraFile("/nonexistent/x.cam");
        ADD_FAILURE() << "read";
    } catch (const CameraFileError& e) {
        EXPECT_EQ(CameraFileFailureText("x.cam", e).rfind("Unable to open or read file x.cam\r", 0),
                  0u);
    }
}

TEST(CameraFileFormat, OnlyOneEmptyLineAtTheVeryEnd) {
    const std::string a = "*00001,00002,00003,00004,00005,00006,00007,00008";
    // What an editor leaves after the last line is accepted.
    EXPECT_EQ(ParseCameraLines({a, a, ""}).records.size(), 2u);
    EXPECT_TRUE(ParseCameraLines({""}).records.empty());
    // An empty line anywhere else is a malformed line, named as such.
    auto message = [](const std::vector<std::string>& lines) {
        try {
            ParseCameraLines(lines);
        } catch (const CameraFileError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message({a, "", a}), "Line 2 is too short: 0 characters instead of 48.");
    EXPECT_EQ(message({a, "", ""}), "Line 2 is too short: 0 characters instead of 48.");
    EXPECT_EQ(message({"", "", ""}), "Line 1 is too short: 0 characters instead of 48.");

    TempDir dir;
    dir.write("trailing.cam", a + "\r\n" + a + "\r\n\r\n");
    EXPECT_EQ(ReadCameraFile(dir.file("trailing.cam")).records.size(), 2u);
    dir.write("lf.cam", a + "\n\n");
    EXPECT_EQ(ReadCameraFile(dir.file("lf.cam")).records.size(), 1u);
}

TEST(CameraFileFormat, AFileOfLineFeedsNamesItsFirstLine) {
    // The reader stops at the first line that cannot belong to a camera file
    // (what that saves in memory is measured outside the unit tests).
    TempDir dir;
    dir.write("feeds.cam", std::string(1u << 20, '\n'));
    try {
        ReadCameraFile(dir.file("feeds.cam"));
        FAIL() << "accepted";
    } catch (const CameraFileError& e) {
        EXPECT_STREQ(e.what(), "Line 1 is too short: 0 characters instead of 48.");
    }
}

TEST(CameraFileFormat, MissingFileGivesTheSystemMessage) {
    TempDir dir;
    try {
        ReadCameraFile(dir.file("none.cam"));
        FAIL();
    } catch (const CameraFileError& e) {
        EXPECT_EQ(std::string(e.what()), SysErrorMessage(ENOENT));
    }
}

TEST(CameraFileFormat, LineEndsOfEveryKindAndEmptyFile) {
    TempDir dir;
    const std::string a = "*00001,00002,00003,00004,00005,00006,00007,00008";
    const std::string b = " 00011,00012,00013,00014,00015,00016,00017,00018";
    dir.write("lf.cam", a + "\n" + b);
    EXPECT_EQ(ReadCameraFile(dir.file("lf.cam")).records.size(), 2u);
    dir.write("crlf.cam", a + "\r\n" + b + "\r\n");
    EXPECT_EQ(ReadCameraFile(dir.file("crlf.cam")).records.size(), 2u);
    dir.write("empty.cam", "");
    EXPECT_TRUE(ReadCameraFile(dir.file("empty.cam")).records.empty());
}

TEST(CameraFileFormat, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string good = "*00001,00002,00003,00004,00005,00006,00007,00008";
    WriteCameraFile(dir.file("a.cam"), {good});
    // A directory where the file should go makes the final rename fail.
    ASSERT_TRUE(CreateDir(dir.file("b.cam")));
    dir.write("b.cam/keep", "x");
    EXPECT_THROW(WriteCameraFile(dir.file("b.cam"), {good}), std::runtime_error);
    EXPECT_EQ(dir.read("b.cam/keep"), "x");
    // A missing folder: nothing is created, the error carries the reason.
    EXPECT_THROW(WriteCameraFile(dir.file("missing/c.cam"), {good}), std::runtime_error);
    EXPECT_EQ(dir.read("a.cam"), good + "\r\n");
    // No temporary files are left behind.
    EXPECT_EQ(FindFiles(dir.path(), "*").size(), 1u);
}

TEST(CameraLibrary, NamesAreCaseInsensitiveAndListedOnce) {
    TempDir dir;
    dir.write("Studio.cam", "");
    dir.write("studio.cam", "");
    dir.write("Beach.CAM", "");
    dir.write("notes.txt", "");
    dir.write(".cam", "");
    ASSERT_TRUE(CreateDir(dir.file("folder.cam")));
    std::vector<std::string> names = EnumerateCameras(dir.path());
    EXPECT_EQ(names, (std::vector<std::string>{"Beach", "Studio"}));
    // The file whose name sorts first by byte value stands for the camera.
    EXPECT_EQ(CameraFilePath(dir.path(), "STUDIO"), dir.file("Studio.cam"));
    EXPECT_EQ(CameraFilePath(dir.path(), "beach"), dir.file("Beach.CAM"));
    EXPECT_EQ(CameraFilePath(dir.path(), "Nikon"), dir.file("Nikon.cam"));
    EXPECT_EQ(CameraFilesOf(dir.path(), "studio").size(), 2u);
    EXPECT_EQ(CameraNameOf("/x/y/Studio.cam"), "Studio");
    EXPECT_EQ(CameraDirectoryOf("/opt/v"), "/opt/v/Cameras/");
}

TEST(CameraLibrary, PathsResolveLikeACaseBlindFileSystem) {
    TempDir dir;
    dir.write("Studio.cam", "");
    EXPECT_EQ(ResolveCameraPath(dir.file("studio.cam")), dir.file("Studio.cam"));
    EXPECT_EQ(ResolveCameraPath(dir.file("STUDIO.CAM")), dir.file("Studio.cam"));
    EXPECT_EQ(ResolveCameraPath(dir.file("Studio.cam")), dir.file("Studio.cam"));
    EXPECT_EQ(ResolveCameraPath(dir.file("Nikon.cam")), dir.file("Nikon.cam"));
    EXPECT_EQ(ResolveCameraPath(dir.file("studio.txt")), dir.file("studio.txt"));
}
