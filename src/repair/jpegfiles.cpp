#include "repair/jpegfiles.h"

#include <cstring>

namespace vt::jpegfiles {

namespace {

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

// Level -1 is a warning, about the data being read; higher levels are
// trace messages. Neither is printed: the caller decides what a warning
// means.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (cinfo->err->num_warnings++ == 0) (*cinfo->err->format_message)(cinfo, e->warning);
}

void outputMessage(j_common_ptr) {}

[[noreturn]] void writeFailed(j_compress_ptr cinfo, int err) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    reinterpret_cast<FileDestination*>(cinfo->dest)->failed = true;
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

} // namespace

jpeg_error_mgr* InitErrors(ErrorManager& err) {
    jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.message[0] = '\0';
    err.warning[0] = '\0';
    return pub;
}

void InitDestination(FileDestination& dest, ReplacingFile& file, JOCTET* buffer, std::size_t size) {
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = emptyOutputBuffer;
    dest.pub.term_destination = termDestination;
    dest.file = &file;
    dest.buffer = buffer;
    dest.size = size;
}

} // namespace vt::jpegfiles
