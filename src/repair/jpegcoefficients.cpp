#include "repair/jpegcoefficients.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "repair/jpegfiles.h"
// Message codes for errors raised from the callbacks below.
#include <jerror.h>

#include "platform/bitmap.h"
#include "platform/pixelmemory.h"
#include "repair/photooutput.h"

namespace vt {

namespace {

using jpegfiles::ErrorManager;

constexpr std::size_t kInputBlock = std::size_t(256) << 10;
constexpr std::size_t kOutputBlock = std::size_t(1) << 20;
// More scans than any encoder writes; a file with more is not worth keeping
// as it is.
constexpr std::size_t kMaxScans = 1000;

// ---------------------------------------------------------------------------
// The frame header, read before libjpeg sees the file, so that the kinds of
// JPEG libjpeg cannot transcode get a reason a person understands.

struct Frame {
    int marker = 0; // 0: no frame header found
    int precision = 0;
};

Frame ReadFrame(int fd) {
    Frame f;
    unsigned char buffer[4096];
    off_t start = 0, pos = 0;
    ssize_t held = 0;
    auto byte = [&](int& b) {
        if (pos < start || pos >= start + held) {
            start = pos;
            held = ::pread(fd, buffer, sizeof buffer, pos);
            if (held <= 0) return false;
        }
        b = buffer[pos - start];
        ++pos;
        return true;
    };
    int a = 0, b = 0;
    if (!byte(a) || !byte(b) || a != 0xFF || b != 0xD8) return f;
    // Bytes between segments are tolerated, up to a point.
    for (int stray = 0; stray < 65536;) {
        int m = 0;
        if (!byte(m)) return f;
        if (m != 0xFF) {
            ++stray;
            continue;
        }
        do {
            if (!byte(m)) return f;
        } while (m == 0xFF);
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue; // no length
        if (m == 0xD9 || m == 0xDA) return f;                // EOI or SOS first
        int hi = 0, lo = 0;
        if (!byte(hi) || !byte(lo)) return f;
        const int length = hi * 256 + lo;
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            f.marker = m;
            if (!byte(f.precision)) f.marker = 0;
            return f;
        }
        if (length < 2) return f;
        pos += length - 2;
    }
    return f;
}

// The reason a frame of this kind is not transcoded, or "".
std::string FrameProblem(const Frame& f) {
    switch (f.marker) {
    case 0:
        return "The photograph is not a JPEG file.";
    case 0xC0:
    case 0xC1:
    case 0xC2:
        break;
    case 0xC3:
    case 0xC7:
    case 0xCB:
    case 0xCF:
        return "The photograph is a lossless JPEG.";
    case 0xC9:
    case 0xCA:
    case 0xCD:
    case 0xCE:
        return "The photograph is an arithmetic-coded JPEG.";
    default:
        return "The photograph is a hierarchical JPEG.";
    }
    if (f.precision != 8)
        return "The photograph has " + std::to_string(f.precision) + " bits per sample.";
    return {};
}

// ---------------------------------------------------------------------------
// Coefficient arrays in pixel memory. libjpeg asks its memory manager for
// "virtual" block arrays and reaches them only through request, realize and
// access; those three are replaced on both the decompressor and the
// compressor, whose client_data points at the arrays.

struct BlockArray {
    JDIMENSION blocksPerRow = 0;
    JDIMENSION rows = 0;
    PixelBuffer memory;
    std::vector<JBLOCKROW> rowPointers;
};

struct Arrays {
    std::vector<std::unique_ptr<BlockArray>> arrays;
    // libjpeg's own functions, for its arrays of samples.
    void (*realize)(j_common_ptr) = nullptr;
    JBLOCKARRAY(*access)
    (j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;

    BlockArray* find(jvirt_barray_ptr p) {
        for (auto& a : arrays)
            if (reinterpret_cast<jvirt_barray_ptr>(a.get()) == p) return a.get();
        return nullptr;
    }
};

[[noreturn]] void Fail(j_common_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    (*cinfo->err->error_exit)(cinfo);
    std::abort(); // error_exit never returns
}

jvirt_barray_ptr requestArray(j_common_ptr cinfo, int, boolean, JDIMENSION blocksPerRow,
                              JDIMENSION rows, JDIMENSION) {
    auto* arrays = static_cast<Arrays*>(cinfo->client_data);
    bool failed = false;
    BlockArray* a = nullptr;
    try {
        arrays->arrays.push_back(std::make_unique<BlockArray>());
        a = arrays->arrays.back().get();
        a->blocksPerRow = blocksPerRow;
        a->rows = rows;
    } catch (...) {
        failed = true;
    }
    if (failed) Fail(cinfo, JERR_OUT_OF_MEMORY);
    return reinterpret_cast<jvirt_barray_ptr>(a);
}

void realizeArrays(j_common_ptr cinfo) {
    auto* arrays = static_cast<Arrays*>(cinfo->client_data);
    bool failed = false;
    try {
        for (auto& a : arrays->arrays) {
            if (a->memory.data()) continue;
            const std::size_t row = std::size_t(a->blocksPerRow) * sizeof(JBLOCK);
            // Zeroed: the entropy decoder writes only the coefficients that
            // are not zero, and a file that ends early leaves blocks out.
            a->memory = PixelBuffer(row * a->rows, true);
            a->rowPointers.resize(a->rows);
            for (JDIMENSION r = 0; r < a->rows; ++r)
                a->rowPointers[r] = reinterpret_cast<JBLOCKROW>(a->memory.data() + r * row);
        }
    } catch (...) {
        failed = true;
    }
    if (failed) Fail(cinfo, JERR_OUT_OF_MEMORY);
    arrays->realize(cinfo);
}

JBLOCKARRAY accessArray(j_common_ptr cinfo, jvirt_barray_ptr p, JDIMENSION start, JDIMENSION count,
                        boolean writable) {
    auto* arrays = static_cast<Arrays*>(cinfo->client_data);
    BlockArray* a = arrays->find(p);
    if (!a) return arrays->access(cinfo, p, start, count, writable);
    if (start > a->rows || count > a->rows - start || a->rowPointers.empty())
        Fail(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return a->rowPointers.data() + start;
}

void HookArrays(j_common_ptr cinfo, Arrays& arrays, bool decompressor) {
    cinfo->client_data = &arrays;
    if (decompressor) {
        arrays.realize = cinfo->mem->realize_virt_arrays;
        arrays.access = cinfo->mem->access_virt_barray;
        cinfo->mem->request_virt_barray = requestArray;
        cinfo->mem->realize_virt_arrays = realizeArrays;
    }
    cinfo->mem->access_virt_barray = accessArray;
}

// ---------------------------------------------------------------------------
// Input from a file descriptor in large blocks.

struct FileSource {
    jpeg_source_mgr pub;
    int fd = -1;
    JOCTET* buffer = nullptr;
};

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    ssize_t n;
    do {
        n = ::read(src->fd, src->buffer, kInputBlock);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        // The data ends early: a warning, and an EOI marker to end on.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = std::size_t(n);
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        fillInput(cinfo);
    }
    if (count <= 0) return;
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= std::size_t(count);
}

void termSource(j_decompress_ptr) {}

// Notes each scan as libjpeg reaches it: the transcoder is called between
// reading a scan's header and its data.
struct ScanRecorder {
    jpeg_progress_mgr pub;
    std::vector<JpegScan>* scans = nullptr;
    int lastScan = 0;
    bool tooMany = false;
};

void recordScan(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* rec = reinterpret_cast<ScanRecorder*>(cinfo->progress);
    if (cinfo->input_scan_number == rec->lastScan || cinfo->comps_in_scan <= 0) return;
    rec->lastScan = cinfo->input_scan_number;
    if (rec->scans->size() >= kMaxScans) {
        rec->tooMany = true;
        return;
    }
    bool failed = false;
    try {
        JpegScan scan;
        for (int i = 0; i < cinfo->comps_in_scan; ++i) {
            const jpeg_component_info* c = cinfo->cur_comp_info[i];
            scan.components.push_back(c->component_index);
            scan.dcTables.push_back(c->dc_tbl_no);
            scan.acTables.push_back(c->ac_tbl_no);
        }
        scan.ss = cinfo->Ss;
        scan.se = cinfo->Se;
        scan.ah = cinfo->Ah;
        scan.al = cinfo->Al;
        rec->scans->push_back(std::move(scan));
    } catch (...) {
        failed = true;
    }
    if (failed) Fail(common, JERR_OUT_OF_MEMORY);
}

} // namespace

struct JpegCoefficients::State {
    jpeg_decompress_struct src;
    ErrorManager srcErr;
    bool created = false;
    FileSource source;
    std::vector<JOCTET> input;
    ScanRecorder recorder;
    Arrays arrays;
    jvirt_barray_ptr* coefficients = nullptr;

