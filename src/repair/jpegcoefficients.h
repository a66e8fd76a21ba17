// A JPEG file's quantised DCT coefficients, read with libjpeg as a lossless
// transcoder reads them, open to change block by block, and written again
// with the file's own quantisation tables, sampling factors, restart
// interval, scans and metadata.
//
// The coefficient arrays come from pixel memory (huge pages, reused by the
// next photograph of a run), not from libjpeg's heap: a 24-megapixel photo
// holds 72 MB of them in 4:2:0, which a fresh heap block would pay for page
// by page.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imageio/photometadata.h"
#include "platform/files.h"

namespace vt {

// Why a JPEG photograph cannot be stored through its coefficients; what()
// is a sentence for the user, the reason the photo is encoded in full.
class JpegTranscodeUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One colour component.
struct JpegComponent {
    int h = 1, v = 1; // sampling factors
    // Samples of the component that reach the picture, and the blocks that
    // hold them (the arrays may hold more: the padding of the last MCUs).
    int sampleWidth = 0, sampleHeight = 0;
    int widthInBlocks = 0, heightInBlocks = 0;
    // Quantisation table, in natural (row by row) order.
    std::array<std::uint16_t, 64> quant{};
};

// One scan of the file, as its SOS header gave it.
struct JpegScan {
    std::vector<int> components; // indexes into components()
    std::vector<int> dcTables, acTables;
    int ss = 0, se = 63, ah = 0, al = 0;
};

class JpegCoefficients {
  public:
    JpegCoefficients();
    ~JpegCoefficients();
    JpegCoefficients(const JpegCoefficients&) = delete;
    JpegCoefficients& operator=(const JpegCoefficients&) = delete;

    // Reads every coefficient of the file. Throws JpegTranscodeUnavailable
    // when the file cannot be transcoded (not a JPEG; arithmetic-coded,
    // lossless, hierarchical or not 8 bits per sample; colours other than
    // YCbCr or grey; damaged data; scans that leave coefficients out) and
    // for libjpeg's errors.
    void read(const std::string& path);

    int width() const;
    int height() const;
    int maxH() const;
    int maxV() const;
    const std::vector<JpegComponent>& components() const;
    const std::vector<JpegScan>& scans() const;
    bool progressive() const;
    int restartInterval() const;
    // The file's metadata segments worth keeping (IsKeptJpegMarker), in
    // file order.
    const std::vector<JpegMarker>& markers() const;
    // Coefficient blocks of the whole file, all components.
    std::uint64_t blockCount() const;

    // The 64 coefficients of a block, natural order; bx, by within the
    // component's blocks (padding blocks included).
    std::int16_t* block(int component, int bx, int by);

    // Whether the Huffman table (DC or AC, by number) of the file has a
    // code for the symbol.
    bool hasHuffmanCode(bool dc, int table, int symbol) const;

    // Writes the coefficients as a JPEG file: the file's quantisation
    // tables, sampling factors, component identifiers, restart interval and
    // scans, its JFIF header if it had one, and its kept markers in order.
    // With keepHuffman its own Huffman tables (the caller has made sure
    // they code every block), otherwise tables libjpeg optimises for the
    // data. Throws JpegTranscodeUnavailable when libjpeg refuses the file's
    // parameters, JpegError when the file cannot be written.
    void write(ReplacingFile& out, bool keepHuffman);

    struct State;

  private:
    std::unique_ptr<State> s_;
};

} // namespace vt
