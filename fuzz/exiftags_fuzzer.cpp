// libFuzzer target for the Exif facts of a photo: the input is parsed as an
// Exif block in memory, and read again from a file as batch repair reads a
// photo's head (a JPEG's segments up to its picture data, or a TIFF's first
// directory). Reads must stay within the input and end; nothing may throw
// once the file is open.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "imageio/exiftags.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)vt::ParseExifTags(data, size);
    static const std::string path = "/tmp/vorantel-exif-fuzz-" + std::to_string(::getpid());
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        (void)vt::ReadExifTags(path);
    }
    return 0;
}
