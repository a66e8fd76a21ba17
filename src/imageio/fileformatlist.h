// The registry of file formats: which graphic class reads the files of each
// extension, and LoadPicture, through which every photograph is read.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/formatgraphic.h"
#include "imageio/imagetypes.h"
#include "platform/bitmap.h"

namespace vt {

enum class TFormatKind : std::uint8_t { Raster, Vector, Layered, MultiImage, Animation };
using TFormatKinds = TSet<TFormatKind>;

class TFileFormatList {
  public:
    struct TClassEntry {
        const TGraphicClass* GraphicClass;
        std::string Description; // common description
        int Count;               // extensions that point to this entry
    };
    struct TExtensionEntry {
        std::string Extension;   // without the dot, as registered
        std::string Description; // individual description
        TFormatKinds FormatTypes;
        const TGraphicClass* GraphicClass; // identifies the class entry
    };

    TFileFormatList() = default;
    ~TFileFormatList();
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // Registers an extension (without the dot; an empty one does nothing)
    // for a class. An extension already present throws gesRegistration
    // unless replace is set, which moves it to the new class. A non-empty
    // common description replaces the class entry's description.
    void RegisterFormat(std::string_view extension, std::string_view commonDescription,
                        std::string_view individualDescription, TFormatKinds formatKinds,
                        bool replace, const TGraphicClass* graphicClass);
    // Removes one extension of the class, or every extension of the class
    // when the extension is empty; a class entry goes with its last
    // extension.
    void UnregisterFormat(std::string_view extension, const TGraphicClass* graphicClass);
    // Index of the extension entry (case ignored, with or without a leading
    // dot), or -1.
    int FindExtension(std::string_view extension) const;
    // Index of the class entry, or -1.
    int FindClass(const TGraphicClass* graphicClass) const;
    void Clear();

    // The class registered for an extension, or nullptr.
    const TGraphicClass* GraphicFromExtension(std::string_view extension) const;
    // The description shown for an extension: its individual description,
    // or its class's when that is empty.
    std::string Description(std::string_view extension) const;

    const std::vector<TClassEntry>& Classes() const { return classes_; }
    const std::vector<TExtensionEntry>& Extensions() const { return extensions_; }

  private:
    std::vector<TClassEntry> classes_;
    std::vector<TExtensionEntry> extensions_;
};

// The one registry of the program, filled with every format at first use.
TFileFormatList& FileFormatList();

// Fills a list with every registration of the program, in order.
void RegisterStandardFormats(TFileFormatList& list);

// The extension of a file name: the text after the last dot, without it
// (empty when there is none).
std::string ExtractExtension(const std::string& fileName);

// Creates the graphic registered for the extension of fileName; throws
// gesUnknownExtension when none is.
std::unique_ptr<TGraphic> CreateGraphicFor(const std::string& fileName);

// Loads a file through the reader its extension selects and returns the
// graphic (with its bitmap and, for readers of the family, its properties).
std::unique_ptr<TGraphic> LoadGraphic(const std::string& fileName);

// Loads a file into a bitmap of 1, 4 or 8 bits with a palette or of 15, 16,
// 24 or 32 bits; every failure throws an exception derived from
// std::exception whose what() is the message to show.
Bitmap LoadPicture(const std::string& fileName);

// A photograph as loaded: the picture and what its file carries besides.
struct Photo {
    Bitmap picture;
    PhotoMetadata metadata;
    // What the reader warned of while it read a file it could still turn
    // into a picture (a JPEG that ends early, say): the picture is damaged.
    std::vector<std::string> warnings;
};

// LoadPicture that also keeps the file's metadata, for flows that store the
// photograph again. The reader's warnings stay with the photo; none reaches
// the warning handler.
Photo LoadPhoto(const std::string& fileName);

// What the user is told of a photograph whose reader warned while reading
// it: the file's path, that it is damaged, and the warnings, one a line.
std::string DamagedPhotoText(const std::string& path, const std::vector<std::string>& warnings);

} // namespace vt
