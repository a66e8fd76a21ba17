#include "imageio/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "imageio/imageerrors.h"
#include "platform/files.h"

namespace vt {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count == 0) return;
    if (Read(buffer, count) != count) throw EReadError(gesReadError);
}

std::uint64_t TStream::Remaining() const {
    std::uint64_t pos = Position(), size = Size();
    return pos < size ? size - pos : 0;
}

std::uint8_t TStream::ReadByte() {
    std::uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

std::uint16_t TStream::ReadBE16() {
    std::uint8_t b[2];
    ReadBuffer(b, 2);
    return std::uint16_t((b[0] << 8) | b[1]);
}

std::uint32_t TStream::ReadBE32() {
    std::uint8_t b[4];
    ReadBuffer(b, 4);
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) |
           b[3];
}

std::uint16_t TStream::ReadLE16() {
    std::uint8_t b[2];
    ReadBuffer(b, 2);
    return std::uint16_t(b[0] | (b[1] << 8));
}

std::uint32_t TStream::ReadLE32() {
    std::uint8_t b[4];
    ReadBuffer(b, 4);
    return (std::uint32_t(b[3]) << 24) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[1]) << 8) |
           b[0];
}

TFileStream::TFileStream(const std::string& fileName) : fileName_(fileName) {
    std::string error;
    const int fd = OpenRegularFile(fileName, error);
    if (fd < 0) throw EFOpenError(error);
    file_ = ::fdopen(fd, "rb");
    if (!file_) {
        const int err = errno;
        ::close(fd);
        throw EFOpenError(SysErrorMessage(err));
    }
    if (fseeko(file_, 0, SEEK_END) != 0) {
        int err = errno;
        std::fclose(file_);
        throw EFOpenError(SysErrorMessage(err));
    }
    off_t end = ftello(file_);
    if (end < 0 || fseeko(file_, 0, SEEK_SET) != 0) {
        int err = errno;
        std::fclose(file_);
        throw EFOpenError(SysErrorMessage(err));
    }
    size_ = std::uint64_t(end);
}

TFileStream::~TFileStream() {
    if (file_) std::fclose(file_);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    if (position_ >= size_ || count == 0) return 0;
    if (seekPending_) {
        if (fseeko(file_, off_t(position_), SEEK_SET) != 0) return 0;
        seekPending_ = false;
    }
    count = std::size_t(std::min<std::uint64_t>(count, size_ - position_));
    std::size_t n = std::fread(buffer, 1, count, file_);
    position_ += n;
    if (n != count) seekPending_ = true;
    return n;
}

void TFileStream::Seek(std::uint64_t position) {
    if (position == position_) return;
    position_ = position;
    seekPending_ = true;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= size_ || count == 0) return 0;
    std::size_t n = std::size_t(std::min<std::uint64_t>(count, size_ - position_));
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

} // namespace vt