    std::vector<JpegComponent> components;
    std::vector<JpegScan> scans;
    std::vector<JpegMarker> markers;
    std::string problem;

    ~State() {
        if (created) jpeg_destroy_decompress(&src);
        if (source.fd >= 0) ::close(source.fd);
    }
};

namespace {

// Reads the header; false with the message in srcErr after a libjpeg error.
// Nothing in this frame has a destructor.
bool ReadHeader(JpegCoefficients::State& s, std::uint64_t fileSize) {
    jpeg_decompress_struct& src = s.src;
    src.err = jpegfiles::InitErrors(s.srcErr);
    if (setjmp(s.srcErr.jump)) return false;
    jpeg_create_decompress(&src);
    s.created = true;
    HookArrays(reinterpret_cast<j_common_ptr>(&src), s.arrays, true);
    s.source.pub.init_source = initSource;
    s.source.pub.fill_input_buffer = fillInput;
    s.source.pub.skip_input_data = skipInput;
    s.source.pub.resync_to_restart = jpeg_resync_to_restart;
    s.source.pub.term_source = termSource;
    s.source.pub.bytes_in_buffer = 0;
    s.source.pub.next_input_byte = nullptr;
    s.source.buffer = s.input.data();
    src.src = &s.source.pub;
    for (int code : {kJpegApp1, kJpegApp2, kJpegApp13, kJpegCom})
        jpeg_save_markers(&src, code, 0xFFFF);
    jpeg_read_header(&src, TRUE);

    const bool colour = src.num_components == 3 && src.jpeg_color_space == JCS_YCbCr;
    const bool grey = src.num_components == 1 && src.jpeg_color_space == JCS_GRAYSCALE;
    if (!colour && !grey) {
        s.problem = "The photograph's colours are stored neither as YCbCr nor as grey.";
        return true;
    }
    if (src.arith_code) {
        s.problem = "The photograph is an arithmetic-coded JPEG.";
        return true;
    }
    if (std::uint64_t(src.image_width) * src.image_height > kMaxBitmapPixels) {
        s.problem = "The photograph has more than " + std::to_string(kMaxBitmapPixels) + " pixels.";
        return true;
    }
    // Every block takes at least one bit of the data; a file that claims
    // more blocks than eight a byte is damaged, and nothing is allocated for
    // it.
    std::uint64_t blocks = 0;
    for (int i = 0; i < src.num_components; ++i)
        blocks +=
            std::uint64_t(src.comp_info[i].width_in_blocks) * src.comp_info[i].height_in_blocks;
    if (!DataCanCover(blocks, fileSize, 8)) {
        s.problem = "The photograph's JPEG data is damaged: it is too short for its size.";
        return true;
    }
    return true;
}

bool ReadData(JpegCoefficients::State& s) {
    if (setjmp(s.srcErr.jump)) return false;
    s.recorder.pub.progress_monitor = recordScan;
    s.recorder.scans = &s.scans;
    s.src.progress = &s.recorder.pub;
    s.coefficients = jpeg_read_coefficients(&s.src);
    s.src.progress = nullptr;
    return true;
}

// Whether every bit of every coefficient of every component reaches the
// file through the scans (a progressive file may stop early).
bool ScansCarryEverything(const std::vector<JpegScan>& scans, int components) {
    std::vector<std::array<int, 64>> lowestBit(static_cast<std::size_t>(components));
    for (auto& c : lowestBit)
        c.fill(-1);
    for (const JpegScan& scan : scans)
        for (int c : scan.components)
            for (int k = scan.ss; k <= scan.se && k < 64; ++k) {
                int& low = lowestBit[std::size_t(c)][std::size_t(k)];
                low = low < 0 ? scan.al : std::min(low, scan.al);
            }
    for (const auto& c : lowestBit)
        for (int low : c)
            if (low != 0) return false;
    return true;
}

} // namespace

JpegCoefficients::JpegCoefficients() : s_(std::make_unique<State>()) {}
JpegCoefficients::~JpegCoefficients() = default;

void JpegCoefficients::read(const std::string& path) {
    State& s = *s_;
    std::string error;
    s.source.fd = OpenRegularFile(path, error);
    if (s.source.fd < 0)
        throw JpegTranscodeUnavailable("The photograph cannot be opened: " + error + ".");
    const off_t size = ::lseek(s.source.fd, 0, SEEK_END);
    ::lseek(s.source.fd, 0, SEEK_SET);
    if (const std::string problem = FrameProblem(ReadFrame(s.source.fd)); !problem.empty())
        throw JpegTranscodeUnavailable(problem);

    s.input.resize(kInputBlock);
    if (!ReadHeader(s, std::uint64_t(size < 0 ? 0 : size)))
        throw JpegTranscodeUnavailable(std::string("The photograph cannot be read as a JPEG: ") +
                                       s.srcErr.message);
    if (!s.problem.empty()) throw JpegTranscodeUnavailable(s.problem);
    if (!ReadData(s))
        throw JpegTranscodeUnavailable(std::string("The photograph cannot be read as a JPEG: ") +
                                       s.srcErr.message);
    ::close(s.source.fd);
    s.source.fd = -1;
    if (s.srcErr.warning[0])
        throw JpegTranscodeUnavailable(std::string("The photograph's JPEG data is damaged: ") +
                                       s.srcErr.warning);
    if (s.recorder.tooMany)
        throw JpegTranscodeUnavailable("The photograph's JPEG has more than " +
                                       std::to_string(kMaxScans) + " scans.");
    if (!ScansCarryEverything(s.scans, s.src.num_components))
        throw JpegTranscodeUnavailable(
            "The photograph's progressive scans leave part of its coefficients out.");

    for (int i = 0; i < s.src.num_components; ++i) {
        const jpeg_component_info& c = s.src.comp_info[i];
        JpegComponent comp;
        comp.h = c.h_samp_factor;
        comp.v = c.v_samp_factor;
        comp.sampleWidth = int(c.downsampled_width);
        comp.sampleHeight = int(c.downsampled_height);
        comp.widthInBlocks = int(c.width_in_blocks);
        comp.heightInBlocks = int(c.height_in_blocks);
        const JQUANT_TBL* q = c.quant_table ? c.quant_table : s.src.quant_tbl_ptrs[c.quant_tbl_no];
        if (!q) throw JpegTranscodeUnavailable("The photograph's JPEG lacks a quantisation table.");
        for (int k = 0; k < 64; ++k)
            comp.quant[std::size_t(k)] = q->quantval[k];
        s.components.push_back(comp);
    }
    for (jpeg_saved_marker_ptr m = s.src.marker_list; m; m = m->next)
        if (IsKeptJpegMarker(m->marker, m->data, m->data_length))
            s.markers.push_back(JpegMarker{
                m->marker, std::vector<std::uint8_t>(m->data, m->data + m->data_length)});
}

int JpegCoefficients::width() const {
    return int(s_->src.image_width);
}
int JpegCoefficients::height() const {
    return int(s_->src.image_height);
}
int JpegCoefficients::maxH() const {
    return s_->src.max_h_samp_factor;
}
int JpegCoefficients::maxV() const {
    return s_->src.max_v_samp_factor;
}
const std::vector<JpegComponent>& JpegCoefficients::components() const {
    return s_->components;
}
const std::vector<JpegScan>& JpegCoefficients::scans() const {
    return s_->scans;
}
bool JpegCoefficients::progressive() const {
    return s_->src.progressive_mode != 0;
}
int JpegCoefficients::restartInterval() const {
    return int(s_->src.restart_interval);
}
const std::vector<JpegMarker>& JpegCoefficients::markers() const {
    return s_->markers;
}

std::uint64_t JpegCoefficients::blockCount() const {
    std::uint64_t n = 0;
    for (const JpegComponent& c : s_->components)
        n += std::uint64_t(c.widthInBlocks) * std::uint64_t(c.heightInBlocks);
    return n;
}

std::int16_t* JpegCoefficients::block(int component, int bx, int by) {
    BlockArray* a = s_->arrays.find(s_->coefficients[component]);
    return a->rowPointers[std::size_t(by)][bx];
}

bool JpegCoefficients::hasHuffmanCode(bool dc, int table, int symbol) const {
    if (table < 0 || table >= NUM_HUFF_TBLS) return false;
    const JHUFF_TBL* t = dc ? s_->src.dc_huff_tbl_ptrs[table] : s_->src.ac_huff_tbl_ptrs[table];
    if (!t) return false;
    int count = 0;
    for (int len = 1; len <= 16; ++len)
        count += t->bits[len];
    for (int i = 0; i < count && i < 256; ++i)
        if (t->huffval[i] == symbol) return true;
    return false;
}

namespace {

// One compression of the coefficients; false with the message in err after
// a libjpeg error or a failed write. Nothing in this frame has a destructor.
bool Compress(JpegCoefficients::State& s, jpeg_compress_struct& dst, ErrorManager& err,
              jpegfiles::FileDestination& dest, jpeg_scan_info* script, bool keepHuffman) {
    dst.err = jpegfiles::InitErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&dst);
        return false;
    }
    jpeg_create_compress(&dst);
    HookArrays(reinterpret_cast<j_common_ptr>(&dst), s.arrays, false);
    dst.dest = &dest.pub;
    jpeg_copy_critical_parameters(&s.src, &dst);
    // The file as it was: its own JFIF header or none (an Exif file has
    // none), its restart interval, its scans.
    dst.write_JFIF_header = s.src.saw_JFIF_marker;
    dst.write_Adobe_marker = FALSE;
    dst.restart_interval = s.src.restart_interval;
    dst.scan_info = script;
    dst.num_scans = int(s.scans.size());
    for (int i = 0; i < dst.num_components; ++i) {
        dst.comp_info[i].dc_tbl_no = s.src.comp_info[i].dc_tbl_no;
        dst.comp_info[i].ac_tbl_no = s.src.comp_info[i].ac_tbl_no;
    }
    dst.optimize_coding = keepHuffman ? FALSE : TRUE;
    if (keepHuffman)
        for (int t = 0; t < NUM_HUFF_TBLS; ++t) {
            for (int dc = 0; dc < 2; ++dc) {
                JHUFF_TBL* from = dc ? s.src.dc_huff_tbl_ptrs[t] : s.src.ac_huff_tbl_ptrs[t];
                JHUFF_TBL** to = dc ? &dst.dc_huff_tbl_ptrs[t] : &dst.ac_huff_tbl_ptrs[t];
                if (!from) continue;
                if (!*to) *to = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&dst));
                std::memcpy((*to)->bits, from->bits, sizeof from->bits);
                std::memcpy((*to)->huffval, from->huffval, sizeof from->huffval);
                (*to)->sent_table = FALSE;
            }
        }
    jpeg_write_coefficients(&dst, s.coefficients);
    for (const JpegMarker& m : s.markers)
        jpeg_write_marker(&dst, m.code, m.data.data(), unsigned(m.data.size()));
    jpeg_finish_compress(&dst);
    jpeg_destroy_compress(&dst);
    return true;
}

} // namespace

void JpegCoefficients::write(ReplacingFile& out, bool keepHuffman) {
    State& s = *s_;
    std::vector<jpeg_scan_info> script(s.scans.size());
    for (std::size_t i = 0; i < s.scans.size(); ++i) {
        const JpegScan& scan = s.scans[i];
        script[i].comps_in_scan = int(scan.components.size());
        for (std::size_t c = 0; c < scan.components.size() && c < MAX_COMPS_IN_SCAN; ++c)
            script[i].component_index[c] = scan.components[c];
        script[i].Ss = scan.ss;
        script[i].Se = scan.se;
        script[i].Ah = scan.ah;
        script[i].Al = scan.al;
    }
    std::vector<JOCTET> buffer(kOutputBlock);
    jpeg_compress_struct dst;
    ErrorManager err;
    jpegfiles::FileDestination dest;
    jpegfiles::InitDestination(dest, out, buffer.data(), buffer.size());
    if (!Compress(s, dst, err, dest, script.data(), keepHuffman)) {
        if (dest.failed) throw JpegError(err.message);
        throw JpegTranscodeUnavailable(std::string("libjpeg cannot write the photograph again: ") +
                                       err.message);
    }
}

} // namespace vt
