// Decoders of compressed pixel data. A reader hands each compressed block (a
// TIFF strip, for instance) to a decoder, which unpacks it into a buffer the
// caller owns. Decoders know nothing of files or bitmaps.
//
// Use: construct, DecodeInit, Decode as often as needed, DecodeEnd, free.
// Decode never reads more than packedSize bytes from source nor writes more
// than unpackedSize units to dest; output it does not write keeps the
// caller's initial content.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/imagetypes.h"

namespace vt {

// The LZW decoders keep each string of their table as the place where it
// already stands in their output: an entry is offset << 16 | length. Writes
// the string of such an entry at out, cut to the room left, and moves out
// on; returns the string's full length. The string may overlap out by its
// last byte (a code added just now), which a forward copy handles.
inline std::size_t CopyOutputString(const std::uint8_t* begin, std::uint64_t entry,
                                    std::uint8_t*& out, std::size_t room) {
    const auto full = std::size_t(entry & 0xFFFF);
    const std::size_t length = full < room ? full : room;
    const std::uint8_t* from = begin + (entry >> 16);
    if (length <= 16 || from + length > out) {
        for (std::size_t i = 0; i < length; ++i)
            out[i] = from[i];
    } else {
        std::memcpy(out, from, length);
    }
    out += length;
    return full;
}

class TDecoder {
  public:
    virtual ~TDecoder() = default;

    // Unpacks from *source into *dest: packedSize input bytes are available,
    // unpackedSize output units (bytes) are wanted. Decoders that advance the
    // pointers leave them after the last byte consumed or produced.
    virtual void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                        std::size_t unpackedSize) = 0;
    // Releases what DecodeInit set up.
    virtual void DecodeEnd() {}
    // Prepares a decoding run.
    virtual void DecodeInit() {}
    // Packs count units; returns the number of bytes stored. No decoder of
    // this file encodes: the base throws std::logic_error.
    virtual std::size_t Encode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t count);
    virtual void EncodeInit() {}
    virtual void EncodeEnd() {}
};

// Building blocks of the run-length decoders. Both stop at the end of the
// output and move the pointers they are given.

// Writes value count times.
inline void RepeatByte(std::uint8_t*& out, const std::uint8_t* outEnd, std::uint8_t value,
                       std::size_t count) {
    const std::size_t n = std::min(count, std::size_t(outEnd - out));
    std::memset(out, value, n);
    out += n;
}

// Copies a literal run of count bytes, cut at the end of the input too. Every
// byte of the run that the input holds is consumed, also when the output has
// no room for it, so that the next control byte is found.
inline void CopyLiteral(const std::uint8_t*& in, const std::uint8_t* inEnd, std::uint8_t*& out,
                        const std::uint8_t* outEnd, std::size_t count) {
    const std::size_t available = std::min(count, std::size_t(inEnd - in));
    const std::size_t n = std::min(available, std::size_t(outEnd - out));
    std::memcpy(out, in, n);
    out += n;
    in += available;
}

// PackBits: header n in 0..127 copies n + 1 bytes, -1..-127 repeats the next
// byte 1 - n times, -128 is skipped. Stops when input or output is used up.
class TPackbitsRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 128
    // times.
    static constexpr std::uint64_t kMaxExpansion = 128;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// LZW as TIFF writes it: codes most significant bit first, 9 to 12 bits wide,
// widened one code early. Strips of writers before TIFF 6.0 (codes least
// significant bit first, widened when a code no longer fits) are recognised
// by their first two bytes and read too. Every call decodes one strip from
// scratch; the pointers are not advanced. Damaged data stops the run without
// an error.
class TTIFFLZWDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make. Each code adds a string one
    // byte longer than an earlier one, so the longest string, entry 4095, is
    // 3839 bytes long; once the table is full, every 12-bit code can repeat
    // it: 3839 bytes from 1.5 input bytes.
    static constexpr std::uint64_t kMaxExpansion = 2560;
    TTIFFLZWDecoder();
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    template <bool OldStyle>
    void Run(const std::uint8_t* source, std::uint8_t* dest, std::size_t packedSize,
             std::size_t unpackedSize);

    static constexpr int kTableSize = 4096;
    // Every string of the table (codes 258 and up) also stands in the
    // output of the current strip; a string is copied from there instead of
    // being assembled code by code.
    // Each entry: offset << 16 | length.
    std::array<std::uint64_t, kTableSize> strings_{};
};

// zlib inflate. flushMode is passed to inflate (Z_PARTIAL_FLUSH = 1 for TIFF
// and PNG); with autoReset the stream is reset before every Decode, so that
// each call takes a complete deflate stream (one TIFF strip).
class TLZ77Decoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: deflate's limit is 1032 : 1.
    static constexpr std::uint64_t kMaxExpansion = 1032;
    TLZ77Decoder(int flushMode, bool autoReset);
    ~TLZ77Decoder() override;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeEnd() override;
    void DecodeInit() override;

    // zlib's result of the last inflate call (Z_OK, Z_STREAM_END or an
    // error code below zero).
    int ZLibResult() const { return result_; }
    std::size_t AvailableInput() const { return availIn_; }
    std::size_t AvailableOutput() const { return availOut_; }

  private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    int flushMode_;
    bool autoReset_;
    bool initialized_ = false;
    int result_ = 0;
    std::size_t availIn_ = 0;
    std::size_t availOut_ = 0;
};

// Options of TIFF tag 292 (T4Options).
constexpr std::uint32_t kFax2DEncoding = 1;
constexpr std::uint32_t kFaxUncompressed = 2;
constexpr std::uint32_t kFaxFillBits = 4;

