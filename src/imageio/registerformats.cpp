// Every file format the program reads, registered in the order in which the
// registry lists them.
#include "imageio/autodeskgraphic.h"
#include "imageio/cutgraphic.h"
#include "imageio/fileformatlist.h"
#include "imageio/gifgraphic.h"
#include "imageio/imageerrors.h"
#include "imageio/jpegimage.h"
#include "imageio/pcdgraphic.h"
#include "imageio/pcxgraphic.h"
#include "imageio/platformgraphics.h"
#include "imageio/pnggraphic.h"
#include "imageio/ppmgraphic.h"
#include "imageio/psdgraphic.h"
#include "imageio/pspgraphic.h"
#include "imageio/rlagraphic.h"
#include "imageio/sgigraphic.h"
#include "imageio/targagraphic.h"

#include "imageio/tiffgraphic.h"

namespace vt {

void RegisterStandardFormats(TFileFormatList& list) {
    using K = TFormatKind;
    const TFormatKinds R{K::Raster}, V{K::Vector}, RM{K::Raster, K::MultiImage},
        RL{K::Raster, K::Layered}, RMA{K::Raster, K::MultiImage, K::Animation},
        RV{K::Raster, K::Vector};

    const TGraphicClass* bitmap = GraphicClassOf<TBitmapGraphic>();
    const TGraphicClass* icon = GraphicClassOf<TIconGraphic>();
    const TGraphicClass* metafile = GraphicClassOf<TMetafileGraphic>();
    const TGraphicClass* jpeg = GraphicClassOf<TJPEGImage>();
    const TGraphicClass* ppm = GraphicClassOf<TPPMGraphic>();
    const TGraphicClass* png = GraphicClassOf<TPNGGraphic>();
    const TGraphicClass* tiff = GraphicClassOf<TTIFFGraphic>();
    const TGraphicClass* eps = GraphicClassOf<TEPSGraphic>();
    const TGraphicClass* targa = GraphicClassOf<TTargaGraphic>();
    const TGraphicClass* pcx = GraphicClassOf<TPCXGraphic>();
    const TGraphicClass* rla = GraphicClassOf<TRLAGraphic>();
    const TGraphicClass* sgi = GraphicClassOf<TSGIGraphic>();
    const TGraphicClass* psd = GraphicClassOf<TPSDGraphic>();
    const TGraphicClass* autodesk = GraphicClassOf<TAutodeskGraphic>();
    const TGraphicClass* pcd = GraphicClassOf<TPCDGraphic>();
    const TGraphicClass* gif = GraphicClassOf<TGIFGraphic>();
    const TGraphicClass* cut = GraphicClassOf<TCUTGraphic>();
    const TGraphicClass* psp = GraphicClassOf<TPSPGraphic>();

    list.RegisterFormat("bmp", "Windows bitmaps", "", R, false, bitmap);
    list.RegisterFormat("ico", "Windows icons", "", R, false, icon);
    list.RegisterFormat("wmf", "Windows metafiles", "", V, false, metafile);
    list.RegisterFormat("emf", "Windows metafiles", "Windows enhanced meta files", V, false,
                        metafile);
    list.RegisterFormat("jfif", "JPG images", "JFIF images", R, false, jpeg);
    list.RegisterFormat("jpg", "", "JPG images", R, false, jpeg);
    list.RegisterFormat("jpe", "", "JPE images", R, false, jpeg);
    list.RegisterFormat("jpeg", "", "JPEG images", R, false, jpeg);
    list.RegisterFormat("rle", "Windows bitmaps", "Run length encoded Windows bitmaps", R, false,
                        bitmap);
    list.RegisterFormat("dib", "", "Device independant Windows bitmaps", R, false, bitmap);

    list.RegisterFormat("win", "Truevision images", "", R, false, targa);
    for (const char* ext : {"vst", "vda", "tga", "icb"})
        list.RegisterFormat(ext, "", "", R, false, targa);

    list.RegisterFormat("tiff", "Tagged image file format images", "Macintosh TIFF images", RM,
                        false, tiff);
    list.RegisterFormat("tif", "", "PC TIF images", RM, false, tiff);
    list.RegisterFormat("fax", "", "GFI fax images", RM, false, tiff);
    list.RegisterFormat("eps", "Encapsulated Postscript images", "", R, false, eps);

    list.RegisterFormat("pcx", "ZSoft Paintbrush images", "", R, false, pcx);
    list.RegisterFormat("pcc", "", "", R, false, pcx);
    list.RegisterFormat("scr", "", "Word 5.x screen capture images", R, false, pcx);

    list.RegisterFormat("rpf", "Alias/Wavefront images", "", R, false, rla);
    list.RegisterFormat("rla", "", "", R, false, rla);

    list.RegisterFormat("sgi", "SGI images", "SGI true color images", R, false, sgi);
    list.RegisterFormat("rgba", "", "SGI true color images with alpha", R, false, sgi);
    list.RegisterFormat("rgb", "", "SGI true color images", R, false, sgi);
    list.RegisterFormat("bw", "", "SGI black/white images", R, false, sgi);

    list.RegisterFormat("psd", "Photoshop images", "", RL, false, psd);
    list.RegisterFormat("pdd", "", "", RL, false, psd);

    list.RegisterFormat("ppm", "Portable map images", "Portable pixel map images", R, false, ppm);
    list.RegisterFormat("pgm", "", "Portable gray map images", R, false, ppm);
    list.RegisterFormat("pbm", "", "Portable bitmap images", R, false, ppm);

    list.RegisterFormat("cel", "Autodesk images", "", R, false, autodesk);
    list.RegisterFormat("pic", "Autodesk images", "", R, false, autodesk);

    list.RegisterFormat("pcd", "Kodak Photo-CD images", "", R, false, pcd);
    list.RegisterFormat("gif", "CompuServe images", "", RMA, false, gif);
    list.RegisterFormat("cut", "Dr. Halo images", "", R, false, cut);
    list.RegisterFormat("psp", "Paintshop Pro images", "", RV, false, psp);
    list.RegisterFormat("png", "Portable network graphic images", "", R, false, png);
}

} // namespace vt
