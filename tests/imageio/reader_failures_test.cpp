// Damaged, truncated and hostile Targa, PCX, SGI, GIF and Photoshop files:
// each must fail with its message, quickly and without allocating what the
// header claims.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "imageio/fileformatlist.h"
#include "support/tempdir.h"

namespace vt {
namespace {

using Bytes = std::string;

Bytes fixture(const std::string& name) {
    std::ifstream in(std::string(VORANTEL_TESTDATA) + "/readers/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Small edits of a fixture's bytes.
Bytes cut(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}
Bytes cutBy(Bytes b, std::size_t count) {
    b.resize(b.size() - count);
    return b;
}
Bytes put8(Bytes b, std::size_t at, unsigned v) {
    b[at] = char(v);
    return b;
}
Bytes putLE16(Bytes b, std::size_t at, unsigned v) {
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
    return b;
}
Bytes putBE16(Bytes b, std::size_t at, unsigned v) {
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
    return b;
}
Bytes putBE32(Bytes b, std::size_t at, std::uint32_t v) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return b.replace(at, 4, bytes, 4);
}
// Pads to 200 bytes: a small file whose header may claim a huge picture.
Bytes small(Bytes b) {
    b.resize(200, '\0');
    return b;
}

// Offset of the compression word of a Photoshop file (after its three
// sections).
std::size_t psdCompression(const Bytes& b) {
    std::size_t p = 26;
    for (int i = 0; i < 3; ++i) {
        const auto* u = reinterpret_cast<const unsigned char*>(b.data() + p);
        p +=
            4 + (std::size_t(u[0]) << 24 | std::size_t(u[1]) << 16 | std::size_t(u[2]) << 8 | u[3]);
    }
    return p;
}

struct Case {
    const char* name;
    const char* extension;
    std::function<Bytes()> bytes;
    std::string message;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

constexpr const char* kTga = "Cannot load image. Invalid or unexpected TGA image format.";
constexpr const char* kPcx = "Cannot load image. Invalid or unexpected PCX or SCR image format.";
constexpr const char* kSgi =
    "Cannot load image. Invalid or unexpected sgi, bw or rgb(a) image format.";
constexpr const char* kGif = "Cannot load image. Invalid or unexpected GIF image format.";
constexpr const char* kPsd = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
// A stream that ends early: every reader names its format.
std::string readError(const char* word) {
    return std::string("Stream read error in ") + word + " file.";
}

const Case kCases[] = {
    // Targa: header fields, then data.
    {"tga_header_cut", "tga", [] { return cut(fixture("tga/rgb24.tga"), 10); }, kTga},
    {"tga_type_4", "tga", [] { return put8(fixture("tga/rgb24.tga"), 2, 4); }, kTga},
    {"tga_type_12", "tga", [] { return put8(fixture("tga/rgb24.tga"), 2, 12); }, kTga},
    {"tga_colour_map_type_2", "tga", [] { return put8(fixture("tga/rgb24.tga"), 1, 2); }, kTga},
    {"tga_depth_12", "tga", [] { return put8(fixture("tga/rgb24.tga"), 16, 12); }, kTga},
    {"tga_width_0", "tga", [] { return putLE16(fixture("tga/rgb24.tga"), 12, 0); }, kTga},
    {"tga_mapped_without_map", "tga", [] { return put8(fixture("tga/cmap24.tga"), 1, 0); }, kTga},
    {"tga_map_entries_of_12_bits", "tga", [] { return put8(fixture("tga/cmap24.tga"), 7, 12); },
     kTga},
    {"tga_true_colour_of_8_bits", "tga", [] { return put8(fixture("tga/grey8.icb"), 2, 2); },
     "Invalid color format in TGA file."},
    {"tga_grey_of_15_bits", "tga", [] { return put8(fixture("tga/rgb15.tga"), 2, 3); },
     "Invalid color format in TGA file."},
    {"tga_map_beyond_the_file", "tga", [] { return putLE16(fixture("tga/cmap24.tga"), 5, 60000); },
     readError("TGA")},
    {"tga_raw_rows_cut", "tga", [] { return cutBy(fixture("tga/rgb24.tga"), 26 + 5); }, kTga},
    {"tga_run_length_rows_cut", "tga", [] { return cutBy(fixture("tga/rgb24_rle.tga"), 26 + 3); },
     readError("TGA")},
    {"tga_huge_for_its_data", "tga",
     [] { return small(putLE16(putLE16(fixture("tga/rgb24_rle.tga"), 12, 16384), 14, 16384)); },
     kTga},
    {"tga_too_large", "tga",
     [] { return putLE16(putLE16(fixture("tga/rgb24.tga"), 12, 65535), 14, 65535); },
     "Cannot load image. Images above 268435456 pixels are not supported for TGA files."},
    // PCX
    {"pcx_signature", "pcx", [] { return put8(fixture("pcx/rgb24.pcx"), 0, 11); }, kPcx},
    {"pcx_header_cut", "pcx", [] { return cut(fixture("pcx/rgb24.pcx"), 100); }, kPcx},
    {"pcx_depth_3", "pcx", [] { return put8(fixture("pcx/rgb24.pcx"), 3, 3); }, kPcx},
    {"pcx_five_planes", "pcx", [] { return put8(fixture("pcx/rgb24.pcx"), 65, 5); }, kPcx},
    {"pcx_xmax_below_xmin", "pcx", [] { return putLE16(fixture("pcx/rgb24.pcx"), 4, 20); }, kPcx},
    {"pcx_lines_too_short", "pcx", [] { return putLE16(fixture("pcx/rgb24.pcx"), 66, 12); }, kPcx},
    {"pcx_two_planes_of_4_bits", "pcx",
     [] { return put8(put8(fixture("pcx/packed4.pcx"), 65, 2), 3, 4); },
     "Invalid color format in PCX file."},
    {"pcx_two_planes_of_8_bits", "pcx", [] { return put8(fixture("pcx/rgb24.pcx"), 65, 2); },
     "Invalid color format in PCX file."},
    {"pcx_run_length_rows_cut", "pcx", [] { return cutBy(fixture("pcx/rgb24.pcx"), 20); },
     readError("PCX")},
    {"pcx_plain_rows_cut", "pcx", [] { return cutBy(fixture("pcx/plain24.pcx"), 20); }, kPcx},
    {"pcx_huge_for_its_data", "pcx",
     [] {
         return small(
             putLE16(putLE16(putLE16(fixture("pcx/rgb24.pcx"), 8, 16383), 10, 16383), 66, 16384));
     },
     kPcx},
    // SGI
    {"sgi_magic", "sgi", [] { return put8(fixture("sgi/rgb_verbatim.sgi"), 1, 0xDB); }, kSgi},
    {"sgi_header_cut", "sgi", [] { return cut(fixture("sgi/rgb_verbatim.sgi"), 300); }, kSgi},
    {"sgi_storage_2", "rgb", [] { return put8(fixture("sgi/rgb_verbatim.sgi"), 2, 2); }, kSgi},
    {"sgi_three_bytes_a_sample", "rgb", [] { return put8(fixture("sgi/rgb_verbatim.sgi"), 3, 3); },
     kSgi},
    {"sgi_dimension_4", "bw", [] { return putBE16(fixture("sgi/rgb_verbatim.sgi"), 4, 4); }, kSgi},
    {"sgi_no_channels", "rgba", [] { return putBE16(fixture("sgi/rgb_verbatim.sgi"), 10, 0); },
     kSgi},
    {"sgi_verbatim_rows_cut", "sgi", [] { return cutBy(fixture("sgi/rgb_verbatim.sgi"), 10); },
     kSgi},
    {"sgi_tables_beyond_the_file", "sgi",
     [] { return putBE16(fixture("sgi/rgb_rle_im.sgi"), 8, 60000); }, kSgi},
    {"sgi_row_beyond_the_file", "sgi",
     [] { return putBE32(fixture("sgi/rgb_rle_im.sgi"), 512, 100000); }, readError("SGI")},
    {"sgi_huge_for_its_data", "sgi",
     [] {
         return small(
             putBE16(putBE16(putBE16(fixture("sgi/rgb_verbatim.sgi"), 6, 16384), 8, 16384), 10, 1));
     },
     kSgi},
    // GIF
    {"gif_signature", "gif", [] { return put8(fixture("gif/eleven_colours.gif"), 1, 'X'); }, kGif},
    {"gif_screen_cut", "gif", [] { return cut(fixture("gif/eleven_colours.gif"), 10); }, kGif},
    {"gif_colour_table_cut", "gif", [] { return cut(fixture("gif/eleven_colours.gif"), 30); },
     kGif},
    {"gif_extension_cut", "gif", [] { return cut(fixture("gif/extensions.gif"), 800); }, kGif},
    {"gif_no_image_and_no_trailer", "gif",
     [] { return cut(fixture("gif/eleven_colours.gif"), 13 + 48); }, kGif},
    {"gif_code_size_0", "gif", [] { return put8(fixture("gif/one_pixel.gif"), 37, 0); }, kGif},
    {"gif_code_size_12", "gif", [] { return put8(fixture("gif/one_pixel.gif"), 37, 12); }, kGif},
    {"gif_huge_for_its_data", "gif",
     [] { return small(putLE16(putLE16(fixture("gif/one_pixel.gif"), 32, 16384), 34, 16384)); },
     kGif},
    // Photoshop
    {"psd_signature", "psd", [] { return put8(fixture("psd/rgb_rle.psd"), 3, 'T'); }, kPsd},
    {"psd_version_2", "psd", [] { return putBE16(fixture("psd/rgb_rle.psd"), 4, 2); }, kPsd},
    {"psd_mode_5", "psd", [] { return putBE16(fixture("psd/rgb_rle.psd"), 24, 5); }, kPsd},
    {"psd_depth_7", "pdd", [] { return putBE16(fixture("psd/rgb_rle.psd"), 22, 7); }, kPsd},
    {"psd_section_beyond_the_file", "psd",
     [] { return putBE32(fixture("psd/rgb_rle.psd"), 30, 5000); }, kPsd},
    {"psd_depth_32", "psd", [] { return putBE16(fixture("psd/rgb_raw.pdd"), 22, 32); },
     "Invalid color format in PSD or PDD file."},
    {"psd_rgb_of_two_channels", "psd", [] { return putBE16(fixture("psd/rgb_raw.pdd"), 12, 2); },
     "Invalid color format in PSD or PDD file."},
    {"psd_bitmap_of_8_bits", "psd", [] { return putBE16(fixture("psd/bitmap_raw.psd"), 22, 8); },
     "Invalid color format in PSD or PDD file."},
    {"psd_zip_compression", "psd",
     [] {
         const Bytes b = fixture("psd/rgb_raw.pdd");
         return putBE16(b, psdCompression(b), 2);
     },
     "Cannot load image. The compression scheme is not supported for PSD or PDD files."},
    {"psd_indexed_without_palette", "psd",
     [] {
         // The 768 palette bytes taken out of the colour-mode section.
         Bytes b = fixture("psd/indexed_rle.psd");
         b.erase(30, 768);
         return putBE32(b, 26, 0);
     },
     "Cannot load image. Palette in PSD or PDD file is invalid."},
    {"psd_raw_rows_cut", "psd", [] { return cutBy(fixture("psd/rgb_raw.pdd"), 4); }, kPsd},
    {"psd_packbits_rows_cut", "psd", [] { return cutBy(fixture("psd/rgb_rle.psd"), 4); },
     readError("PSD or PDD")},
    {"psd_huge_for_its_data", "psd",
     [] { return small(putBE32(putBE32(fixture("psd/rgb_raw.pdd"), 14, 16384), 18, 16384)); },
     kPsd},
    {"psd_too_large", "psd",
     [] { return putBE32(putBE32(fixture("psd/rgb_raw.pdd"), 14, 30000), 18, 30000); },
     "Cannot load image. Images above 268435456 pixels are not supported for PSD or PDD files."},
};

class ReaderFailure : public ::testing::TestWithParam<Case> {};

TEST_P(ReaderFailure, FailsWithItsMessage) {
    const Case& c = GetParam();
    testing::TempDir dir;
    const std::string path = dir.file(std::string("damaged.") + c.extension);
    dir.write(std::string("damaged.") + c.extension, c.bytes());
    try {
        Bitmap b = LoadPicture(path);
        FAIL() << "loaded a " << b.width() << " x " << b.height() << " picture";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderFailure, ::testing::ValuesIn(kCases), CaseName);

} // namespace
} // namespace vt
