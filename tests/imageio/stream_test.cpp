// Streams the readers load from.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/stream.h"
#include "platform/bmpfile.h"
#include "support/tempdir.h"

namespace vt {
namespace {

void checkStream(TStream& s) {
    EXPECT_EQ(s.Size(), 6u);
    EXPECT_EQ(s.ReadBE16(), 0x0102);
    EXPECT_EQ(s.ReadLE16(), 0x0403);
    EXPECT_EQ(s.Remaining(), 2u);
    s.Seek(0);
    EXPECT_EQ(s.ReadBE32(), 0x01020304u);
    s.Seek(2);
    EXPECT_EQ(s.ReadLE32(), 0x06050403u);
    std::uint8_t b[4];
    EXPECT_EQ(s.Read(b, 4), 0u);
    s.Seek(4);
    EXPECT_THROW(s.ReadBuffer(b, 3), EReadError);
    s.Seek(100);
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_EQ(s.Read(b, 1), 0u);
    s.Seek(5);
    EXPECT_EQ(s.ReadByte(), 6);
}

TEST(Streams, FileAndMemoryReadSeekAndNumbers) {
    const std::string bytes = "\x01\x02\x03\x04\x05\x06";
    TMemoryStream mem(bytes.data(), bytes.size());
    checkStream(mem);
    testing::TempDir dir;
    dir.write("six", bytes);
    TFileStream file(dir.file("six"));
    checkStream(file);
}

TEST(Streams, FilesThatCannotBeOpened) {
    testing::TempDir dir;
    EXPECT_THROW(TFileStream(dir.file("missing")), EFOpenError);
    EXPECT_THROW(TFileStream(dir.path()), EFOpenError);
}

TEST(Streams, OnlyRegularFilesAreOpened) {
    // Opening a named pipe would wait for a writer for ever: every way a
    // picture is read refuses it at once, with a message that says why.
    testing::TempDir dir;
    for (const char* name : {"pipe.png", "pipe.bmp", "pipe.cut"})
        ASSERT_EQ(::mkfifo(dir.file(name).c_str(), 0600), 0);
    const std::string why = "It is not a regular file (a pipe, device or socket)";
    try {
        TFileStream stream(dir.file("pipe.png"));
        ADD_FAILURE() << "opened";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.what(), why);
    }
    for (const char* name : {"pipe.png", "pipe.bmp", "pipe.cut"}) {
        try {
            LoadPicture(dir.file(name));
            ADD_FAILURE() << name << " loaded";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(ReadBmpFile(dir.file("pipe.bmp")), std::runtime_error);

    // A Dr. Halo picture whose palette file beside it is a pipe: the palette
    // is not there, and the picture loads with its grey ramp.
    std::ifstream in(std::string(VORANTEL_TESTDATA) + "/cut/grey.cut", std::ios::binary);
    dir.write("grey.cut", std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_EQ(::mkfifo(dir.file("grey.pal").c_str(), 0600), 0);
    EXPECT_FALSE(LoadPicture(dir.file("grey.cut")).empty());
}

} // namespace
} // namespace vt
