// libFuzzer target for the image readers behind LoadPicture. The first byte
// of the input picks the file extension among the registered ones (modulo
// their count); the rest is the file's content, read from memory.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const bool quiet = (vt::SetWarningHandler(nullptr), true);
    (void)quiet;
    const auto& extensions = vt::FileFormatList().Extensions();
    const std::string ext = extensions[data[0] % extensions.size()].Extension;
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
