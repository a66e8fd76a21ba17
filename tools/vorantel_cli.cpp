// vorantel-cli: the program's image input from the command line.
//
//   vorantel-cli convert INPUT OUTPUT   load INPUT, store it as BMP, PPM, JPEG or TIFF
//   vorantel-cli info FILE              print what the reader learnt
//   vorantel-cli define | fix | cameras the camera commands (cli_cameras.h)
//
// Errors go to standard error. Exit codes: 0 success, 1 a file could not be
// read or written, 2 wrong usage.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli_cameras.h"
#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "platform/bitmap.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "repair/photooutput.h"
#include "repair/tiffwriter.h"

namespace {

constexpr const char* kProgram = "vorantel-cli";
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A command that checks its own arguments.
constexpr std::size_t kOwnArguments = std::size_t(-1);

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    std::size_t argumentCount; // or kOwnArguments
    std::function<int(std::span<const std::string>)> run;
};

// Writes a binary PPM (P6) through a file that replaces any previous one
// only once it is complete.
void writePpmFile(const std::string& path, const vt::Bitmap& b) {
    const std::string header =
        "P6\n" + std::to_string(b.width()) + " " + std::to_string(b.height()) + "\n255\n";
    vt::ReplacingFile file(path);
    int err = file.write(header.data(), header.size());
    std::vector<std::uint8_t> row(std::size_t(b.width()) * 3);
    for (int y = 0; !err && y < b.height(); ++y) {
        const std::uint8_t* s = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x) {
            row[3 * std::size_t(x)] = s[3 * x + 2];
            row[3 * std::size_t(x) + 1] = s[3 * x + 1];
            row[3 * std::size_t(x) + 2] = s[3 * x];
        }
        err = file.write(row.data(), row.size());
    }
    if (err) throw vt::FileWriteError(file.errorText("Cannot write file", err), err);
    file.commit();
}

