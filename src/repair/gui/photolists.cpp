#include "repair/gui/photolists.h"

#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "repair/repair.h"

namespace vt::gui {

const char* const kGraphicFilter =
    "Graphic Files|*.bmp;*.cut;*.pal;*.dib;*.fax;*.gif;*.icb;*.tga;*.vda;*.vst;*.win;*.jpg;"
    "*.jpeg;*.pcc;*.pcd;*.pdd;*.psd;*.png;*.ppm;*.psp;*.rgb;*.rgba;*.rla;*.rpf;*.sga;*.rle;*.tif;"
    "*.tiff;*.wmf"
    "|Bitmap (*.bmp)|*.bmp"
    "|Dr. Halo (*.cut;*.pal)|*.cut;*.pal"
    "|Device Independent Bitmaps (*.dib)|*.dib"
    "|GFI Fax (*.fax)|*.fax"
    "|Graphics Interchange Format (*.gif)|*.gif"
    "|Targa TrueVision (*.icb;*.tga;*.vda;*.vst;*.win)|*.icb;*.tga;*.vda;*.vst;*.win"
    "|Joint Photographics Experts Group (*.jpg;*.jpeg)|*.jpg;*.jpeg"
    "|PC Paintbrush (*.pcc)|*.pcc"
    "|Kodak Photo-CD (*.pcd)|*.pcd"
    "|Adobe Photoshop (*.pdd;*.psd)|*.pdd;*.psd"
    "|Portable Network Graphics (*.png)|*.png"
    "|Portable Pixmapped Graphics (*.ppm)|*.ppm"
    "|Paintshop Pro (*.psp)|*.psp"
    "|SGI (*.rgb;*.rgba;*.rla;*.rpf;*.sga)|*.rgb;*.rgba;*.rla;*.rpf;*.sga"
    "|Run-length Encoded BMP (*.rle)|*.rle"
    "|Tagged Image File Format (*.tif; *.tiff)|*.tif;*.tiff";

QStringList AskForImages(OpenDialogState& state) {
    FileDialogRequest request;
    request.filter = kGraphicFilter;
    request.initialDir = state.startDir();
    request.multiSelect = true;
    const FileDialogResult chosen = dialogs().openFile(request);
    QStringList images;
    if (!chosen.accepted) return images;
    for (const QString& file : chosen.files) {
        const std::string path = file.toStdString();
        state.lastPickedDir = QString::fromStdString(ExtractFilePath(path));
        if (IsImageExtension(ExtractFileName(path))) images.push_back(file);
    }
    return images;
}

} // namespace vt::gui
