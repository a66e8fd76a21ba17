// libFuzzer target for the image readers behind LoadPicture. The first byte
// of the input picks the file extension (its low six bits, modulo the number
// of extensions) and the way in (bit 7); the rest is the file's content:
//   bit 7 clear: read from memory (LoadFromStream on a memory stream);
//   bit 7 set:   written to a file and read from disk as the program does
//                (LoadPicture), and for bitmaps also by the platform's BMP
//                file reader; every reader's AcceptsFile is asked too.
// Every reader's AcceptsStream is asked about every input.
//
// Built once per reader family: VORANTEL_FUZZ_EXTENSIONS is then the
// family's extensions, comma-separated ("tif,fax,eps"), so that the fuzzer
// spends its time on one family and its corpus stays that family's. Without
// it the first byte picks among every registered extension.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "imageio/fileformatlist.h"
#include "imageio/formatgraphic.h"
#include "imageio/imageerrors.h"
#include "imageio/stream.h"
#include "platform/bmpfile.h"

namespace {

constexpr std::uint8_t kFromFile = 0x80;

std::vector<std::string> FuzzExtensions() {
    std::vector<std::string> list;
#ifdef VORANTEL_FUZZ_EXTENSIONS
    std::string all = VORANTEL_FUZZ_EXTENSIONS;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        if (comma > start) list.push_back(all.substr(start, comma - start));
        start = comma + 1;
    }
#else
    for (const auto& e : vt::FileFormatList().Extensions())
        list.push_back(e.Extension);
#endif
    return list;
}

// One instance of every registered reader class that has AcceptsStream.
std::vector<std::unique_ptr<vt::TGraphic>> AllReaders() {
    std::vector<std::unique_ptr<vt::TGraphic>> readers;
    for (const auto& c : vt::FileFormatList().Classes()) {
        std::unique_ptr<vt::TGraphic> g = c.GraphicClass->Create();
        if (dynamic_cast<vt::TFormatGraphic*>(g.get())) readers.push_back(std::move(g));
    }
    return readers;
}

void AskEveryReader(const std::uint8_t* data, std::size_t size, const std::string* path) {
    static const std::vector<std::unique_ptr<vt::TGraphic>> readers = AllReaders();
    for (const auto& g : readers) {
        auto& reader = static_cast<vt::TFormatGraphic&>(*g);
        try {
            vt::TMemoryStream stream(data, size);
            (void)reader.AcceptsStream(stream);
            if (path) (void)reader.AcceptsFile(*path);
        } catch (const std::exception&) {
        }
    }
}

void Use(const vt::Bitmap& b) {
    if (!b.empty()) (void)b.convertedTo24();
}

// A file of this process in the temporary folder, removed when done.
class ScratchFile {
  public:
    ScratchFile(const std::string& extension, const std::uint8_t* data, std::size_t size)
        : path_((std::filesystem::temp_directory_path() /
                 ("vorantel-fuzz-" + std::to_string(::getpid()) + "." + extension))
                    .string()) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    ~ScratchFile() { std::filesystem::remove(path_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const bool quiet = (vt::SetWarningHandler(nullptr), true);
    (void)quiet;
    static const std::vector<std::string> extensions = FuzzExtensions();
    const std::string& ext = extensions[(data[0] & 0x3F) % extensions.size()];
    const std::uint8_t* content = data + 1;
    const std::size_t length = size - 1;

    if (!(data[0] & kFromFile)) {
        AskEveryReader(content, length, nullptr);
        try {
            std::unique_ptr<vt::TGraphic> graphic = vt::CreateGraphicFor("fuzz." + ext);
            vt::TMemoryStream stream(content, length);
            graphic->LoadFromStream(stream);
            Use(graphic->GetBitmap());
        } catch (const std::exception&) {
            // Every failure must be an exception with a message; that is fine.
        }
        return 0;
    }

    ScratchFile file(ext, content, length);
    AskEveryReader(content, length, &file.path());
    try {
        Use(vt::LoadPicture(file.path()));
    } catch (const std::exception&) {
    }
    if (ext == "bmp" || ext == "dib" || ext == "rle") {
        try {
            Use(vt::ReadBmpFile(file.path()));
        } catch (const std::exception&) {
        }
    }
    return 0;
}
