// libjpeg's error and destination managers for the JPEG files the program
// writes: errors return to the caller through a jump with libjpeg's message
// kept, warnings are counted but never printed, and the compressed data goes
// to a ReplacingFile in large blocks.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "platform/files.h"

namespace vt::jpegfiles {

// The error manager of one libjpeg object. A function that calls libjpeg
// sets `jump` with setjmp and must hold no C++ object with a destructor in
// the frames a jump skips.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // libjpeg's message of the error, or the system's of a failed write.
    char message[JMSG_LENGTH_MAX + 256];
    // The first warning (corrupt data and the like), empty for none.
    char warning[JMSG_LENGTH_MAX];
};

// Sets up the manager and returns what goes into cinfo->err.
jpeg_error_mgr* InitErrors(ErrorManager& err);

// Destination that hands the compressed data to a ReplacingFile; a failed
// write ends the compression with the system's message.
struct FileDestination {
    jpeg_destination_mgr pub;
    ReplacingFile* file = nullptr;
    JOCTET* buffer = nullptr;
    std::size_t size = 0;
    // Set when writing to the file failed (the error is the system's).
    bool failed = false;
};

// Points the destination at the file and the caller's buffer.
void InitDestination(FileDestination& dest, ReplacingFile& file, JOCTET* buffer, std::size_t size);

} // namespace vt::jpegfiles
