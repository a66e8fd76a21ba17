// Input helpers of the readers: a look at the first bytes of a stream, and
// the input of the run-length readers, a window of the stream that a
// decoder consumes from the front and that is topped up from the stream
// when the decoder stops for want of bytes. Bytes the decoder did not use
// stay in the window for the next call, so a packet may span two refills or
// two rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imageio/decoders.h"
#include "imageio/stream.h"

namespace vt {

// Reads count bytes at the stream's position into buffer and goes back to
// that position; false when fewer bytes remain.
inline bool PeekBytes(TStream& stream, void* buffer, std::size_t count) {
    const std::uint64_t pos = stream.Position();
    const bool read = stream.Remaining() >= count && stream.Read(buffer, count) == count;
    stream.Seek(pos);
    return read;
}

class TReadAhead {
  public:
    // Reads from the stream's position up to the stream position `end` (or
    // the end of the stream), at most `capacity` bytes at a time.
    TReadAhead(TStream& stream, std::uint64_t end, std::size_t capacity = 1 << 16)
        : stream_(stream), buffer_(capacity) {
        const std::uint64_t stop = std::min(end, stream.Size()), pos = stream.Position();
        left_ = stop > pos ? stop - pos : 0;
    }

    const std::uint8_t* Data() const { return buffer_.data() + start_; }
    std::size_t Available() const { return end_ - start_; }
    // Marks the first count available bytes as used.
    void Consume(std::size_t count) { start_ += std::min(count, Available()); }
    // Moves the unused bytes to the front and reads more behind them; false
    // when nothing more could be read (the end of the data).
    bool Refill() {
        const std::size_t keep = Available();
        if (keep && start_) std::memmove(buffer_.data(), buffer_.data() + start_, keep);
        start_ = 0;
        end_ = keep;
        const auto want = std::size_t(std::min<std::uint64_t>(buffer_.size() - keep, left_));
        if (want == 0) return false;
        const std::size_t got = stream_.Read(buffer_.data() + keep, want);
        left_ = got < want ? 0 : left_ - got;
        end_ += got;
        return got > 0;
    }

    // Lets the decoder write `wanted` units of unitBytes bytes to dest,
    // refilling whenever it stops short; returns the units written, fewer
    // only when the data ends first. The decoder must advance both pointers.
    std::size_t DecodeInto(TDecoder& decoder, std::uint8_t* dest, std::size_t wanted,
                           std::size_t unitBytes) {
        std::uint8_t* out = dest;
        for (;;) {
            const std::uint8_t* src = Data();
            const std::size_t done = std::size_t(out - dest) / unitBytes;
            decoder.Decode(src, out, Available(), wanted - done);
            Consume(std::size_t(src - Data()));
            const std::size_t now = std::size_t(out - dest) / unitBytes;
            if (now >= wanted || !Refill()) return now;
        }
    }

  private:
    TStream& stream_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t left_ = 0; // bytes of the stream not yet read
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

} // namespace vt
