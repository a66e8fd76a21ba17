// The run-length and LZW decoders of the Targa, PCX, SGI, Dr. Halo, Paint
// Shop Pro, GIF and RLA readers: members of the decoder family
// (decoders.h) that one reader each uses, and is implemented beside it.
// Each states the most output bytes one input byte can make, which its
// reader's data check uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imageio/decoders.h"

namespace vt {

// Targa run-length packets: a header byte whose low 7 bits + 1 count pixels;
// with bit 7 set one pixel value follows and is repeated, else the pixel
// values follow. unpackedSize counts pixels of 1 (depth 8), 2 (15, 16), 3
// (24) or 4 (32) bytes. Both pointers are advanced. A packet that reaches
// beyond the wanted pixels goes on in the next call, so rows may be decoded
// one call at a time even when a writer let packets cross rows; a packet
// whose bytes are not all in the input yet is resumed, too. DecodeInit
// forgets an unfinished packet.
class TTargaRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make at a colour depth: a run
    // packet of one header byte and one pixel repeats the pixel 128 times
    // (64 bytes a byte at depth 8, 103 at depth 32).
    static constexpr std::uint64_t MaxExpansion(unsigned colorDepth) {
        const std::uint64_t size = colorDepth == 8    ? 1
                                   : colorDepth <= 16 ? 2
                                   : colorDepth == 24 ? 3
                                                      : 4;
        return (128 * size + size) / (1 + size);
    }

    explicit TTargaRLEDecoder(unsigned colorDepth);
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeInit() override { pending_ = 0; }
    // Packs count pixels into raw packets (pixels that differ from their
    // successor) and run packets (equal neighbours) of at most 128 pixels;
    // returns the bytes stored. dest needs count * (pixel size + 1) bytes
    // at worst.
    std::size_t Encode(const std::uint8_t*& source, std::uint8_t*& dest,
                       std::size_t count) override;

    std::size_t PixelSize() const { return pixelSize_; }

  private:
    std::size_t pixelSize_;
    std::size_t pending_ = 0; // pixels of the current packet not yet written
    bool run_ = false;
    std::uint8_t value_[4] = {0, 0, 0, 0};
};

// PCX run-length data: a byte of 0xC0 or above counts (low 6 bits) copies
// of the byte after it; any smaller byte stands for itself. Both pointers
// are advanced. A run that reaches beyond the wanted bytes goes on in the
// next call (writers let runs cross rows and planes); a count byte whose
// value is not in the input yet is left there. DecodeInit forgets an
// unfinished run.
class TPCXRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: 0xFF, v writes 63 bytes.
    static constexpr std::uint64_t kMaxExpansion = 32;

    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeInit() override { pending_ = 0; }

  private:
    std::size_t pending_ = 0; // bytes of the current run not yet written
    std::uint8_t value_ = 0;
};

// SGI run-length rows. 8-bit samples: a control byte whose low 7 bits count
// samples; 0 ends the row; with bit 7 set that many bytes follow and are
// copied, else one byte follows and is repeated. 16-bit samples: the same
// on 16-bit big-endian units (control and values). Stops at the end of the
// row, of the input or of the wanted bytes; both pointers are advanced.
class TSGIRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: a repeat of 127 samples
    // takes 2 bytes (4 for 16-bit samples).
    static constexpr std::uint64_t kMaxExpansion = 64;

    // sampleSize in bits: 8 or 16.
    explicit TSGIRLEDecoder(unsigned sampleSize) : wide_(sampleSize == 16) {}
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    bool wide_;
};

// One Dr. Halo row: a 2-byte length (skipped), then control bytes: 0 ends the
// row, bit 7 set repeats the next byte (control AND 0x7F) times, clear copies
// the next control bytes. Decode takes one row and leaves source after its
// end code, at the next row; output beyond unpackedSize is dropped.
class TCUTRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 127
    // times.
    static constexpr std::uint64_t kMaxExpansion = 64;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    // True when the last Decode stopped at the row's end code, false when
    // the input ran out first.
    bool RowEnded() const { return rowEnded_; }

  private:
    bool rowEnded_ = false;
};

// Paint Shop Pro run-length data: a control byte above 128 repeats the next
// byte (control - 128) times, one of 128 or less copies the next control
// bytes. Stops when packedSize input bytes are consumed or unpackedSize bytes
// are written; the pointers are advanced.
class TPSPRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 127
    // times.
    static constexpr std::uint64_t kMaxExpansion = 64;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// GIF's LZW: codes least significant bit first, starting one bit wider than
// the initial code size; Clear = 2^initial size, End = Clear + 1. The width
// grows (up to 12 bits) when the entry just added is 2^width - 1; a full
// table of 4096 entries takes no more until a Clear. End, and a code the
// table does not hold yet, drop the bits left of the current input byte and
// decoding goes on with the next. Every call decodes one image from scratch
// and stops when the input or the wanted output is used up; both pointers
// are advanced.
class TGIFLZWDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: a 12-bit code stands for
    // at most 4093 bytes (code size 1).
    static constexpr std::uint64_t kMaxExpansion = 2729;

    // initialCodeSize: the byte before the image data, 1 to 11.
    explicit TGIFLZWDecoder(unsigned initialCodeSize) : initial_(initialCodeSize) {}
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    unsigned initial_;
    // Every string of the table (codes above End) also stands in the output
    // of the current call; it is copied from there. Each entry: offset << 16
    // | length.
    std::array<std::uint64_t, 4096> strings_{};
};

// Wavefront run-length data: a signed control byte; negative copies the next
// -control bytes, zero or positive repeats the next byte control + 1 times.
// Stops when packedSize input bytes are consumed or unpackedSize bytes are
// written; the pointers are advanced.
class TRLADecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 128
    // times.
    static constexpr std::uint64_t kMaxExpansion = 64;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

} // namespace vt