// Common part of the CCITT decoders: the code tables of ITU-T T.4 and the
// bit reader. Black pixels are written as 1 bits, most significant bit first,
// into output that the decoder clears first; each row starts on a whole byte.
class TCCITTDecoder : public TDecoder {
  public:
    TCCITTDecoder(std::uint32_t options, std::uint32_t width, bool wordAligned, bool swapBits);

    // Node of a decoding tree: children for bit 0 and 1 (0 = none) and, on
    // a leaf, the value.
    struct Node {
        std::int16_t child[2] = {0, 0};
        std::int16_t value = -1;
    };
    using Tree = std::vector<Node>;

    // Bit reader over the current input.
    struct BitReader {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        std::size_t pos = 0; // byte
        int bit = 0;         // bits of data[pos] already read
        bool swap = false;
        bool atEnd() const { return pos >= size; }
        // Next bit, or -1 at the end of the input.
        int next();
        void alignToByte();
        void alignToWord(const std::uint8_t* base);
    };

  protected:
    // Reads one run length (make-up codes added up until a terminating code)
    // of the given colour: >= 0 the length, -1 end of input, -2 an invalid
    // code, -3 an end-of-line code.
    int ReadRun(BitReader& in, bool black) const;
    // Reads a code of the 2-D mode tree; same error values as ReadRun.
    int ReadMode(BitReader& in) const;
    // Sets pixels [from, to) of a row to black.
    static void FillBlack(std::uint8_t* row, std::uint32_t from, std::uint32_t to);
    // Decodes one 1-D coded row into row; returns false when it was ended by
    // an invalid code, an end-of-line code (eolSeen set) or the end of input.
    bool DecodeRow1D(BitReader& in, std::uint8_t* row, bool& eolSeen) const;
    // Decodes one 2-D coded row against the changing elements of the
    // reference row; same result as DecodeRow1D.
    bool DecodeRow2D(BitReader& in, std::uint8_t* row, bool& eolSeen) const;
    // Collects the changing elements of a decoded row into changes_.
    void CollectChanges(const std::uint8_t* row, std::vector<std::uint32_t>& changes) const;

    std::uint32_t options_;
    std::uint32_t width_;
    bool wordAligned_;
    bool swapBits_;
    Tree white_, black_, modes_;
    mutable std::vector<std::uint32_t> reference_; // changes of the previous row
    mutable std::vector<std::uint32_t> current_;
};

// Modified Huffman (TIFF compression 2, and 32771 with word alignment): 1-D
// rows without end-of-line codes, each starting on a whole input byte (word).
class TCCITTMHDecoder : public TCCITTDecoder {
  public:
    // A row of any width can be one code, but every row starts on a new
    // byte: one input byte makes at most one row.
    static constexpr std::uint64_t kMaxRowsPerByte = 1;
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// Group 3 fax (TIFF compression 3): every row starts after an end-of-line
// code; with the 2-D option a tag bit after it says whether the row is coded
// one- or two-dimensionally.
class TCCITTFax3Decoder : public TCCITTDecoder {
  public:
    // Every row starts after an end-of-line code of 12 bits.
    static constexpr std::uint64_t kMaxRowsPerByte = 1;
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// Group 4 fax (TIFF compression 4): 2-D rows only, no end-of-line codes, the
// first row coded against an all-white row.
class TCCITTFax4Decoder : public TCCITTDecoder {
  public:
    // A row that repeats the one above it is a single bit (one vertical
    // code), whatever its width.
    static constexpr std::uint64_t kMaxRowsPerByte = 8;
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// ThunderScan 4-bit pixels, two to a byte, high nibble first. Each row of
// width pixels starts on a whole byte with the last pixel 0.
class TThunderDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: a run code repeats the
    // last pixel up to 63 times, 31.5 bytes of 4-bit pixels.
    static constexpr std::uint64_t kMaxExpansion = 32;
    explicit TThunderDecoder(std::uint32_t width) : width_(width) {}
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    std::uint32_t width_;
};

// JPEG in TIFF (compression 7) through libjpeg, set up from the reader's
// image properties: width, samples per pixel, bits per sample, colour model
// (YCbCr data is converted by libjpeg), YCbCr subsampling and the JPEG tables
// of TIFF tag 347. Each Decode takes one strip (or tile), a JPEG datastream
// whose tables may come from the JPEG tables, and writes whole scan lines: 1
// byte per pixel for grey, 3 in blue, green, red order for colour, 4 for
// CMYK. libjpeg's warnings, and running out of data, go to ShowWarning (each
// text once per run); errors throw EGraphicCompression.
class TTIFFJPEGDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make. Every 8 x 8 block of every
    // component takes at least one bit (its DC code); with the widest
    // subsampling, 4 x 4, a unit of 16 luma and 2 chroma blocks makes
    // 32 x 32 pixels of 3 bytes from 18 bits: 1365.3 bytes per byte.
    static constexpr std::uint64_t kMaxExpansion = 1366;
    // Rows as wide as the picture (strips).
    explicit TTIFFJPEGDecoder(const TImageProperties& properties);
    // Rows of the given width (tiles).
    TTIFFJPEGDecoder(const TImageProperties& properties, std::uint32_t width);
    ~TTIFFJPEGDecoder() override;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeEnd() override;
    void DecodeInit() override;

    // Bytes one decoded row takes.
    std::size_t RowBytes() const;

    struct State;

  private:
    std::uint32_t width_;
    std::uint32_t samplesPerPixel_;
    std::uint32_t bitsPerSample_;
    bool ycbcr_;
    std::uint32_t subsampling_[2];
    std::vector<std::uint8_t> tables_;
    std::unique_ptr<State> state_;
};

} // namespace vt