int convert(std::span<const std::string> args) {
    const std::string& input = args[0];
    const std::string& output = args[1];
    std::string ext = vt::LowerCase(vt::ExtractExtension(output));
    if (ext != "bmp" && ext != "dib" && ext != "ppm" && ext != "jpg" && ext != "jpeg" &&
        ext != "tif" && ext != "tiff")
        throw UsageError("cannot write '" + output +
                         "': the output must end in .bmp, .ppm, .jpg or .tif");

    vt::Photo photo;
    try {
        // The callers of LoadPicture work on a 24-bit copy.
        photo = vt::LoadPhoto(input);
        photo.picture = std::move(photo.picture).convertedTo24();
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << input << ": " << e.what() << "\n";
        return kExitFailure;
    }
    const vt::Bitmap& picture = photo.picture;
    if (picture.empty()) {
        std::cerr << kProgram << ": " << input << ": the file holds no picture\n";
        return kExitFailure;
    }
    try {
        if (ext == "ppm")
            writePpmFile(output, picture);
        else if (ext == "jpg" || ext == "jpeg")
            vt::WriteJpegFile(output, picture, vt::kJpegQuality, &photo.metadata);
        else if (ext == "tif" || ext == "tiff")
            vt::WriteTiffFile(output, picture);
        else
            vt::WriteBmpFile(output, picture);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << output << ": " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

const char* modelName(vt::TColorModel m) {
    using M = vt::TColorModel;
    switch (m) {
    case M::Unknown:
        return "unknown";
    case M::Indexed:
        return "indexed";
    case M::Grey:
        return "grey";
    case M::GreyAlpha:
        return "grey with alpha";
    case M::RGB:
        return "RGB";
    case M::RGBA:
        return "RGBA";
    case M::BGR:
        return "BGR";
    case M::BGRA:
        return "BGRA";
    case M::CMY:
        return "CMY";
    case M::CMYK:
        return "CMYK";
    case M::CIELab:
        return "CIE L*a*b*";
    case M::YCbCr:
        return "YCbCr";
    case M::PhotoYCC:
        return "PhotoYCC";
    }
    return "unknown";
}

const char* compressionName(vt::TCompressionType c) {
    using C = vt::TCompressionType;
    switch (c) {
    case C::Unknown:
        return "unknown";
    case C::None:
        return "none";
    case C::RLE:
        return "run-length";
    case C::PackBits:
        return "PackBits";
    case C::LZW:
        return "LZW";
    case C::CCITT3:
        return "CCITT group 3";
    case C::CCITTMH:
        return "CCITT modified Huffman";
    case C::CCITT4:
        return "CCITT group 4";
    case C::CCITTMHWordAligned:
        return "CCITT modified Huffman, word-aligned";
    case C::LZ77:
        return "LZ77 (deflate)";
    case C::JPEG:
        return "JPEG";
    case C::OJPEG:
        return "old-style JPEG";
    case C::ThunderScan:
        return "ThunderScan";
    case C::NeXT:
        return "NeXT";
    case C::IT8CTPad:
        return "IT8 CT padding";
    case C::IT8LW:
        return "IT8 line work";
    case C::IT8MP:
        return "IT8 monochrome picture";
    case C::IT8BL:
        return "IT8 binary line art";
    case C::PixarFilm:
        return "Pixar film";
    case C::PixarLog:
        return "Pixar log";
    case C::DCS:
        return "Kodak DCS";
    case C::JBIG:
        return "JBIG";
    case C::PCDHuffman:
        return "Photo-CD Huffman";
    }
    return "unknown";
}

int info(std::span<const std::string> args) {
    const std::string& file = args[0];
    std::unique_ptr<vt::TGraphic> graphic;
    try {
        graphic = vt::LoadGraphic(file);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << file << ": " << e.what() << "\n";
        return kExitFailure;
    }
    const vt::Bitmap& b = graphic->GetBitmap();
    std::cout << "file: " << file << "\n"
              << "format: " << vt::FileFormatList().Description(vt::ExtractExtension(file)) << "\n"
              << "bitmap: " << b.width() << " x " << b.height() << ", "
              << vt::BitsPerPixel(b.pixelFormat()) << " bits per pixel\n";
    if (const vt::TImageProperties* p = graphic->ImageProperties()) {
        std::cout << "width: " << p->Width << "\n"
                  << "height: " << p->Height << "\n"
                  << "colour model: " << modelName(p->ColorModel) << "\n"
                  << "bits per sample: " << unsigned(p->BitsPerSample) << "\n"
                  << "samples per pixel: " << unsigned(p->SamplesPerPixel) << "\n"
                  << "bits per pixel: " << unsigned(p->BitsPerPixel) << "\n"
                  << "compression: " << compressionName(p->Compression) << "\n"
                  << "gamma: " << p->Gamma << "\n"
                  << "resolution: " << p->XResolution << " x " << p->YResolution << " dpi\n"
                  << "interlaced: " << (p->Interlaced ? "yes" : "no") << "\n"
                  << "alpha: " << (p->AlphaPresent ? "yes" : "no") << "\n";
        if (p->FormatVersion) std::cout << "format version: " << p->FormatVersion << "\n";
        using F = vt::TImageFlag;
        std::string flags;
        auto add = [&](F f, const char* n) {
            if (p->Flags.Contains(f)) flags += flags.empty() ? n : std::string(", ") + n;
        };
        add(F::TiledLayout, "tiled");
        add(F::BigEndian, "big-endian");
        add(F::InvertedGrey, "inverted grey");
        add(F::LsbFirst, "least significant bit first");
        add(F::GammaApplied, "gamma applied");
        if (!flags.empty()) std::cout << "flags: " << flags << "\n";
    }
    // What a repaired copy keeps besides the pixels.
    std::string kept;
    for (const std::string& kind : vt::DescribeMetadata(graphic->Metadata()))
        kept += (kept.empty() ? "" : ", ") + kind;
    std::cout << "metadata: " << (kept.empty() ? "none" : kept) << "\n";
    return kExitOk;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"convert", "INPUT OUTPUT",
         "load INPUT and store it as 24-bit BMP, binary PPM, JPEG (quality 90) or TIFF,\n      by "
         "OUTPUT's extension",
         2, convert},
        {"info", "FILE", "print the image properties the reader of FILE fills", 1, info},
        {"define", vt::cli::kDefineArguments,
         "analyse one or more blackshots, or learn from photos, into a camera file", kOwnArguments,
         vt::cli::DefineCommand},
        {"fix", vt::cli::kFixArguments,
         "repair photographs with a camera, or each with the one its Exif names", kOwnArguments,
         vt::cli::FixCommand},
        {"cameras", vt::cli::kCamerasArguments, "list the cameras of the library", kOwnArguments,
         vt::cli::CamerasCommand},
    };
    return list;
}

void printUsage(std::ostream& out) {
    out << "Usage: " << kProgram << " COMMAND [ARGUMENTS]\n"
        << "       " << kProgram << " --help | --version\n\n"
        << "Commands:\n";
    for (const Command& c : commands())
        out << "  " << c.name << " " << c.arguments << "\n      " << c.summary << "\n";
    out << "\nThe extension of a file name picks its reader. Exit status: 0 on success,\n"
        << "1 when a file cannot be read or written, 2 on wrong usage.\n";
}

} // namespace

int main(int argc, char** argv) {
    vt::SetWarningHandler([](const std::string&, const std::string& text) {
        std::cerr << kProgram << ": warning: " << text << "\n";
    });
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError("no command given");
        const std::string& first = args[0];
        if (first == "--help" || first == "-h" || first == "help") {
            printUsage(std::cout);
            return kExitOk;
        }
        if (first == "--version") {
            std::cout << kProgram << " " << VORANTEL_VERSION << "\n";
            return kExitOk;
        }
        for (const Command& c : commands()) {
            if (first != c.name) continue;
            std::span<const std::string> rest(args.data() + 1, args.size() - 1);
            if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
                std::cout << "Usage: " << kProgram << " " << c.name << " " << c.arguments << "\n  "
                          << c.summary << "\n";
                return kExitOk;
            }
            if (c.argumentCount != kOwnArguments && rest.size() != c.argumentCount)
                throw UsageError(std::string(c.name) + " expects " + c.arguments);
            return c.run(rest);
        }
        if (!first.empty() && first[0] == '-') throw UsageError("unknown option '" + first + "'");
        throw UsageError("unknown command '" + first + "'");
    } catch (const vt::cli::CommandUsageError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kExitUsage;
    } catch (const UsageError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << "\n";
        return kExitFailure;
    }
}
