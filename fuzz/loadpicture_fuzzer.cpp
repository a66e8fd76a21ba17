// libFuzzer target for the image readers behind LoadPicture. The first byte
// of the input picks the file extension (modulo the number of extensions);
// the rest is the file's content, read from memory.
//
// Built once per reader family: VORANTEL_FUZZ_EXTENSIONS is then the
// family's extensions, comma-separated ("tif,fax,eps"), so that the fuzzer
// spends its time on one family and its corpus stays that family's. Without
// it the first byte picks among every registered extension.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/stream.h"

namespace {

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const bool quiet = (vt::SetWarningHandler(nullptr), true);
    (void)quiet;
    static const std::vector<std::string> extensions = FuzzExtensions();
    const std::string& ext = extensions[data[0] % extensions.size()];
    try {
        std::unique_ptr<vt::TGraphic> graphic = vt::CreateGraphicFor("fuzz." + ext);
        vt::TMemoryStream stream(data + 1, size - 1);
        graphic->LoadFromStream(stream);
        const vt::Bitmap& b = graphic->GetBitmap();
        if (!b.empty()) (void)b.convertedTo24();
    } catch (const std::exception&) {
        // Every failure must be an exception with a message; that is fine.
    }
    return 0;
}
