#include "repair/photooutput.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "platform/bmpfile.h"
#include "platform/files.h"
#include "repair/repair.h"
#include "repair/tiffwriter.h"

namespace vt {

// ---------------------------------------------------------------------------
// Paths

std::string DestinationPathFor(const std::string& photoPath) {
    return ExtractFilePath(photoPath) + "Vorantel" + kPathDelim + ExtractFileName(photoPath);
}

std::string StoredPathFor(const std::string& destination) {
    const std::string dir = ExtractFilePath(destination);
    const std::string name = ExtractFileName(destination);
    const std::string base = name.substr(0, name.size() - ExtractFileExt(name).size());
    switch (OutputKindOf(name)) {
    case OutputKind::Bitmap:
        return dir + base + ".bmp";
    case OutputKind::Tiff:
        return dir + base + ".tif";
    case OutputKind::Jpeg:
        break;
    }
    return dir + base + ".jpg";
}

// ---------------------------------------------------------------------------
// JPEG

namespace {

// libjpeg reports errors through error_exit, which must not return. It jumps
// back to encode(), which has no C++ objects of its own that a jump could
// skip; the message is kept here.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 256];
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings and trace messages of the encoder concern the data it is given,
// which is always well formed here; they are neither shown nor printed.
void emitMessage(j_common_ptr, int) {}
void outputMessage(j_common_ptr) {}

// Destination that hands the compressed data to a ReplacingFile in large
// blocks; a failed write ends the encoding with the system's message.
struct FileDestination {
    jpeg_destination_mgr pub;
    ReplacingFile* file;
    JOCTET* buffer;
    std::size_t size;
};

[[noreturn]] void writeFailed(j_compress_ptr cinfo, int err) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(e->message, sizeof e->message, "%s", std::strerror(err));
    std::longjmp(e->jump, 1);
}

void initDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = d->size;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
    // libjpeg calls this with the whole buffer full, whatever
    // free_in_buffer says.
    if (const int err = d->file->write(d->buffer, d->size)) writeFailed(cinfo, err);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = d->size;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
    const std::size_t used = d->size - d->pub.free_in_buffer;
    if (used > 0)
        if (const int err = d->file->write(d->buffer, used)) writeFailed(cinfo, err);
}

// Rows handed to the encoder at once.
constexpr int kRowBatch = 16;

// One encoding. The caller owns every buffer; after a jump back here only
// the compressor is released. Returns false with the message in err.
bool encode(jpeg_compress_struct* cinfo, ErrorManager* err, FileDestination* dest, const Bitmap* b,
            int quality, JSAMPLE* rowBuffer) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = errorExit;
    err->pub.emit_message = emitMessage;
    err->pub.output_message = outputMessage;
    err->message[0] = '\0';
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    dest->pub.init_destination = initDestination;
    dest->pub.empty_output_buffer = emptyOutputBuffer;
    dest->pub.term_destination = termDestination;
    cinfo->dest = &dest->pub;

    const PixelFormat pf = b->pixelFormat();
    cinfo->image_width = JDIMENSION(b->width());
    cinfo->image_height = JDIMENSION(b->height());
    if (pf == PixelFormat::pf24bit) {
        cinfo->input_components = 3;
        cinfo->in_color_space = JCS_EXT_BGR;
    } else if (pf == PixelFormat::pf32bit) {
        cinfo->input_components = 4;
        cinfo->in_color_space = JCS_EXT_BGRX;
    } else {
        cinfo->input_components = 3;
        cinfo->in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);

    JSAMPROW rows[kRowBatch];
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y0 = int(cinfo->next_scanline);
        int n = 0;
        if (rowBuffer == nullptr) {
            // The bitmap's own rows, as stored.
            n = std::min(kRowBatch, b->height() - y0);
            for (int i = 0; i < n; ++i)
                rows[i] = const_cast<JSAMPROW>(b->scanLine(y0 + i));
        } else {
            for (int x = 0; x < b->width(); ++x) {
                const TColor c = b->pixel(x, y0);
                rowBuffer[3 * x] = JSAMPLE(GetRValue(c));
                rowBuffer[3 * x + 1] = JSAMPLE(GetGValue(c));
                rowBuffer[3 * x + 2] = JSAMPLE(GetBValue(c));
            }
            rows[0] = rowBuffer;
            n = 1;
        }
        jpeg_write_scanlines(cinfo, rows, JDIMENSION(n));
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

} // namespace

void WriteJpegFile(const std::string& path, const Bitmap& bitmap, int quality) {
    if (bitmap.empty()) throw JpegError("The picture is empty.");
    quality = std::clamp(quality, 1, 100);

    ReplacingFile file = [&]() -> ReplacingFile {
        try {
            return ReplacingFile(path);
        } catch (const std::runtime_error& e) {
            throw JpegError(e.what());
        }
    }();
    const PixelFormat pf = bitmap.pixelFormat();
    std::vector<JSAMPLE> rowBuffer;
    if (pf != PixelFormat::pf24bit && pf != PixelFormat::pf32bit)
        rowBuffer.resize(std::size_t(bitmap.width()) * 3);
    std::vector<JOCTET> output(std::size_t(1) << 20);

    jpeg_compress_struct cinfo;
    ErrorManager err;
    FileDestination dest{};
    dest.file = &file;
    dest.buffer = output.data();
    dest.size = output.size();
    if (!encode(&cinfo, &err, &dest, &bitmap, quality,
                rowBuffer.empty() ? nullptr : rowBuffer.data()))
        throw JpegError(err.message);
    try {
        file.commit();
    } catch (const std::runtime_error& e) {
        throw JpegError(e.what());
    }
}

// ---------------------------------------------------------------------------
// Storing

JpegStoreError::JpegStoreError(const std::string& path, const std::string& reason)
    : std::runtime_error("Unable to read file " + path + "\r" + reason), path_(path),
      reason_(reason) {}

std::string StorePhoto(const Bitmap& picture, const std::string& destination) {
    const std::string dir = ExtractFilePath(destination);
    // One level: the "Vorantel" folder. It usually exists already.
    if (!dir.empty() && !DirectoryExists(dir)) CreateDir(dir);

    const std::string written = StoredPathFor(destination);
    switch (OutputKindOf(ExtractFileName(destination))) {
    case OutputKind::Jpeg:
        try {
            WriteJpegFile(written, picture, kJpegQuality);
        } catch (const JpegError& e) {
            throw JpegStoreError(written, e.what());
        }
        break;
    case OutputKind::Tiff:
        WriteTiffFile(written, picture);
        break;
    case OutputKind::Bitmap:
        WriteBmpFile(written, picture);
        break;
    }
    return written;
}

} // namespace vt
