#include "imageio/jpegimage.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// Message codes for the warning of a source that ends early.
#include <jerror.h>

#include "imageio/imageerrors.h"

namespace vt {

namespace {

constexpr std::size_t kInputBlock = 65536;

// libjpeg's error manager, extended so that errors return to the decoding
// function instead of ending the process.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (level -1) are shown once per image, as libjpeg itself does;
// trace messages are dropped.
extern "C" void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    if (cinfo->err->num_warnings++ > 0) return;
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    try {
        ShowWarning(text);
    } catch (...) {
    }
}

// Source manager reading from a TStream in blocks.
struct StreamSource {
    jpeg_source_mgr pub;
    TStream* stream;
    JOCTET* buffer;
    bool started;
};

extern "C" void initSource(j_decompress_ptr cinfo) {
    reinterpret_cast<StreamSource*>(cinfo->src)->started = true;
}

extern "C" boolean fillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    std::size_t n = 0;
    try {
        n = src->stream->Read(src->buffer, kInputBlock);
    } catch (...) {
        n = 0;
    }
    if (n == 0) {
        // The data ended early: warn and end the image with an EOI marker.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    return TRUE;
}

extern "C" void skipInput(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    if (count <= 0) return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        fillInput(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= std::size_t(count);
}

extern "C" void termSource(j_decompress_ptr) {}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    StreamSource src;
};

// Why a picture was refused before anything was allocated for it.
enum class Refusal { None, TooLarge, DataTooShort };

// Decodes into bitmap; returns false with err.message set when libjpeg
// fails. `available` is the number of bytes the file holds. No object with a
// destructor lives in this function's frame: a longjmp out of libjpeg skips
// nothing.
bool decode(Decoder& d, TStream& stream, std::uint64_t available, Bitmap& bitmap,
            TImageProperties& props, PhotoMetadata& metadata, std::vector<std::uint8_t>& input,
            std::vector<std::uint8_t>& cmykRow, Refusal& refusal) {
    jpeg_decompress_struct& cinfo = d.cinfo;
    cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = onError;
    d.err.pub.emit_message = onMessage;
    d.err.message[0] = 0;
    if (setjmp(d.err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    d.src.pub.init_source = initSource;
    d.src.pub.fill_input_buffer = fillInput;
    d.src.pub.skip_input_data = skipInput;
    d.src.pub.resync_to_restart = jpeg_resync_to_restart;
    d.src.pub.term_source = termSource;
    d.src.pub.bytes_in_buffer = 0;
    d.src.pub.next_input_byte = nullptr;
    d.src.stream = &stream;
    d.src.buffer = input.data();
    d.src.started = false;
    cinfo.src = &d.src.pub;
    for (int code : {kJpegApp1, kJpegApp2, kJpegApp13, kJpegCom})
        jpeg_save_markers(&cinfo, code, 0xFFFF);

    jpeg_read_header(&cinfo, TRUE);
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (IsKeptJpegMarker(m->marker, m->data, m->data_length))
            metadata.jpegMarkers.push_back(JpegMarker{
                m->marker, std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;

    props.Reset();
    props.Width = cinfo.image_width;
    props.Height = cinfo.image_height;
    props.ColorModel = grey ? TColorModel::Grey : cmyk ? TColorModel::CMYK : TColorModel::YCbCr;
    props.BitsPerSample = 8;
    props.SamplesPerPixel = std::uint8_t(cinfo.num_components);
    props.BitsPerPixel = std::uint8_t(8 * cinfo.num_components);
    props.Compression = TCompressionType::JPEG;
    props.Interlaced = jpeg_has_multiple_scans(&cinfo) != 0;
    if (cinfo.saw_JFIF_marker && cinfo.density_unit != 0) {
        float scale = cinfo.density_unit == 2 ? 2.54f : 1.0f;
        props.XResolution = float(cinfo.X_density) * scale;
        props.YResolution = float(cinfo.Y_density) * scale;
    }
    if (std::uint64_t(cinfo.image_width) * cinfo.image_height > kMaxBitmapPixels) {
        refusal = Refusal::TooLarge;
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    // What the decode needs: libjpeg works on the 8 x 8 blocks of every
    // component, whose counts it knows from the header, and keeps all of
    // them (2 bytes a coefficient) for a progressive picture. Every block
    // takes at least one bit of the data (its DC code), so a file holds at
    // most eight blocks per byte; a file that claims more is refused before
    // libjpeg or the bitmap allocate anything for it.
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks +=
            std::uint64_t(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    if (!DataCanCover(blocks, available, 8)) {
        refusal = Refusal::DataTooShort;
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    jpeg_start_decompress(&cinfo);
    // libjpeg writes every row, also of data that ends early.
    bitmap = Bitmap(int(cinfo.output_width), int(cinfo.output_height),
                    grey ? PixelFormat::pf8bit : PixelFormat::pf24bit, Bitmap::NoClear{});
    if (grey) {
        std::vector<TColor> ramp(256);
        for (int i = 0; i < 256; ++i)
            ramp[std::size_t(i)] = RGBColor(i, i, i);
        bitmap.setPalette(std::move(ramp));
    }
    if (cmyk) cmykRow.resize(std::size_t(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        if (!cmyk) {
            JSAMPROW row = bitmap.scanLine(y);
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        // Adobe's CMYK JPEGs store the inks inverted.
        std::uint8_t* out = bitmap.scanLine(y);
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
            const std::uint8_t* p = row + 4 * x;
            unsigned k = p[3];
            out[3 * x] = std::uint8_t(p[2] * k / 255);
            out[3 * x + 1] = std::uint8_t(p[1] * k / 255);
            out[3 * x + 2] = std::uint8_t(p[0] * k / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

void TJPEGImage::LoadFromStream(TStream& stream) {
    std::vector<std::uint8_t> input(kInputBlock);
    std::vector<std::uint8_t> cmykRow;
    auto d = std::make_unique<Decoder>();
    Refusal refusal = Refusal::None;
    FBitmap = Bitmap();
    FMetadata.clear();
    if (!decode(*d, stream, stream.Remaining(), FBitmap, FImageProperties, FMetadata, input,
                cmykRow, refusal)) {
        FBitmap = Bitmap();
        throw EInvalidGraphic(d->err.message);
    }
    if (refusal == Refusal::TooLarge) {
        std::string pixels = std::to_string(kMaxBitmapPixels);
        GraphicError(gesNotSupported, {FormatMessage(gesImageTooLarge, {pixels}), "JPEG"});
    }
    if (refusal == Refusal::DataTooShort) GraphicError(gesInvalidImage, {"JPEG"});
}

} // namespace vt
