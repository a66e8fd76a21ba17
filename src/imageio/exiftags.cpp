#include "imageio/exiftags.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include "platform/files.h"

namespace vt {

namespace {

// Bytes at an offset of a TIFF structure; false when they are not all there.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual bool read(std::uint64_t offset, void* out, std::size_t n) = 0;
};

class MemorySource final : public ByteSource {
  public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool read(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > size_ || n > size_ - offset) return false;
        if (n) std::memcpy(out, data_ + offset, n);
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A TIFF structure that starts `base` bytes into a file.
class FileSource final : public ByteSource {
  public:
    FileSource(std::FILE* file, std::uint64_t base) : file_(file), base_(base) {}
    bool read(std::uint64_t offset, void* out, std::size_t n) override {
        const std::uint64_t at = base_ + offset;
        if (at < base_ || at > std::uint64_t(LONG_MAX)) return false;
        if (std::fseek(file_, long(at), SEEK_SET) != 0) return false;
        return std::fread(out, 1, n, file_) == n;
    }

  private:
    std::FILE* file_;
    std::uint64_t base_;
};

constexpr std::uint16_t kTagMake = 0x010F;
constexpr std::uint16_t kTagModel = 0x0110;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagBodySerial = 0xA431;

constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;

// A directory holds a few dozen entries; more is no Exif directory.
constexpr std::uint16_t kMaxEntries = 1024;

std::string CleanText(const char* text, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F) s.push_back(char(c));
    }
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

class TiffTags {
  public:
    explicit TiffTags(ByteSource& src) : src_(src) {}

    ExifTags parse() {
        ExifTags tags;
        std::uint8_t head[8];
        if (!src_.read(0, head, 8)) return tags;
        if (head[0] == 'I' && head[1] == 'I')
            little_ = true;
        else if (head[0] == 'M' && head[1] == 'M')
            little_ = false;
        else
            return tags;
        if (u16(head + 2) != 42) return tags;
        std::uint32_t exifIfd = 0;
        directory(u32(head + 4), [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                     const std::uint8_t* field) {
            if (tag == kTagMake) tags.make = text(type, count, field);
            if (tag == kTagModel) tags.model = text(type, count, field);
            if (tag == kTagOrientation && count >= 1) {
                const std::uint32_t v = type == kTypeShort  ? u16(field)
                                        : type == kTypeLong ? u32(field)
                                                            : 0;
                tags.orientation = v >= 1 && v <= 8 ? int(v) : 0;
            }
            if (tag == kTagExifIfd && count == 1 && (type == kTypeLong || type == kTypeIfd))
                exifIfd = u32(field);
        });
        if (exifIfd)
            directory(exifIfd, [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                   const std::uint8_t* field) {
                if (tag == kTagBodySerial) tags.serial = text(type, count, field);
            });
        return tags;
    }

  private:
    std::uint16_t u16(const std::uint8_t* p) const {
        return little_ ? std::uint16_t(p[0] | p[1] << 8) : std::uint16_t(p[0] << 8 | p[1]);
    }
    std::uint32_t u32(const std::uint8_t* p) const {
        return little_ ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                             std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24
                       : std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                             std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    }

    // Calls f(tag, type, count, valueField) for every entry of the directory
    // at offset; valueField is the entry's four-byte value or offset field.
    template <typename F> void directory(std::uint32_t offset, F f) {
        std::uint8_t n[2];
        if (!src_.read(offset, n, 2)) return;
        const std::uint16_t count = u16(n);
        if (count > kMaxEntries) return;
        std::vector<std::uint8_t> entries(std::size_t(count) * 12);
        if (!src_.read(std::uint64_t(offset) + 2, entries.data(), entries.size())) return;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = entries.data() + 12 * i;
            f(u16(e), u16(e + 2), u32(e + 4), e + 8);
        }
    }

    // An ASCII value: in the field itself when it fits in four bytes,
    // otherwise at the offset the field gives.
    std::string text(std::uint16_t type, std::uint32_t count, const std::uint8_t* field) {
        if (type != kTypeAscii || count == 0) return {};
        const std::size_t n = count < kMaxExifText ? count : kMaxExifText;
        if (count <= 4) return CleanText(reinterpret_cast<const char*>(field), n);
        char buf[kMaxExifText];
        if (!src_.read(u32(field), buf, n)) return {};
        return CleanText(buf, n);
    }

    ByteSource& src_;
    bool little_ = true;
};

constexpr char kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};

bool IsExifSegment(const std::uint8_t* data, std::size_t size) {
    return size >= sizeof kExifId && std::memcmp(data, kExifId, sizeof kExifId) == 0;
}

// The tags of a JPEG file: its segments are walked up to the picture data.
ExifTags JpegFileTags(std::FILE* f) {
    // Segments before the picture data; a camera writes a handful.
    for (int segments = 0; segments < 256; ++segments) {
        int c = std::fgetc(f);
        if (c != 0xFF) return {};
        do
            c = std::fgetc(f);
        while (c == 0xFF);
        if (c == EOF || c == 0xDA || c == 0xD9) return {};
        // Markers that stand alone.
        if ((c >= 0xD0 && c <= 0xD8) || c == 0x01) continue;
        const int hi = std::fgetc(f), lo = std::fgetc(f);
        if (hi == EOF || lo == EOF) return {};
        const int length = hi << 8 | lo;
        if (length < 2) return {};
        if (c == 0xE1) {
            std::vector<std::uint8_t> payload(std::size_t(length - 2));
            if (std::fread(payload.data(), 1, payload.size(), f) != payload.size()) return {};
            if (IsExifSegment(payload.data(), payload.size()))
                return ParseExifTags(payload.data(), payload.size());
        } else if (std::fseek(f, length - 2, SEEK_CUR) != 0) {
            return {};
        }
    }
    return {};
}

} // namespace

ExifTags ParseExifTags(const std::uint8_t* data, std::size_t size) {
    if (IsExifSegment(data, size)) {
        data += sizeof kExifId;
        size -= sizeof kExifId;
    }
    MemorySource src(data, size);
    return TiffTags(src).parse();
}

ExifTags ExifTagsOf(const PhotoMetadata& metadata) {
    for (const JpegMarker& m : metadata.jpegMarkers)
        if (m.code == kJpegApp1 && IsExifSegment(m.data.data(), m.data.size()))
            return ParseExifTags(m.data.data(), m.data.size());
    return {};
}

ExifTags ReadExifTags(const std::string& path) {
    std::string error;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) throw std::runtime_error(error);
    FilePtr f(::fdopen(fd, "rb"));
    if (!f) {
        ::close(fd);
        throw std::runtime_error(SysErrorMessage(errno));
    }
    std::uint8_t head[4];
    if (std::fread(head, 1, 4, f.get()) != 4) return {};
    if (head[0] == 0xFF && head[1] == 0xD8) {
        if (std::fseek(f.get(), 2, SEEK_SET) != 0) return {};
        return JpegFileTags(f.get());
    }
    if ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
        (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42)) {
        FileSource src(f.get(), 0);
        return TiffTags(src).parse();
    }
    return {};
}

} // namespace vt
