// Streams the readers load from.
#include <gtest/gtest.h>

#include <string>

#include "imageio/imageerrors.h"
#include "imageio/stream.h"
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

} // namespace
} // namespace vt
