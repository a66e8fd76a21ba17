#include "support/libjpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace vt::testing {

namespace {

struct Errors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<Errors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Three passes over the file, each its own decompressor: coefficients,
// component samples, pixels. Nothing in this frame has a destructor.
bool Read(std::FILE* f, JpegFile& out, Errors& err, jpeg_decompress_struct& cinfo) {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = Quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    for (int pass = 0; pass < 3; ++pass) {
        std::rewind(f);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, f);
        if (pass == 0) {
            for (int m = 0; m < 16; ++m)
                jpeg_save_markers(&cinfo, JPEG_APP0 + m, 0xFFFF);
            jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
        }
        jpeg_read_header(&cinfo, TRUE);
        if (pass == 0) {
            out.width = int(cinfo.image_width);
            out.height = int(cinfo.image_height);
            out.progressive = cinfo.progressive_mode;
            out.arithmetic = cinfo.arith_code;
            out.jfif = cinfo.saw_JFIF_marker;
            out.restartInterval = int(cinfo.restart_interval);
            for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
                out.markers.emplace_back(
                    m->marker, std::vector<std::uint8_t>(m->data, m->data + m->data_length));
            jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
            out.components.resize(std::size_t(cinfo.num_components));
            for (int c = 0; c < cinfo.num_components; ++c) {
                const jpeg_component_info& ci = cinfo.comp_info[c];
                JpegFile::Component& comp = out.components[std::size_t(c)];
                comp.h = ci.h_samp_factor;
                comp.v = ci.v_samp_factor;
                comp.widthInBlocks = int(ci.width_in_blocks);
                comp.heightInBlocks = int(ci.height_in_blocks);
                for (int k = 0; k < 64; ++k)
                    comp.quant[std::size_t(k)] = ci.quant_table->quantval[k];
                comp.coefficients.resize(std::size_t(comp.widthInBlocks) * comp.heightInBlocks *
                                         64);
                for (JDIMENSION by = 0; by < ci.height_in_blocks; ++by) {
                    JBLOCKARRAY row = (*cinfo.mem->access_virt_barray)(
                        reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], by, 1, FALSE);
                    std::memcpy(comp.coefficients.data() +
                                    std::size_t(by) * comp.widthInBlocks * 64,
                                row[0], sizeof(JBLOCK) * ci.width_in_blocks);
                }
            }
        } else if (pass == 1) {
            cinfo.raw_data_out = TRUE;
            jpeg_start_decompress(&cinfo);
            const int rowsPerPass = cinfo.max_v_samp_factor * DCTSIZE;
            for (int c = 0; c < cinfo.num_components; ++c) {
                JpegFile::Component& comp = out.components[std::size_t(c)];
                comp.samples.assign(std::size_t(comp.widthInBlocks) * 8 *
                                        (comp.heightInBlocks + cinfo.max_v_samp_factor) * 8,
                                    0);
            }
            JSAMPROW rows[4][4 * DCTSIZE];
            JSAMPARRAY planes[4];
            while (cinfo.output_scanline < cinfo.output_height) {
                const int y0 = int(cinfo.output_scanline) / cinfo.max_v_samp_factor;
                for (int c = 0; c < cinfo.num_components; ++c) {
                    JpegFile::Component& comp = out.components[std::size_t(c)];
                    const int rows_c = comp.v * DCTSIZE;
                    const int yc = y0 * comp.v;
                    for (int r = 0; r < rows_c; ++r)
                        rows[c][r] = comp.samples.data() +
                                     std::size_t(yc + r) * std::size_t(comp.widthInBlocks) * 8;
                    planes[c] = rows[c];
                }
                jpeg_read_raw_data(&cinfo, planes, JDIMENSION(rowsPerPass));
            }
            jpeg_finish_decompress(&cinfo);
        } else {
            cinfo.out_color_space = JCS_RGB;
            jpeg_start_decompress(&cinfo);
            out.rgb.resize(std::size_t(out.width) * out.height * 3);
            while (cinfo.output_scanline < cinfo.output_height) {
                JSAMPROW row = out.rgb.data() + std::size_t(cinfo.output_scanline) * out.width * 3;
                jpeg_read_scanlines(&cinfo, &row, 1);
            }
            jpeg_finish_decompress(&cinfo);
        }
        jpeg_destroy_decompress(&cinfo);
    }
    return true;
}

} // namespace

JpegFile ReadJpeg(const std::string& path) {
    JpegFile out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        out.error = "cannot open " + path;
        return out;
    }
    Errors err;
    jpeg_decompress_struct cinfo;
    if (!Read(f, out, err, cinfo)) {
        JpegFile failed;
        failed.error = err.message;
        out = failed;
    }
    std::fclose(f);
    return out;
}

} // namespace vt::testing
