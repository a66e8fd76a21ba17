#include "repair/photooutput.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/bmpfile.h"
#include "platform/files.h"
#include "repair/jpegfiles.h"
#include "repair/repair.h"
#include "repair/tiffwriter.h"

namespace vt {

// ---------------------------------------------------------------------------
// Paths

std::string DestinationPathFor(const std::string& photoPath) {
    return ExtractFilePath(photoPath) + "Vorantel" + kPathDelim + ExtractFileName(photoPath);
}

bool InStoreFolder(const std::string& path) {
    std::string dir = ExtractFilePath(path);
    while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    return SameText(ExtractFileName(dir), "Vorantel");
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

using jpegfiles::ErrorManager;
using jpegfiles::FileDestination;

// Rows handed to the encoder at once.
constexpr int kRowBatch = 16;

// One encoding. The caller owns every buffer; after a jump back here only
// the compressor is released. Returns false with the message in err.
bool encode(jpeg_compress_struct* cinfo, ErrorManager* err, FileDestination* dest, const Bitmap* b,
            int quality, const PhotoMetadata* metadata, JSAMPLE* rowBuffer,
            const std::function<bool()>* cancelled) {
    cinfo->err = jpegfiles::InitErrors(*err);
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
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
    if (metadata) {
        for (const JpegMarker& m : metadata->jpegMarkers)
            jpeg_write_marker(cinfo, m.code, m.data.data(), unsigned(m.data.size()));
        if (!metadata->iccProfile.empty())
            jpeg_write_icc_profile(cinfo, metadata->iccProfile.data(),
                                   unsigned(metadata->iccProfile.size()));
    }

    JSAMPROW rows[kRowBatch];
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y0 = int(cinfo->next_scanline);
        if (cancelled && y0 % 256 == 0 && (*cancelled)()) {
            std::snprintf(err->message, sizeof err->message, "The store was cancelled.");
            jpeg_destroy_compress(cinfo);
            return false;
        }
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

void WriteJpegTo(ReplacingFile& file, const Bitmap& bitmap, int quality,
                 const PhotoMetadata* metadata, const std::function<bool()>* cancelled) {
    if (bitmap.empty()) throw JpegError("The picture is empty.");
    quality = std::clamp(quality, 1, 100);
    // A marker segment holds at most 65533 bytes of payload.
    if (metadata)
        for (const JpegMarker& m : metadata->jpegMarkers)
            if (m.data.size() > 65533) throw JpegError("A metadata segment is too long.");

    const PixelFormat pf = bitmap.pixelFormat();
    std::vector<JSAMPLE> rowBuffer;
    if (pf != PixelFormat::pf24bit && pf != PixelFormat::pf32bit)
        rowBuffer.resize(std::size_t(bitmap.width()) * 3);
    std::vector<JOCTET> output(std::size_t(1) << 20);

    jpeg_compress_struct cinfo;
    ErrorManager err;
    FileDestination dest;
    jpegfiles::InitDestination(dest, file, output.data(), output.size());
    if (!encode(&cinfo, &err, &dest, &bitmap, quality, metadata,
                rowBuffer.empty() ? nullptr : rowBuffer.data(), cancelled))
        throw JpegError(err.message);
}

void WriteJpegFile(const std::string& path, const Bitmap& bitmap, int quality,
                   const PhotoMetadata* metadata) {
    if (bitmap.empty()) throw JpegError("The picture is empty.");
    ReplacingFile file = [&]() -> ReplacingFile {
        try {
            return ReplacingFile(path);
        } catch (const std::runtime_error& e) {
            throw JpegError(e.what());
        }
    }();
    WriteJpegTo(file, bitmap, quality, metadata);
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

namespace {

// Folders that a store created and that no stored photograph has reached
// yet: the last store in such a folder, if it fails or is dropped, removes
// it when it is empty, so that a failed store leaves no trace. A folder that
// existed before is never removed, nor one that another store is still
// writing into (stores run side by side in a batch).
class CreatedFolders {
  public:
    // A store begins in the folder, making it if it is missing.
    void enter(const std::string& dir) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!DirectoryExists(dir) && CreateDir(dir)) made_.insert(dir);
        ++users_[dir];
    }
    // A photograph reached the folder: it stays.
    void keep(const std::string& dir) {
        std::lock_guard<std::mutex> guard(lock_);
        made_.erase(dir);
    }
    // A store ends; the last one removes the folder if a store made it and
    // it is empty.
    void leave(const std::string& dir) {
        std::lock_guard<std::mutex> guard(lock_);
        if (--users_[dir] > 0) return;
        users_.erase(dir);
        if (made_.count(dir) && RemoveEmptyDir(dir)) made_.erase(dir);
    }

  private:
    std::mutex lock_;
    std::set<std::string> made_;
    std::map<std::string, int> users_;
};

CreatedFolders& Created() {
    static CreatedFolders* folders = new CreatedFolders; // lives until exit
    return *folders;
}

// A failure of the store in the format's own way: JPEG failures become
// JpegStoreError, the others keep their type.
template <class F> auto InFormat(OutputKind kind, const std::string& written, F&& f) {
    if (kind != OutputKind::Jpeg) return f();
    try {
        return f();
    } catch (const JpegStoreError&) {
        throw;
    } catch (const std::exception& e) {
        throw JpegStoreError(written, e.what());
    }
}

} // namespace

const char* const kEditedPictureReason =
    "The photograph carries brush paints or effects, which only a full encode keeps.";

std::string StoreModeText(const StoreOutcome& outcome) {
    if (outcome.keptQuality)
        return "JPEG quality kept: " + std::to_string(outcome.report.touchedBlocks) + " of " +
               std::to_string(outcome.report.blocks) + " blocks re-encoded";
    if (!outcome.fullEncodeReason.empty())
        return "Full encode at quality " + std::to_string(kJpegQuality) + ": " +
               outcome.fullEncodeReason;
    return {};
}

struct PreparedPhoto::State {
    OutputKind kind = OutputKind::Jpeg;
    std::string written;
    StoreOutcome outcome;
    std::string dir;
    bool haveSource = false;
    FileIdentity source;
    std::unique_ptr<ReplacingFile> file;
    bool committed = false;
};

PreparedPhoto::PreparedPhoto(std::unique_ptr<State> state) : state_(std::move(state)) {}
PreparedPhoto::PreparedPhoto(PreparedPhoto&&) noexcept = default;
PreparedPhoto& PreparedPhoto::operator=(PreparedPhoto&&) noexcept = default;

PreparedPhoto::~PreparedPhoto() {
    if (!state_) return;
    state_->file.reset(); // removes the temporary file unless committed
    if (!state_->dir.empty()) Created().leave(state_->dir);
}

const std::string& PreparedPhoto::path() const {
    return state_->written;
}

const StoreOutcome& PreparedPhoto::outcome() const {
    return state_->outcome;
}

std::string PreparedPhoto::commit() {
    State& st = *state_;
    InFormat(st.kind, st.written, [&] {
        FileIdentity existing;
        if (st.haveSource && IdentityOf(st.written, existing) && existing == st.source)
            throw std::runtime_error("Cannot write file \"" + st.written +
                                     "\". It is the photograph being stored, which is never "
                                     "replaced by its copy.");
        st.file->commit();
    });
    st.committed = true;
    if (!st.dir.empty()) Created().keep(st.dir);
    return st.written;
}

namespace {

// A store's state before anything is written: the path written, the source
// that must not be replaced, and the destination's folder, made here if it
// is missing (one level: the "Vorantel" folder; it usually exists already;
// one made here, or by an earlier store of this run, goes again if no
// photograph reaches it).
std::unique_ptr<PreparedPhoto::State> NewStore(const std::string& destination,
                                               const StoreOptions& options) {
    auto st = std::make_unique<PreparedPhoto::State>();
    st->kind = OutputKindOf(ExtractFileName(destination));
    st->written = StoredPathFor(destination);
    st->outcome.written = st->written;
    st->haveSource = !options.source.empty() && IdentityOf(options.source, st->source);
    st->dir = ExtractFilePath(destination);
    if (!st->dir.empty()) Created().enter(st->dir);
    return st;
}

// Repairs the JPEG in its compressed form into the store's file. Failures to
// write become JpegStoreError; JpegTranscodeUnavailable passes.
void KeepQuality(PreparedPhoto::State& s, const std::string& source, const HotPixelList& hotPixels,
                 IProgress& progress) {
    try {
        RepairedJpeg r = RepairJpeg(source, hotPixels, s.written, progress);
        s.file = std::move(r.file);
        s.outcome.keptQuality = true;
        s.outcome.report = r.report;
    } catch (const JpegTranscodeUnavailable&) {
        throw;
    } catch (const std::exception& e) {
        throw JpegStoreError(s.written, e.what());
    }
}

} // namespace

PreparedPhoto PrepareKeptJpeg(const std::string& source, const HotPixelList& hotPixels,
                              const std::string& destination, const StoreOptions& options,
                              IProgress& progress) {
    if (OutputKindOf(ExtractFileName(destination)) != OutputKind::Jpeg)
        throw JpegTranscodeUnavailable("The photograph is not stored as a JPEG file.");
    PreparedPhoto prepared(NewStore(destination, options));
    KeepQuality(*prepared.state_, source, hotPixels, progress);
    return prepared;
}

PreparedPhoto PreparePhoto(const Bitmap& picture, const std::string& destination,
                           const StoreOptions& options) {
    PreparedPhoto prepared(NewStore(destination, options));
    PreparedPhoto::State& s = *prepared.state_;

    if (s.kind == OutputKind::Jpeg && options.keepJpegQuality) {
        const KeepJpegQuality& keep = *options.keepJpegQuality;
        if (keep.edited) {
            s.outcome.fullEncodeReason = kEditedPictureReason;
        } else {
            try {
                NullProgress quiet;
                KeepQuality(s, keep.jpegSource, keep.repaired ? *keep.repaired : HotPixelList{},
                            quiet);
                return prepared;
            } catch (const JpegTranscodeUnavailable& e) {
                s.outcome.fullEncodeReason = e.what();
            }
        }
    }

    InFormat(s.kind, s.written, [&] {
        if (picture.empty()) throw std::runtime_error("The picture is empty.");
        s.file = std::make_unique<ReplacingFile>(s.written);
        switch (s.kind) {
        case OutputKind::Jpeg:
            WriteJpegTo(*s.file, picture, kJpegQuality, options.metadata,
                        options.cancelled ? &options.cancelled : nullptr);
            break;
        case OutputKind::Tiff:
            WriteTiffTo(*s.file, picture);
            break;
        case OutputKind::Bitmap:
            WriteBmpTo(*s.file, picture);
            break;
        }
        // Flushing to disk is left to commit(), which may run elsewhere.
    });
    return prepared;
}

std::string StorePhoto(const Bitmap& picture, const std::string& destination,
                       const StoreOptions& options, StoreOutcome* outcome) {
    PreparedPhoto prepared = PreparePhoto(picture, destination, options);
    std::string written = prepared.commit();
    if (outcome) *outcome = prepared.outcome();
    return written;
}

} // namespace vt
