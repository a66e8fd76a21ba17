// Byte streams the image readers load from: a file on disk or bytes in
// memory. Positions and sizes are in bytes from the start of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vt {

class TStream {
  public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns the number read (less only at the
    // end of the stream).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::uint64_t Position() const = 0;
    // Moves to an absolute position; positions beyond the end are allowed
    // and make the next read return nothing.
    virtual void Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Size() const = 0;

    // Reads exactly count bytes or throws EReadError.
    void ReadBuffer(void* buffer, std::size_t count);
    // Bytes between the position and the end (0 when beyond the end).
    std::uint64_t Remaining() const;
    // Moves forward by count bytes.
    void Skip(std::uint64_t count) { Seek(Position() + count); }

    // Big- and little-endian numbers through ReadBuffer.
    std::uint8_t ReadByte();
    std::uint16_t ReadBE16();
    std::uint32_t ReadBE32();
    std::uint16_t ReadLE16();
    std::uint32_t ReadLE32();
};

// A file opened for reading; the system's error text is thrown as
// EFOpenError when it cannot be opened.
class TFileStream final : public TStream {
  public:
    explicit TFileStream(const std::string& fileName);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return position_; }
    void Seek(std::uint64_t position) override;
    std::uint64_t Size() const override { return size_; }
    const std::string& FileName() const { return fileName_; }

  private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
    bool seekPending_ = false;
};

// Bytes in memory that the stream does not own.
class TMemoryStream final : public TStream {
  public:
    TMemoryStream(const void* data, std::size_t size)
        : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return position_; }
    void Seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t Size() const override { return size_; }
    const std::uint8_t* Data() const { return data_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t position_ = 0;
};

} // namespace vt
