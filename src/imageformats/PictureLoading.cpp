#include "imageformats/PictureLoading.h"

#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/DecodedPictureCache.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/SGIGraphic.h"
#include "imageformats/TIFFGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Picture.h"

#include <algorithm>
#include <vector>

namespace {

struct ReaderGroup {
    std::vector<std::string_view> extensions;
    TGraphicClass reader;
    std::string_view description; // as the picture registry lists the group
};

// The groups in the order they are tried; the drawing's table adds its extensions to the groups
// of the same readers. A reader whose extensions the registry describes apart stands in one group
// for each description, next to each other.
const std::vector<ReaderGroup>& LoadingGroups()
{
    static const std::vector<ReaderGroup> groups = {
        {{".TIF"}, GraphicClassOf<TTIFFGraphic>(), "PC TIF images"},
        {{".FAX"}, GraphicClassOf<TTIFFGraphic>(), "GFI fax images"},
        {{".JPG"}, GraphicClassOf<TJPEGImage>(), "JPEG Image File"},
        {{".EPS"}, GraphicClassOf<TEPSGraphic>(), "Encapsulated Postscript images"},
        {{".BW"}, GraphicClassOf<TSGIGraphic>(), "SGI black/white images"},
        {{".RGB", ".SGI"}, GraphicClassOf<TSGIGraphic>(), "SGI true color images"},
        {{".RGBA"}, GraphicClassOf<TSGIGraphic>(), "SGI true color images with alpha"},
        {{".CEL", ".PIC"}, GraphicClassOf<TAutodeskGraphic>(), "Autodesk images"},
        {{".TGA", ".VST", ".ICB", ".VDA", ".WIN"}, GraphicClassOf<TTargaGraphic>(), "Truevision images"},
        {{".PCX", ".PCC"}, GraphicClassOf<TPCXGraphic>(), "ZSoft Paintbrush images"},
        {{".PPM"}, GraphicClassOf<TPPMGraphic>(), "Portable pixel map images"},
        {{".PGM"}, GraphicClassOf<TPPMGraphic>(), "Portable gray map images"},
        {{".PBM"}, GraphicClassOf<TPPMGraphic>(), "Portable bitmap images"},
        {{".CUT", ".PAL"}, GraphicClassOf<TCUTGraphic>(), "Dr. Halo images"},
        {{".RLA", ".RPF"}, GraphicClassOf<TRLAGraphic>(), "Alias/Wavefront images"},
        {{".PSD", ".PDD"}, GraphicClassOf<TPSDGraphic>(), "Photoshop images"},
        {{".PSP"}, GraphicClassOf<TPSPGraphic>(), "Paintshop Pro images"},
        {{".PNG"}, GraphicClassOf<TPNGGraphic>(), "Portable network graphic images"},
        {{".BMP", ".RLE", ".DIB"}, GraphicClassOf<TBitmap>(), "Bitmaps"},
    };
    return groups;
}

const std::vector<ReaderGroup>& DrawingExtras()
{
    static const std::vector<ReaderGroup> groups = {
        {{".TIFF"}, GraphicClassOf<TTIFFGraphic>(), "Macintosh TIFF images"},
        {{".JPEG"}, GraphicClassOf<TJPEGImage>(), "JPEG Image File"},
        {{".1", ".2", ".3", ".5", ".6", ".7"}, GraphicClassOf<TTargaGraphic>(), "Truevision images"},
    };
    return groups;
}

// Extensions the picture registry knows besides the loader's; the loader does not take them.
const std::vector<ReaderGroup>& RegistryExtras()
{
    static const std::vector<ReaderGroup> groups = {
        {{".TIFF"}, GraphicClassOf<TTIFFGraphic>(), "Macintosh TIFF images"},
        {{".SCR"}, GraphicClassOf<TPCXGraphic>(), "Word 5.x screen capture images"},
    };
    return groups;
}

// A Dr. Halo palette file loads through the picture's reader, but is no picture the registry offers.
bool IsRegistered(std::string_view extension) { return extension != ".PAL"; }

TGraphicClass ReaderIn(const std::vector<ReaderGroup>& groups, std::string_view extension)
{
    for (const ReaderGroup& group : groups)
        if (std::find(group.extensions.begin(), group.extensions.end(), extension) != group.extensions.end())
            return group.reader;
    return nullptr;
}

// The loader's reader for the path's extension; null, after saying why, when it takes no such file.
std::unique_ptr<TGraphic> LoadingReader(const std::string& path)
{
    const std::string extension = UpperCase(ExtractFileExt(path));
    std::unique_ptr<TGraphic> reader = NewPictureReader(extension, ReaderTable::Loading);
    if (reader == nullptr) {
        if (extension == ".ZYB")
            Ui().MessageBox("You can not edit ZYB files.", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
        else
            Ui().MessageBox("Could not recognize the file extention or file type.", ApplicationTitle, MsgButtons::OK,
                            MsgIcon::None);
    }
    return reader;
}

// Reads the file into the target; returns whether the reader warned. A picture the user chose may
// warn of damage it still loads despite: with `show` the boxes say so.
bool ReadNotingWarnings(TGraphic& reader, const std::string& file, TBitmap& target, bool show)
{
    bool warned = false;
    if (auto* imageReader = dynamic_cast<TImageGraphic*>(&reader))
        imageReader->OnWarning = [&warned, show](TGraphic&, const std::string& message) {
            warned = true;
            if (show)
                Ui().MessageBox(message, "Warning", MsgButtons::OK, MsgIcon::Warning);
        };
    reader.LoadFromFile(file);
    target.Assign(reader);
    return warned;
}

} // namespace

std::unique_ptr<TGraphic> NewPictureReader(std::string_view extension, ReaderTable table)
{
    TGraphicClass reader = ReaderIn(LoadingGroups(), extension);
    if (reader == nullptr && table == ReaderTable::Drawing)
        reader = ReaderIn(DrawingExtras(), extension);
    return reader == nullptr ? nullptr : reader();
}

bool LoadPicture(const std::string& path, TBitmap& target, const PicturePathResolver& resolve)
{
    std::unique_ptr<TGraphic> reader = LoadingReader(path);
    if (reader == nullptr)
        return false;
    ReadNotingWarnings(*reader, resolve(path), target, true);
    return true;
}

DecodeResult DecodeToKeep(TGraphic& reader, const std::string& file, TBitmap& picture, bool showWarnings)
{
    return ReadNotingWarnings(reader, file, picture, showWarnings) ? DecodeResult::UnkeptPicture
                                                                   : DecodeResult::Picture;
}

std::shared_ptr<const TBitmap> LoadCachedPicture(const std::string& path, const PicturePathResolver& resolve,
                                                 DecodedPictureCache& cache)
{
    std::unique_ptr<TGraphic> reader = LoadingReader(path);
    if (reader == nullptr)
        return nullptr;
    const std::string file = resolve(path);
    return cache.Picture({file, "", reader->ClassName()},
                         [&](TBitmap& picture) { return DecodeToKeep(*reader, file, picture, true); });
}

void RegisterPictureFileFormats()
{
    for (const auto* groups : {&LoadingGroups(), &RegistryExtras()})
        for (const ReaderGroup& group : *groups)
            for (const std::string_view extension : group.extensions)
                if (IsRegistered(extension))
                    TPicture::RegisterFileFormat(LowerCase(extension), group.description, group.reader);
}
