#include "imageio/fileformatlist.h"

#include <algorithm>

#include "imageio/imageerrors.h"
#include "platform/files.h"

namespace vt {

namespace {

std::string_view stripDot(std::string_view ext) {
    if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
    return ext;
}

} // namespace

TFileFormatList::~TFileFormatList() {
    Clear();
}

void TFileFormatList::RegisterFormat(std::string_view extension, std::string_view commonDescription,
                                     std::string_view individualDescription,
                                     TFormatKinds formatKinds, bool replace,
                                     const TGraphicClass* graphicClass) {
    extension = stripDot(extension);
    if (extension.empty()) return;

    int ext = FindExtension(extension);
    if (ext >= 0 && !replace) GraphicError(gesRegistration, {extension});

    int cls = FindClass(graphicClass);
    if (cls < 0) {
        classes_.push_back(TClassEntry{graphicClass, std::string(commonDescription), 0});
        cls = int(classes_.size()) - 1;
    } else if (!commonDescription.empty()) {
        classes_[std::size_t(cls)].Description = std::string(commonDescription);
    }

    if (ext < 0) {
        extensions_.push_back(TExtensionEntry{
            std::string(extension), std::string(individualDescription), formatKinds, graphicClass});
        ++classes_[std::size_t(cls)].Count;
        return;
    }

    TExtensionEntry& entry = extensions_[std::size_t(ext)];
    entry.Description = std::string(individualDescription);
    entry.FormatTypes = formatKinds;
    if (entry.GraphicClass == graphicClass) return;
    int old = FindClass(entry.GraphicClass);
    entry.GraphicClass = graphicClass;
    ++classes_[std::size_t(cls)].Count;
    if (old >= 0 && --classes_[std::size_t(old)].Count <= 0) classes_.erase(classes_.begin() + old);
}

void TFileFormatList::UnregisterFormat(std::string_view extension,
                                       const TGraphicClass* graphicClass) {
    extension = stripDot(extension);
    if (!extension.empty()) {
        int ext = FindExtension(extension);
        if (ext < 0) return;
        const TGraphicClass* owner = extensions_[std::size_t(ext)].GraphicClass;
        if (owner != graphicClass) return;
        extensions_.erase(extensions_.begin() + ext);
        int cls = FindClass(owner);
        if (cls >= 0 && --classes_[std::size_t(cls)].Count <= 0)
            classes_.erase(classes_.begin() + cls);
        return;
    }
    std::erase_if(extensions_,
                  [&](const TExtensionEntry& e) { return e.GraphicClass == graphicClass; });
    int cls = FindClass(graphicClass);
    if (cls >= 0) classes_.erase(classes_.begin() + cls);
}

int TFileFormatList::FindExtension(std::string_view extension) const {
    const std::string wanted(stripDot(extension));
    for (std::size_t i = 0; i < extensions_.size(); ++i)
        if (SameText(extensions_[i].Extension, wanted)) return int(i);
    return -1;
}

int TFileFormatList::FindClass(const TGraphicClass* graphicClass) const {
    for (std::size_t i = 0; i < classes_.size(); ++i)
        if (classes_[i].GraphicClass == graphicClass) return int(i);
    return -1;
}

void TFileFormatList::Clear() {
    extensions_.clear();
    classes_.clear();
}

const TGraphicClass* TFileFormatList::GraphicFromExtension(std::string_view extension) const {
    int i = FindExtension(extension);
    return i < 0 ? nullptr : extensions_[std::size_t(i)].GraphicClass;
}

std::string TFileFormatList::Description(std::string_view extension) const {
    int i = FindExtension(extension);
    if (i < 0) return {};
    const TExtensionEntry& e = extensions_[std::size_t(i)];
    if (!e.Description.empty()) return e.Description;
    int c = FindClass(e.GraphicClass);
    return c < 0 ? std::string() : classes_[std::size_t(c)].Description;
}

TFileFormatList& FileFormatList() {
    static TFileFormatList list;
    static const bool filled = (RegisterStandardFormats(list), true);
    (void)filled;
    return list;
}

std::string ExtractExtension(const std::string& fileName) {
    std::string ext = ExtractFileExt(fileName);
    return ext.empty() ? ext : ext.substr(1);
}

std::unique_ptr<TGraphic> CreateGraphicFor(const std::string& fileName) {
    std::string ext = ExtractExtension(fileName);
    const TGraphicClass* cls = FileFormatList().GraphicFromExtension(ext);
    // The open dialogs offer palette files beside the pictures they belong to.
    if (!cls && SameText(ext, "pal")) GraphicError(gesPaletteFileOnly);
    if (!cls || ext.empty()) GraphicError(gesUnknownExtension, {ext});
    return cls->Create();
}

std::unique_ptr<TGraphic> LoadGraphic(const std::string& fileName) {
    std::unique_ptr<TGraphic> graphic = CreateGraphicFor(fileName);
    graphic->LoadFromFile(fileName);
    return graphic;
}

Bitmap LoadPicture(const std::string& fileName) {
    return LoadGraphic(fileName)->TakeBitmap();
}

Photo LoadPhoto(const std::string& fileName) {
    WarningCollector warnings;
    std::unique_ptr<TGraphic> graphic = LoadGraphic(fileName);
    Photo photo;
    photo.warnings = warnings.take();
    photo.picture = graphic->TakeBitmap();
    photo.metadata = graphic->TakeMetadata();
    return photo;
}

std::string DamagedPhotoText(const std::string& path, const std::vector<std::string>& warnings) {
    std::string text =
        "The file " + path + " is damaged: only part of the photograph could be read.";
    for (const std::string& w : warnings)
        text += "\r" + w;
    return text;
}

} // namespace vt
