// Hot-pixel repair of a JPEG photograph in its compressed form: only the
// 8 x 8 blocks that hold a hot pixel are decoded, repaired and quantised
// again with the photograph's own tables; every other coefficient, the
// file's tables, sampling, restart interval, scans and metadata stay as
// they were.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "camera/camerafile.h"
#include "platform/files.h"
#include "platform/progress.h"
#include "repair/jpegcoefficients.h"

namespace vt {

// What a repair in the compressed form did.
struct JpegRepairReport {
    // Blocks of the file, all components, and those coded anew.
    std::uint64_t blocks = 0;
    std::uint64_t touchedBlocks = 0;
    // Hot pixels inside the photograph that were painted.
    std::size_t hotPixels = 0;
    // The file's own Huffman tables were kept; otherwise libjpeg made
    // optimal ones (always for a progressive file, or where a changed block
    // needs a code the file's tables lack).
    bool huffmanKept = false;
    bool progressive = false;
};

// A repaired photograph in a file not yet put in place.
struct RepairedJpeg {
    std::unique_ptr<ReplacingFile> file;
    JpegRepairReport report;
};

// Repairs the JPEG file `source` with the hot-pixel list, as FixHotPixels
// repairs its decoded picture (each hot pixel takes the truncated mean of
// its references, read from the decoded pixels, record by record), and
// writes the result into a new ReplacingFile for `target`, which the caller
// commits. Each hot pixel's colour is reached through the blocks that hold
// it: its luminance block and, in a photograph with subsampled colour, the
// colour blocks whose samples it is made from.
//
// Progress as FixHotPixels gives it. Throws JpegTranscodeUnavailable, with
// nothing written, when the file cannot be repaired so (the reason says
// why); FileWriteError or JpegError when the file cannot be written.
RepairedJpeg RepairJpeg(const std::string& source, const HotPixelList& hotPixels,
                        const std::string& target, IProgress& progress);

} // namespace vt
