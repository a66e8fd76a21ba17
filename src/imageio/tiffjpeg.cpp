// JPEG in TIFF through libjpeg. libjpeg reports errors through a callback
// that must not return; here it jumps back to the entry point that was
// guarded with setjmp, which turns the error into an exception. The guarded
// functions hold no objects with destructors across the jump.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <set>
#include <utility>

#include <jpeglib.h>

#include "imageio/decoders.h"

namespace vt {

struct TTIFFJPEGDecoder::State {
    jpeg_decompress_struct cinfo{};
    struct ErrorManager {
        jpeg_error_mgr pub{};
        std::jmp_buf jump{};
        char message[JMSG_LENGTH_MAX] = {};
        State* owner = nullptr;
    } err;
    jpeg_source_mgr src{};
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool created = false;
    // Warnings already shown in this run: each text is shown once.
    std::set<std::string> warned;

    void Warn(const std::string& text) {
        if (!warned.insert(text).second) return;
        ShowWarning(text);
    }
};

namespace {

using State = TTIFFJPEGDecoder::State;

State* OwnerOf(j_common_ptr cinfo) {
    return reinterpret_cast<State::ErrorManager*>(cinfo->err)->owner;
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<State::ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return; // trace messages
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    cinfo->err->num_warnings++;
    OwnerOf(cinfo)->Warn(text);
}

void OutputMessage(j_common_ptr) {}

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    // The data ran out: end it with an end-of-image marker so that libjpeg
    // finishes what it has.
    OwnerOf(reinterpret_cast<j_common_ptr>(cinfo))
        ->Warn("JPEG decompression error. Unexpected end of input.");
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (std::size_t(count) > src->bytes_in_buffer) {
        count -= long(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= std::size_t(count);
}

void TermSource(j_decompress_ptr) {}

void SetInput(State& s, const std::uint8_t* data, std::size_t size) {
    s.src.next_input_byte = data;
    s.src.bytes_in_buffer = size;
}

// The guarded steps. Each returns false when libjpeg raised an error, whose
// text is then in err.message.

bool GuardedCreate(State& s) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.cinfo.src = &s.src;
    return true;
}

// Reads a table-only datastream; false when it is not one.
bool GuardedReadTables(State& s) {
    if (setjmp(s.err.jump)) return false;
    return jpeg_read_header(&s.cinfo, FALSE) == JPEG_HEADER_TABLES_ONLY;
}

bool GuardedReadHeader(State& s, int& result) {
    if (setjmp(s.err.jump)) return false;
    result = jpeg_read_header(&s.cinfo, TRUE);
    return true;
}

bool GuardedReadRows(State& s, std::uint8_t* dest, std::size_t rowBytes, JDIMENSION rows) {
    if (setjmp(s.err.jump)) return false;
    jpeg_start_decompress(&s.cinfo);
    while (s.cinfo.output_scanline < rows) {
        JSAMPROW row = dest + std::size_t(s.cinfo.output_scanline) * rowBytes;
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) break;
    }
    return true;
}

} // namespace

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties)
    : TTIFFJPEGDecoder(properties, properties.Width) {}

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties, std::uint32_t width)
    : width_(width), samplesPerPixel_(properties.SamplesPerPixel),
      bitsPerSample_(properties.BitsPerSample),
      ycbcr_(properties.ColorModel == TColorModel::YCbCr), subsampling_{1, 1},
      tables_(properties.JPEGTables) {
    if (ycbcr_ && properties.YCbCrSubSampling.size() >= 2) {
        subsampling_[0] = properties.YCbCrSubSampling[0];
        subsampling_[1] = properties.YCbCrSubSampling[1];
    }
}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
    DecodeEnd();
}

std::size_t TTIFFJPEGDecoder::RowBytes() const {
    return std::size_t(width_) * samplesPerPixel_;
}

void TTIFFJPEGDecoder::DecodeInit() {
    DecodeEnd();
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = ErrorExit;
    s.err.pub.emit_message = EmitMessage;
    s.err.pub.output_message = OutputMessage;
    s.err.owner = &s;
    s.src.init_source = InitSource;
    s.src.fill_input_buffer = FillInputBuffer;
    s.src.skip_input_data = SkipInputData;
    s.src.resync_to_restart = jpeg_resync_to_restart;
    s.src.term_source = TermSource;
    if (!GuardedCreate(s)) {
        const std::string message = s.err.message;
        state_.reset();
        throw EGraphicCompression(message);
    }
    if (!tables_.empty()) {
        SetInput(s, tables_.data(), tables_.size());
        if (!GuardedReadTables(s)) throw EGraphicCompression("Bogus JPEG tables field.");
    }
}

void TTIFFJPEGDecoder::DecodeEnd() {
    if (state_ && state_->created) jpeg_destroy_decompress(&state_->cinfo);
    state_.reset();
}

void TTIFFJPEGDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                              std::size_t packedSize, std::size_t unpackedSize) {
    if (!state_) DecodeInit();
    State& s = *state_;
    jpeg_decompress_struct& c = s.cinfo;
    const std::size_t rowBytes = RowBytes();
    if (rowBytes == 0 || unpackedSize % rowBytes != 0)
        throw EGraphicCompression("Fractional JPEG scanline unsupported.");
    const std::size_t wantedRows = unpackedSize / rowBytes;

    SetInput(s, source, packedSize);
    auto fail = [&](const std::string& message) {
        jpeg_abort_decompress(&c);
        throw EGraphicCompression(message);
    };
    int header = 0;
    if (!GuardedReadHeader(s, header)) fail(s.err.message);
    if (header != JPEG_HEADER_OK) fail("Improper JPEG strip/tile size.");
    // The strip holds whole rows of the image; the last strip may be shorter.
    if (c.image_width != width_ || c.image_height > wantedRows || c.image_height == 0)
        fail("Improper JPEG strip/tile size.");
    if (c.num_components != int(samplesPerPixel_)) fail("Improper JPEG component count.");
    if (c.data_precision != int(bitsPerSample_) || c.data_precision != 8)
        fail("Improper JPEG data precision.");
    const bool subsampledYCbCr = ycbcr_ && c.num_components == 3;
    for (int i = 0; i < c.num_components; ++i) {
        const bool luma = i == 0 && subsampledYCbCr;
        const int h = luma ? int(subsampling_[0]) : 1;
        const int v = luma ? int(subsampling_[1]) : 1;
        if (c.comp_info[i].h_samp_factor != h || c.comp_info[i].v_samp_factor != v)
            fail("Improper JPEG sampling factors.");
    }
    switch (c.num_components) {
    case 1:
        c.jpeg_color_space = JCS_GRAYSCALE;
        c.out_color_space = JCS_GRAYSCALE;
        break;
    case 3:
        c.jpeg_color_space = ycbcr_ ? JCS_YCbCr : JCS_RGB;
        c.out_color_space = JCS_EXT_BGR;
        break;
    case 4:
        c.jpeg_color_space = JCS_CMYK;
        c.out_color_space = JCS_CMYK;
        break;
    default:
        fail("Improper JPEG component count.");
    }
    if (!GuardedReadRows(s, dest, rowBytes,
                         JDIMENSION(std::min<std::size_t>(wantedRows, c.image_height))))
        fail(s.err.message);
    jpeg_abort_decompress(&c);
}

} // namespace vt
