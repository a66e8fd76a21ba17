#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/registry.h"
#include "support/tempdir.h"

#include <sys/stat.h>

using namespace vt;
using vt::testing::TempDir;

TEST(IniFile, MissingFileAndKeysGiveDefaults) {
    TempDir dir;
    TIniFile ini(dir.file("none.ini"));
    EXPECT_EQ(ini.ReadInteger("Init", "LastCam", -1), -1);
    EXPECT_EQ(ini.ReadString("Init", "odSingleShot", "?"), "?");
    EXPECT_TRUE(ini.ReadBool("Init", "TipOfTheDay", true));
    EXPECT_FALSE(FileExists(dir.file("none.ini")));
}

TEST(IniFile, ReadsLikeThePrivateProfile) {
    TempDir dir;
    dir.write("v.ini", "; comment\r\n[other]\r\nLastCam=7\r\n[INIT]\r\n lastcam = 3 \r\n"
                       "odSingleShot=/photos/\r\nTipOfTheDay=0\r\nbad=12abc\r\nhex=$1F\r\n"
                       "quoted=\"a b\"\r\n");
    TIniFile ini(dir.file("v.ini"));
    EXPECT_EQ(ini.ReadInteger("Init", "LastCam", -1), 3);
    EXPECT_EQ(ini.ReadString("init", "odSingleShot", "?"), "/photos/");
    EXPECT_FALSE(ini.ReadBool("Init", "TipOfTheDay", true));
    EXPECT_EQ(ini.ReadInteger("Init", "bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Init", "hex", -1), 31);
    EXPECT_EQ(ini.ReadString("Init", "quoted", ""), "a b");
    EXPECT_EQ(ini.ReadInteger("Init", "missing", 42), 42);
}

TEST(IniFile, DamagedFileGivesDefaults) {
    TempDir dir;
    dir.write("d.ini", std::string("\x00\xff[Init\nLastCam\n=\n\x01", 16));
    TIniFile ini(dir.file("d.ini"));
    EXPECT_EQ(ini.ReadInteger("Init", "LastCam", -1), -1);
    EXPECT_TRUE(ini.ReadBool("Init", "TipOfTheDay", true));
}

TEST(IniFile, WritesKeepOtherContent) {
    TempDir dir;
    dir.write("w.ini", "[Other]\r\nKeep=1\r\n[Init]\r\nLastCam=2\r\n");
    TIniFile ini(dir.file("w.ini"));
    ini.WriteInteger("Init", "LastCam", -1);
    ini.WriteBool("Init", "TipOfTheDay", true);
    ini.WriteString("New", "Key", "v");
    EXPECT_EQ(ini.ReadInteger("Init", "LastCam", 0), -1);
    EXPECT_EQ(ini.ReadString("Init", "TipOfTheDay", ""), "1");
    EXPECT_EQ(ini.ReadString("Other", "Keep", ""), "1");
    EXPECT_EQ(ini.ReadString("New", "Key", ""), "v");
    EXPECT_EQ(dir.read("w.ini"), "[Other]\r\nKeep=1\r\n[Init]\r\nLastCam=-1\r\nTipOfTheDay=1\r\n"
                                 "\r\n[New]\r\nKey=v\r\n");
}

TEST(IniFile, EraseSectionRemovesItsKeysOnly) {
    TempDir dir;
    dir.write("e.ini", "[Init]\r\nLastCam=2\r\n\r\n[camera x]\r\nMake=A\r\n[Other]\r\nK=1\r\n");
    TIniFile ini(dir.file("e.ini"));
    ini.EraseSection("Camera X");
    EXPECT_EQ(dir.read("e.ini"), "[Init]\r\nLastCam=2\r\n\r\n[Other]\r\nK=1\r\n");
    ini.EraseSection("Missing");
    TIniFile(dir.file("none.ini")).EraseSection("Init");
    EXPECT_FALSE(FileExists(dir.file("none.ini")));
}

TEST(IniFile, IntegerConversion) {
    EXPECT_EQ(StrToIntDef("-1", 0), -1);
    EXPECT_EQ(StrToIntDef(" 12 ", 0), 12);
    EXPECT_EQ(StrToIntDef("0x10", 0), 16);
    EXPECT_EQ(StrToIntDef("", 5), 5);
    EXPECT_EQ(StrToIntDef("-", 5), 5);
    EXPECT_EQ(StrToIntDef("99999999999", 5), 5);
    EXPECT_EQ(StrToIntDef("2147483647", 5), 2147483647);
    EXPECT_EQ(StrToIntDef("-2147483648", 5), -2147483647 - 1);
}

TEST(Registry, ValuesOfEveryKindRoundTrip) {
    TempDir dir;
    TRegistry reg(dir.file("registry"));
    EXPECT_FALSE(reg.ValueExists("Vorantel\\Form1", "Bounds"));
    EXPECT_FALSE(reg.ReadBinary("Vorantel\\Form1", "Bounds"));
    std::vector<std::uint8_t> bounds = {1,    0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0x20, 3, 0, 0, 0x45, 2,    0,    0};
    reg.WriteBinary("Vorantel\\Form1", "Bounds", bounds);
    reg.WriteInteger("Vorantel\\Form1", "WindowState", 2);
    reg.WriteString("Vorantel", "Forum", "https://example.invalid/join");
    EXPECT_EQ(*reg.ReadBinary("Vorantel\\Form1", "Bounds"), bounds);
    EXPECT_EQ(*reg.ReadInteger("Vorantel\\Form1", "WindowState"), 2);
    EXPECT_EQ(*reg.ReadString("Vorantel", "Forum"), "https://example.invalid/join");
    // A value of another type is not read as this one.
    EXPECT_FALSE(reg.ReadInteger("Vorantel\\Form1", "Bounds"));
    EXPECT_FALSE(reg.ReadBinary("vorantel\\other", "Bounds"));
}

TEST(Files, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(WildcardMatch("Studio.cam", "*.cam"));
    EXPECT_TRUE(WildcardMatch("Studio.CAM", "*.cam"));
    EXPECT_FALSE(WildcardMatch("Studio.cam.bak", "*.cam"));
    EXPECT_TRUE(WildcardMatch("a.b.cam", "*.cam"));
    EXPECT_TRUE(WildcardMatch("x1.jpg", "x?.*"));
    EXPECT_FALSE(WildcardMatch("x.jpg", "x?.*"));
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("/a/c.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFilePath("/a/c.jpg"), "/a/");
    EXPECT_EQ(ExtractFileName("/a/c.jpg"), "c.jpg");
    EXPECT_TRUE(SameText("Studio", "sTUDIO"));
    EXPECT_LT(CompareText("apple", "Banana"), 0);
}

TEST(Files, AtomicWriteReplacesReadOnlyFiles) {
    TempDir dir;
    dir.write("r.txt", "old");
    ASSERT_EQ(::chmod(dir.file("r.txt").c_str(), 0444), 0);
    WriteFileAtomically(dir.file("r.txt"), "new");
    EXPECT_EQ(dir.read("r.txt"), "new");
    EXPECT_EQ(FindFiles(dir.path(), "*").size(), 1u);
}
