#include "ui/about.h"

#include <cstdio> // before jpeglib.h, which uses FILE
#include <jpeglib.h>
#include <zlib.h>

namespace vt {

namespace {

#define VORANTEL_STRINGIFY2(x) #x
#define VORANTEL_STRINGIFY(x) VORANTEL_STRINGIFY2(x)

std::string JpegVersion() {
#ifdef LIBJPEG_TURBO_VERSION
    return VORANTEL_STRINGIFY(LIBJPEG_TURBO_VERSION);
#else
    return std::to_string(JPEG_LIB_VERSION / 10) + "." + std::to_string(JPEG_LIB_VERSION % 10);
#endif
}

} // namespace

std::string ReleaseText(const std::string& versionText, const std::string& dateText) {
    return versionText + "   " + dateText;
}

std::string AcknowledgementsText(const std::string& qtVersion) {
    return "Vorantel is built on the work of others, with thanks:\n"
           "\n"
           "Qt " +
           qtVersion +
           ", by The Qt Company and the Qt Project, draws the windows and dialogs.\n"
           "\n"
           "libjpeg-turbo " +
           JpegVersion() +
           " reads and writes JPEG photographs. This software is based in part on the work "
           "of the Independent JPEG Group.\n"
           "\n"
           "zlib " +
           zlibVersion() +
           ", by Jean-loup Gailly and Mark Adler, unpacks the compressed pixels of PNG, TIFF "
           "and Paint Shop Pro files.";
}

std::string ContactText() {
    return "Questions, suggestions and reports of trouble are welcome in the Tarnwick Forum.\n"
           "Choose \"Join the Tarnwick Forum\" in the Help menu to sign up.";
}

} // namespace vt
